#include "view/qt_serial_control.h"

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#endif

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <QString>
#include <QSocketNotifier>
#include <QTimer>

#include "ports/fault_text.h"
#include "ports/port_settings.h"
#include "view/port_listing.h"

namespace kt {

namespace {

// "SYST:LOC" and whatever else is queued gets this long to reach the line
// when the port closes; the window waits no longer than this.
constexpr qint64 kCloseFlushMs = 100;

// While the counter streams lines faster than this, the port is read once per
// this period: at 240 readings a second one wake-up then carries about
// twenty of them, and the display still changes 12 times a second, more
// than anyone reads. Slower streams are read line by line as they come.
constexpr int kGatherMs = 80;
// Lines in a row, each within a period of the one before, that make a stream.
constexpr int kStreamLines = 4;
// More than this many bytes within one period is faster than any line rate
// the settings offer (38400 baud carries about 300): a flood, which is read
// as it comes, because gathering would only let the operating system's
// buffer fill and stall the sender.
constexpr qint64 kFloodBytes = 1024;

// Counts calls in progress whose port errors are not line failures.
class QuietScope {
public:
    explicit QuietScope(int& counter) : counter_(counter) { ++counter_; }
    ~QuietScope() { --counter_; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    int& counter_;
};

std::string ToStd(const QString& s) { return s.toStdString(); }

// Bytes the serial driver has taken but not yet put on the line. A UART's
// driver accepts a few kilobytes even while the counter holds the line.
qint64 DriverQueue(QSerialPort& port) {
#ifdef Q_OS_LINUX
    int queued = 0;
    if (ioctl(static_cast<int>(port.handle()), TIOCOUTQ, &queued) == 0 && queued > 0) return queued;
#else
    (void)port;
#endif
    return 0;
}

#ifndef Q_OS_WIN
// Who holds a port, from the lock file that serial programs leave in one of
// the usual lock folders ("LCK..ttyUSB0"). The file holds the process number
// and the program's name, either on one line or on two.
std::string LockHolder(const std::string& device) {
    QString name = QString::fromStdString(device);
    if (name.startsWith(QLatin1String("/dev/"))) name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    static const char* const kLockFolders[] = {"/var/lock", "/run/lock", "/etc/locks",
                                               "/var/spool/locks", "/var/spool/uucp", "/tmp"};
    for (const char* folder : kLockFolders) {
        QFile lock(QString::fromLatin1(folder) + QLatin1String("/LCK..") + name);
        if (!lock.exists() || !lock.open(QIODevice::ReadOnly)) continue;
        const QStringList words =
            QString::fromLocal8Bit(lock.read(512)).split(QRegularExpression(QStringLiteral("\\s+")),
                                                          Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        bool isNumber = false;
        const qint64 pid = words.front().toLongLong(&isNumber);
        if (!isNumber || pid <= 0) continue;
        const std::string process = "process " + std::to_string(pid);
        return words.size() > 1 ? ToStd(words[1]) + ", " + process : process;
    }
    return {};
}
#endif

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case StopBits::Two: return QSerialPort::TwoStop;
    case StopBits::One: break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl ToQt(FlowControl flow) {
    switch (flow) {
    case FlowControl::Software: return QSerialPort::SoftwareControl;
    case FlowControl::Hardware: return QSerialPort::HardwareControl;
    case FlowControl::None: break;
    }
    return QSerialPort::NoFlowControl;
}

OpenError FromQt(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError: return OpenError::NotFound;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError: return OpenError::Refused;
    default: return OpenError::Other;
    }
}

bool FileExists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

}  // namespace

QtSerialControl::QtSerialControl(std::map<int, std::string> portDevices, QObject* parent)
    : QObject(parent), lister_(view::SystemSerialPorts) {
    for (auto& [n, device] : portDevices) ports_.Name(n, std::move(device), PortSource::CommandLine);
}

QtSerialControl::~QtSerialControl() { Release(); }

PortChoice QtSerialControl::ChoiceForPort(int n) const {
    return ports_.Resolve(n, lister_ ? lister_() : std::vector<PortEntry>{}, FileExists);
}

std::string QtSerialControl::DeviceForPort(int n) const {
    // A port named on the command line or in the chooser opens that device:
    // no need to ask the system for its list of ports (a scan of its devices).
    const PortChoice named = ports_.Resolve(n, {}, FileExists);
    if (named.source != PortSource::Default) return named.device;
    return ChoiceForPort(n).device;
}

void QtSerialControl::SetCommPort(int16_t port) { commPort_ = port; }
int16_t QtSerialControl::CommPort() const { return commPort_; }
void QtSerialControl::SetSettings(const std::string& settings) { settings_ = settings; }
std::string QtSerialControl::Settings() const { return settings_; }

void QtSerialControl::SetHandshaking(int32_t mode) {
    handshaking_ = mode;
    if (port_) {
        QuietScope quiet(quiet_);
        port_->setFlowControl(ToQt(FlowControlFor(handshaking_)));
    }
}
int32_t QtSerialControl::Handshaking() const { return handshaking_; }

void QtSerialControl::SetDTREnable(bool on) {
    dtr_ = on;
    if (port_) ApplyDtr();
}
bool QtSerialControl::DTREnable() const { return dtr_; }

void QtSerialControl::SetPortOpen(bool open) {
    if (open && !port_) Open();
    if (!open && port_) Close();
}

bool QtSerialControl::PortOpen() const { return port_ != nullptr; }

void QtSerialControl::Output(const std::string& text) {
    if (!port_ || text.empty()) return;
    const auto size = static_cast<qint64>(text.size());
    if (port_->write(text.data(), size) != size) {
        FailWhileOpen(SerialFault::WriteFailed, WriteFailedText(openPortNumber_, openDevice_));
        return;
    }
    bytesQueued_ += size;
    commandEnds_.push_back(bytesQueued_);
    DropSentCommands();
}

int QtSerialControl::CommandsWaiting() const {
    if (!port_) return 0;
    DropSentCommands();
    return static_cast<int>(commandEnds_.size());
}

void QtSerialControl::DropSentCommands() const {
    const qint64 sent = bytesQueued_ - port_->bytesToWrite() - DriverQueue(*port_);
    while (!commandEnds_.empty() && commandEnds_.front() <= sent) commandEnds_.pop_front();
}

std::string QtSerialControl::Input() {
    if (!port_) return {};
    if (handedOut_ < gathered_.size()) {
        const std::size_t lineFeed = gathered_.find('\n', handedOut_);
        const std::size_t end = lineFeed == std::string::npos ? gathered_.size() : lineFeed + 1;
        std::string line = gathered_.substr(handedOut_, end - handedOut_);
        handedOut_ = end;
        // Piece i of n is taken to have arrived (i + 1) / n of the way
        // through the period: a steady stream fills it evenly.
        ++piecesOut_;
        const auto span = gatheredTo_ - gatheredFrom_;
        const auto arrived = gatheredFrom_ + span * static_cast<long long>(piecesOut_) /
                                                 static_cast<long long>(std::max<std::size_t>(gatheredPieces_, 1));
        inputAge_ = std::max(std::chrono::nanoseconds{}, std::chrono::nanoseconds(Clock::now() - arrived));
        if (handedOut_ == gathered_.size()) {
            gathered_.clear();
            handedOut_ = 0;
        }
        return line;
    }
    const QByteArray bytes = port_->readAll();
    CountRead(bytes.size());
    lineEnded_ = bytes.endsWith('\n');
    inputAge_ = {};
    lastRead_ = Clock::now();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool QtSerialControl::MoreReceived() const { return port_ != nullptr && handedOut_ < gathered_.size(); }

void QtSerialControl::OnReadyRead() {
    // While holding, the tick reads whatever arrives.
    if (holding_ || pulling_) return;
    lineEnded_ = false;
    const uint32_t session = session_;
    Deliver();
    if (!port_ || session != session_ || !lineEnded_) return;
    // Several lines in a row, each within a period of the one before: the
    // counter is streaming.
    linesInRow_ = sinceLine_.isValid() && sinceLine_.elapsed() < kGatherMs ? linesInRow_ + 1 : 1;
    sinceLine_.restart();
    if (linesInRow_ >= kStreamLines) MaybeHold(lineEnded_);
}

// The bytes read in the current period and in the one before it.
void QtSerialControl::CountRead(qint64 bytes) {
    const qint64 since = period_.isValid() ? period_.elapsed() : 2 * kGatherMs;
    if (since >= kGatherMs) {
        lastPeriodBytes_ = since < 2 * kGatherMs ? periodBytes_ : 0;
        periodBytes_ = 0;
        period_.restart();
    }
    periodBytes_ += bytes;
}

bool QtSerialControl::Flooding() const {
    return periodBytes_ >= kFloodBytes || lastPeriodBytes_ >= kFloodBytes;
}

// After a complete line of a stream that is not flooding, the port is left
// alone for one gathering period: the operating system keeps what arrives
// meanwhile, and the tick reads it in one go. A line in progress is read as
// it comes, so that a reply the panel waits for (the identification) is
// never held back once complete.
void QtSerialControl::MaybeHold(bool lineEnded) {
    if (!readNotifier_ || !lineEnded || Flooding()) return;
    readNotifier_->setEnabled(false);
    holding_ = true;
    gather_->start(kGatherMs);
}

void QtSerialControl::ReceiveHeld() {
    if (!holding_) return;
    gather_->stop();
    OnGatherTick();
}

void QtSerialControl::OnGatherTick() {
    if (!port_ || !holding_) return;
    holding_ = false;
    if (readNotifier_) readNotifier_->setEnabled(true);
    // Takes what the operating system holds now; does not wait.
    pulling_ = true;
    const bool arrived = port_->waitForReadyRead(0);
    pulling_ = false;
    if (!port_) return;  // the device went away meanwhile
    if (!arrived && port_->error() == QSerialPort::TimeoutError) port_->clearError();
    // Nothing for a whole period: the next piece is handed on as it comes.
    if (port_->bytesAvailable() == 0) return;
    const QByteArray bytes = port_->readAll();
    CountRead(bytes.size());
    gathered_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    gatheredTo_ = Clock::now();
    gatheredFrom_ = lastRead_ == Clock::time_point{} ? gatheredTo_ : lastRead_;
    lastRead_ = gatheredTo_;
    gatheredPieces_ = static_cast<std::size_t>(std::count(gathered_.begin(), gathered_.end(), '\n')) +
                      (gathered_.back() == '\n' ? 0 : 1);
    piecesOut_ = 0;
    const uint32_t session = session_;
    Deliver();
    if (!port_ || session != session_) return;
    // Lines arrived during the period: the stream goes on.
    if (bytes.contains('\n')) sinceLine_.restart();
    MaybeHold(bytes.endsWith('\n'));
}

// Raises receive events until everything read has been handed on, or the
// port closed (a "LOC" line, say).
void QtSerialControl::Deliver() {
    if (!OnComm) {
        gathered_.clear();
        handedOut_ = 0;
        return;
    }
    const uint32_t session = session_;
    do {
        OnComm();
    } while (port_ && session == session_ && MoreReceived());
}

bool QtSerialControl::DSRHolding() const {
    if (!port_) return false;
    // A line without modem signals (a pseudo-terminal) answers with none.
    QuietScope quiet(quiet_);
    return port_->pinoutSignals().testFlag(QSerialPort::DataSetReadySignal);
}

std::string QtSerialControl::DeviceName() const {
    // The device opened or tried last, as long as the port number is the same.
    if (port_ || (openPortNumber_ == commPort_ && !openDevice_.empty())) return openDevice_;
    return DeviceForPort(commPort_);
}
SerialFault QtSerialControl::LastFault() const { return fault_; }
std::string QtSerialControl::LastFaultText() const { return faultText_; }

void QtSerialControl::Open() {
    const int16_t number = commPort_;
    const std::string device = DeviceForPort(number);
    openDevice_ = device;
    openPortNumber_ = number;
    fault_ = SerialFault::None;
    faultText_.clear();

    const std::optional<PortFraming> framing = ParsePortSettings(settings_);
    if (!framing) {
        fault_ = SerialFault::OpenFailed;
        faultText_ = BadSettingsText(number, device, settings_);
        return;
    }

    auto* port = new QSerialPort(this);
    port->setPortName(QString::fromStdString(device));
    port->setBaudRate(framing->baud);
    port->setDataBits(static_cast<QSerialPort::DataBits>(framing->dataBits));
    port->setParity(ToQt(framing->parity));
    port->setStopBits(ToQt(framing->stopBits));
    port->setFlowControl(ToQt(FlowControlFor(handshaking_)));

    if (!port->open(QIODevice::ReadWrite)) {
        OpenFailure failure;
        failure.port = number;
        failure.device = device;
        failure.error = FromQt(port->error());
        failure.reason = ToStd(port->errorString());
        delete port;
#ifdef Q_OS_WIN
        // Windows refuses a port that another program holds with "access
        // denied"; there is no per-user permission on a COM port.
        failure.exists = failure.error != OpenError::NotFound;
        failure.accessible = true;
#else
        const QFileInfo info(QString::fromStdString(device));
        failure.exists = info.exists();
        failure.accessible = info.isReadable() && info.isWritable();
        failure.group = ToStd(info.group());
        failure.holder = LockHolder(device);
#endif
        const FaultReport report = ClassifyOpenFailure(failure);
        fault_ = report.fault;
        faultText_ = report.text;
        return;
    }

    port_ = port;
    bytesQueued_ = 0;
    commandEnds_.clear();
    ++session_;
    connect(port, &QSerialPort::errorOccurred, this, &QtSerialControl::OnPortError);
    connect(port, &QSerialPort::readyRead, this, &QtSerialControl::OnReadyRead);
    // The port's own read notifier, which wakes the window whenever
    // characters arrive. Where the port has none (other platforms), every
    // piece is handed on as it comes.
    readNotifier_ = nullptr;
    for (QSocketNotifier* notifier : port->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
        if (notifier->type() == QSocketNotifier::Read) readNotifier_ = notifier;
    }
    if (!gather_) {
        gather_ = new QTimer(this);
        gather_->setSingleShot(true);
        gather_->setTimerType(Qt::PreciseTimer);
        connect(gather_, &QTimer::timeout, this, &QtSerialControl::OnGatherTick);
    }

    ApplyDtr();
    // A UART drops what arrives while the port is closed; the operating
    // system's buffer may still hold such bytes, so forget them.
    QuietScope quiet(quiet_);
    port->clear(QSerialPort::Input);
}

void QtSerialControl::Close() {
    QuietScope quiet(quiet_);
    // No receive event may run while the queued commands go out.
    port_->blockSignals(true);
    if (port_->bytesToWrite() > 0) {
        // Hand the queue ("SYST:LOC") to the line before closing drops it.
        // The wait is bounded: a counter holding the line with XOFF must not
        // hang the window.
        port_->flush();
        QElapsedTimer waited;
        waited.start();
        while (port_->bytesToWrite() > 0) {
            const qint64 left = kCloseFlushMs - waited.elapsed();
            if (left <= 0 || !port_->waitForBytesWritten(static_cast<int>(left))) break;
        }
    }
    Release();
}

void QtSerialControl::Release() {
    // What was gathered but not handed on is dropped with the port, as a
    // UART drops what arrives while it is closed.
    gathered_.clear();
    handedOut_ = 0;
    holding_ = false;
    readNotifier_ = nullptr;
    if (gather_) gather_->stop();
    if (!port_) return;
    QSerialPort* port = port_;
    port_ = nullptr;
    port->disconnect(this);
    port->blockSignals(true);
    port->close();
    // This may run inside one of the port's own signals.
    port->deleteLater();
}

void QtSerialControl::ApplyDtr() {
    // The device raises DTR by itself when it opens; say what is wanted.
    QuietScope quiet(quiet_);
    port_->setDataTerminalReady(dtr_);
}

void QtSerialControl::OnPortError(QSerialPort::SerialPortError error) {
    if (quiet_ > 0 || !port_) return;
    switch (error) {
    case QSerialPort::ResourceError:  // adapter pulled
    case QSerialPort::ReadError:      // the other side of the line closed
        FailWhileOpen(SerialFault::DeviceLost, DeviceLostText(openPortNumber_, openDevice_));
        break;
    case QSerialPort::WriteError:
        FailWhileOpen(SerialFault::WriteFailed, WriteFailedText(openPortNumber_, openDevice_));
        break;
    default:
        // Settings the line cannot carry, time-outs and the like leave the
        // connection as it is.
        break;
    }
}

void QtSerialControl::FailWhileOpen(SerialFault fault, const std::string& text) {
    // The port keeps reporting a lost device until it is closed.
    Release();
    fault_ = fault;
    faultText_ = text;
    const uint32_t session = session_;
    QMetaObject::invokeMethod(
        this,
        [this, session, fault, text] {
            // An open since then starts afresh; the old fault is stale.
            if (session != session_ || port_) return;
            if (OnFault) OnFault(fault, text);
        },
        Qt::QueuedConnection);
}

}  // namespace kt
