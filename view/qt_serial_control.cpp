#include "view/qt_serial_control.h"

#include <utility>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#endif

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <QString>

#include "ports/fault_text.h"
#include "ports/port_settings.h"
#include "view/port_listing.h"

namespace kt {

namespace {

// "SYST:LOC" and whatever else is queued gets this long to reach the line
// when the port closes; the window waits no longer than this.
constexpr qint64 kCloseFlushMs = 100;

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

std::string QtSerialControl::Input() { return std::exchange(received_, {}); }

// The port has read what the operating system held: handed on at once, one
// receive event per read, with the time it was read.
void QtSerialControl::OnReadyRead() {
    if (!port_) return;
    const QByteArray bytes = port_->readAll();
    if (bytes.isEmpty()) return;
    readTime_ = ReadTime::Now();
    if (!OnComm) {
        received_.clear();
        return;
    }
    received_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    OnComm();
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
    // What was read but not taken goes with the port.
    received_.clear();
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
