#include "view/readings_window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include "measurements/csv.h"
#include "measurements/statistics.h"
#include "view/readings_record.h"

namespace kt {

namespace {

constexpr int kRedrawMs = 200;           // 5 redraws a second (at most 10 follow the stream as well)
constexpr int kAdevMs = 1000;            // the Allan deviation about once a second
constexpr std::size_t kSaveSlice = 20000;  // rows written per event while saving

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A number with the digits a counter's reading has; "—" when there is none.
QString Number(double v, int digits = 12) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    return QString::number(v, 'g', digits);
}

// The smallest of 1, 2, 5 times a power of ten that is at least x.
double NiceCeiling(double x) {
    if (!(x > 0.0)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * decade >= x) return step * decade;
    }
    return 10.0 * decade;
}

double Seconds(SteadyTime later, SteadyTime earlier) {
    return std::chrono::duration<double>(later - earlier).count();
}

// A label whose text changes with every redraw: plain text in a fixed box,
// so that a new text repaints the label alone instead of laying out the
// whole window again.
QLabel* ValueLabel(const char* objectName, int width) {
    // As tall as a line with Chinese characters, which the fallback font draws taller.
    auto* label = new QLabel(QStringLiteral("记录 (Ag) 行"));
    label->setObjectName(QLatin1String(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFixedSize(width, label->sizeHint().height() + 2);
    label->setText(QStringLiteral("—"));
    return label;
}

QChart* PlainChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    return chart;
}

}  // namespace

struct ReadingsWindow::Save {
    QFile file;
    uint64_t next = 0;
    uint64_t end = 0;
    uint64_t rows = 0;
    uint64_t missing = 0;  // dropped from memory while saving
    SteadyTime origin{};
};

ReadingsWindow::ReadingsWindow(ReadingsRecord& record, QWidget* parent) : QWidget(parent, Qt::Window), record_(record) {
    setObjectName(QStringLiteral("frmReadings"));
    setWindowTitle(QStringLiteral("读数 (Readings)"));
    Build();
    redraw_ = new QTimer(this);
    redraw_->setInterval(kRedrawMs);
    connect(redraw_, &QTimer::timeout, this, &ReadingsWindow::Refresh);
    adevTimer_ = new QTimer(this);
    adevTimer_->setInterval(kAdevMs);
    connect(adevTimer_, &QTimer::timeout, this, &ReadingsWindow::RefreshAdev);
    saveTimer_ = new QTimer(this);
    connect(saveTimer_, &QTimer::timeout, this, &ReadingsWindow::SaveSlice);
    connect(&record_, &ReadingsRecord::recordingChanged, this, &ReadingsWindow::ShowRecordingState);
    resize(900, 640);
}

ReadingsWindow::~ReadingsWindow() = default;

void ReadingsWindow::Build() {
    auto* layout = new QVBoxLayout(this);

    // The trend of the current series.
    auto* trend = PlainChart();
    trendSeries_ = new QLineSeries;
    // A thin cosmetic pen takes the painter's fast path for polylines; the
    // default wide pen is stroked segment by segment.
    QPen thin(QColor(32, 120, 200));
    thin.setWidth(0);
    thin.setCosmetic(true);
    trendSeries_->setPen(thin);
    trend->addSeries(trendSeries_);
    trendX_ = new QValueAxis;
    trendX_->setTitleText(QStringLiteral("时间 (s)"));
    trendX_->setLabelFormat(QStringLiteral("%.6g"));
    trendY_ = new QValueAxis;
    trendY_->setLabelFormat(QStringLiteral("%.12g"));
    trend->addAxis(trendX_, Qt::AlignBottom);
    trend->addAxis(trendY_, Qt::AlignLeft);
    trendSeries_->attachAxis(trendX_);
    trendSeries_->attachAxis(trendY_);
    trendView_ = new QChartView(trend);
    trendView_->setObjectName(QStringLiteral("chtTrend"));
    trendView_->setMinimumHeight(220);

    // The statistics of the current series.
    auto* stats = new QWidget;
    auto* form = new QFormLayout(stats);
    seriesLabel_ = ValueLabel("lblSeries", 190);
    form->addRow(QStringLiteral("序列 (Series)"), seriesLabel_);
    const char* names[] = {"个数 (Count)", "平均 (Mean)", "标准差 (Std dev)", "最小 (Min)",
                           "最大 (Max)", "跨度 (Span)", "标准差 (ppm)"};
    const char* objectNames[] = {"lblCount", "lblMean", "lblStdDev", "lblMin", "lblMax", "lblSpan", "lblPpm"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        auto* value = ValueLabel(objectNames[i], 190);
        form->addRow(QString::fromUtf8(names[i]), value);
        statValues_.push_back(value);
    }

    // The Allan deviation: chart and table.
    auto* adev = PlainChart();
    adevSeries_ = new QLineSeries;
    adevDots_ = new QScatterSeries;
    adevDots_->setMarkerSize(6);
    adev->addSeries(adevSeries_);
    adev->addSeries(adevDots_);
    adevX_ = new QLogValueAxis;
    adevX_->setTitleText(QStringLiteral("τ (s)"));
    adevX_->setLabelFormat(QStringLiteral("%g"));
    adevY_ = new QLogValueAxis;
    adevY_->setTitleText(QStringLiteral("Allan 偏差 σy(τ)"));
    adevY_->setLabelFormat(QStringLiteral("%.0e"));
    adev->addAxis(adevX_, Qt::AlignBottom);
    adev->addAxis(adevY_, Qt::AlignLeft);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(adevSeries_), static_cast<QAbstractSeries*>(adevDots_)}) {
        s->attachAxis(adevX_);
        s->attachAxis(adevY_);
    }
    adevView_ = new QChartView(adev);
    adevView_->setObjectName(QStringLiteral("chtAdev"));
    adevTable_ = new QTableWidget(0, 3);
    adevTable_->setObjectName(QStringLiteral("tblAdev"));
    adevTable_->setHorizontalHeaderLabels(
        {QStringLiteral("τ (s)"), QStringLiteral("项数 (Terms)"), QStringLiteral("ADEV")});
    adevTable_->verticalHeader()->hide();
    adevTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    adevTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    adevTable_->horizontalHeader()->setStretchLastSection(true);

    auto* lower = new QHBoxLayout;
    lower->addWidget(stats, 0);
    lower->addWidget(adevView_, 2);
    lower->addWidget(adevTable_, 1);

    // Commands and the recording.
    auto* buttons = new QHBoxLayout;
    auto* clear = new QPushButton(QStringLiteral("清除 (Clear)"));
    clear->setObjectName(QStringLiteral("cmdClear"));
    pause_ = new QPushButton(QStringLiteral("暂停 (Pause)"));
    pause_->setObjectName(QStringLiteral("cmdPause"));
    pause_->setCheckable(true);
    auto* save = new QPushButton(QStringLiteral("另存为 CSV (Save as CSV)…"));
    save->setObjectName(QStringLiteral("cmdSaveCsv"));
    recordingLabel_ = ValueLabel("lblRecording", 420);
    saveLabel_ = ValueLabel("lblSave", 260);
    saveLabel_->clear();
    buttons->addWidget(clear);
    buttons->addWidget(pause_);
    buttons->addWidget(save);
    buttons->addWidget(saveLabel_);
    buttons->addStretch(1);
    buttons->addWidget(recordingLabel_);

    layout->addWidget(trendView_, 3);
    layout->addLayout(lower, 2);
    layout->addLayout(buttons);

    connect(clear, &QPushButton::clicked, this, &ReadingsWindow::Clear);
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused) {
            Refresh();
            RefreshAdev();
        }
    });
    connect(save, &QPushButton::clicked, this, [this] {
        if (saveDialog_ == nullptr) {
            saveDialog_ = new QFileDialog(this, QStringLiteral("另存为 CSV (Save as CSV)"));
            saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
            saveDialog_->setNameFilter(QStringLiteral("CSV (*.csv)"));
            saveDialog_->setDefaultSuffix(QStringLiteral("csv"));
            connect(saveDialog_, &QFileDialog::fileSelected, this, [this](const QString& path) { SaveAs(path); });
        }
        saveDialog_->open();
    });
    ShowRecordingState();
}

void ReadingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redraw_->start();
    adevTimer_->start();
    Refresh();
    RefreshAdev();
}

void ReadingsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    redraw_->stop();
    adevTimer_->stop();
}

void ReadingsWindow::Clear() {
    record_.store().Clear();
    haveKey_ = false;
    trend_.Reset();
    ++trendVersion_;
    rangesSet_ = false;
    Refresh();
    RefreshAdev();
}

void ReadingsWindow::Refresh() {
    ShowRecordingState();
    if (pause_->isChecked()) return;
    const ReadingStore& store = record_.store();

    // Take the readings that arrived since the last redraw into the trend; a
    // new series (another function or unit, or a Clear) starts it afresh.
    const SeriesKey key = store.CurrentKey();
    if (!store.HasSeries()) {
        if (haveKey_) {
            haveKey_ = false;
            trend_.Reset();
            ++trendVersion_;
        }
    } else {
        if (!haveKey_ || !(key == key_) || clearSeq_ != store.ClearSeq()) {
            key_ = key;
            haveKey_ = true;
            clearSeq_ = store.ClearSeq();
            nextSeq_ = clearSeq_;
            rangesSet_ = false;
            trend_.Reset();
            ++trendVersion_;
        }
        for (std::size_t i = store.IndexOfSeq(nextSeq_); i < store.Size(); ++i) {
            const Reading& r = store.At(i);
            if (!r.has_value || r.unit != key_.unit || r.function != key_.function) continue;
            if (trend_.Empty()) origin_ = r.steady;
            trend_.Add(Seconds(r.steady, origin_), r.value);
            ++trendVersion_;
        }
        nextSeq_ = store.NextSeq();
    }

    // Statistics of the series, kept by the record for every reading.
    const Stats s = store.CurrentStats();
    const QString unit = haveKey_ ? Utf8(UnitText(key_.unit)) : QString();
    const auto withUnit = [&unit](const QString& number) {
        return unit.isEmpty() || number == QStringLiteral("—") ? number : number + QLatin1Char(' ') + unit;
    };
    const bool any = haveKey_ && s.count > 0;
    seriesLabel_->setText(haveKey_ ? Utf8(key_.function) + (unit.isEmpty() ? QString() : QStringLiteral(", ") + unit)
                                   : QStringLiteral("—"));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    statValues_[0]->setText(QString::number(any ? s.count : 0));
    statValues_[1]->setText(withUnit(Number(any ? s.mean : nan)));
    statValues_[2]->setText(withUnit(Number(any && s.count > 1 ? s.std_dev : nan, 4)));
    statValues_[3]->setText(withUnit(Number(any ? s.min : nan)));
    statValues_[4]->setText(withUnit(Number(any ? s.max : nan)));
    statValues_[5]->setText(withUnit(Number(any ? s.span : nan, 6)));
    statValues_[6]->setText(Number(any && s.count > 1 ? s.ppm : nan, 4));

    // The trend: redrawn only when it changed or the plot was resized.
    const int width = std::max(1, static_cast<int>(trendView_->chart()->plotArea().width()));
    if (trendVersion_ == drawnVersion_ && width == drawnWidth_) return;
    drawnVersion_ = trendVersion_;
    drawnWidth_ = width;
    trend_.Columns(width, columns_);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(columns_.size()));
    for (const auto& p : columns_) points.append(QPointF(p.t, p.v));
    trendSeries_->replace(points);
    trendY_->setTitleText(haveKey_ ? Utf8(key_.function) + (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + QLatin1Char(')'))
                                   : QString());
    // The axes change only when the trend outgrows them: a new range lays
    // out every tick label again, which costs more than the trend itself.
    if (trend_.Empty()) {
        SetRanges(0, 1, 0, 1);
        return;
    }
    double low = shownLow_;
    double high = shownHigh_;
    if (!rangesSet_ || trend_.Min() < shownLow_ || trend_.Max() > shownHigh_ ||
        (trend_.Max() - trend_.Min()) < (shownHigh_ - shownLow_) / 8) {
        const double spread = trend_.Max() - trend_.Min();
        const double pad = spread > 0 ? spread * 0.25 : std::max(std::abs(trend_.Min()) * 1e-9, 1e-12);
        low = trend_.Min() - pad;
        high = trend_.Max() + pad;
    }
    double right = shownRight_;
    if (!rangesSet_ || trend_.LastT() > shownRight_) right = NiceCeiling(trend_.LastT() * 1.25);
    SetRanges(0, right, low, high);
}

void ReadingsWindow::SetRanges(double left, double right, double low, double high) {
    if (rangesSet_ && right == shownRight_ && low == shownLow_ && high == shownHigh_) return;
    rangesSet_ = true;
    shownRight_ = right;
    shownLow_ = low;
    shownHigh_ = high;
    trendX_->setRange(left, right);
    trendY_->setRange(low, high);
}

void ReadingsWindow::RefreshAdev() {
    if (pause_->isChecked()) return;
    // Kept up to date by the record as readings arrive, from the exact
    // decimals, so reading it is cheap.
    const std::vector<AdevPoint> points = record_.store().CurrentAdev();

    QList<QPointF> curve;
    adevTable_->setRowCount(static_cast<int>(points.size()));
    double lowT = 0, highT = 0, lowA = 0, highA = 0;
    int row = 0;
    for (const AdevPoint& p : points) {
        adevTable_->setItem(row, 0, new QTableWidgetItem(Number(p.tau, 4)));
        adevTable_->setItem(row, 1, new QTableWidgetItem(QString::number(p.terms)));
        adevTable_->setItem(row, 2, new QTableWidgetItem(Number(p.adev, 4)));
        ++row;
        if (!(p.adev > 0.0) || !(p.tau > 0.0)) continue;
        if (curve.isEmpty()) {
            lowT = highT = p.tau;
            lowA = highA = p.adev;
        }
        lowT = std::min(lowT, p.tau);
        highT = std::max(highT, p.tau);
        lowA = std::min(lowA, p.adev);
        highA = std::max(highA, p.adev);
        curve.append(QPointF(p.tau, p.adev));
    }
    adevSeries_->replace(curve);
    adevDots_->replace(curve);
    if (!curve.isEmpty()) {
        adevX_->setRange(lowT / 2, highT * 2);
        adevY_->setRange(lowA / 2, highA * 2);
    }
}

void ReadingsWindow::ShowRecordingState() {
    const CsvRecorder& r = record_.recorder();
    QString text;
    if (r.IsOpen()) {
        text = QStringLiteral("记录中 (Recording): %1, %2 行 (rows)")
                   .arg(QFileInfo(Utf8(r.Path())).fileName())
                   .arg(r.RowsWritten() + r.RowsPending());
    } else if (!r.Error().empty()) {
        text = QStringLiteral("记录已停止 (Recording stopped): ") + Utf8(r.Error());
    } else {
        text = QStringLiteral("未记录 (Not recording)");
    }
    if (recordingLabel_->text() != text) recordingLabel_->setText(text);
}

bool ReadingsWindow::SaveAs(const QString& path) {
    const ReadingStore& store = record_.store();
    auto save = std::make_unique<Save>();
    save->file.setFileName(path);
    if (!save->file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        saveLabel_->setText(QStringLiteral("不能保存 (Cannot save) %1: %2").arg(path, save->file.errorString()));
        return false;
    }
    save->next = store.FirstSeq();
    save->end = store.NextSeq();
    if (const Reading* first = store.Find(save->next)) save->origin = first->steady;
    save->file.write(kCsvHeader.data(), static_cast<qint64>(kCsvHeader.size()));
    save_ = std::move(save);
    saveTimer_->start(0);
    saveLabel_->setText(QStringLiteral("保存中 (Saving)…"));
    return true;
}

void ReadingsWindow::SaveSlice() {
    Save& s = *save_;
    const ReadingStore& store = record_.store();
    std::string out;
    const uint64_t stop = std::min(s.end, s.next + kSaveSlice);
    if (s.next < store.FirstSeq()) {
        s.missing += std::min(stop, store.FirstSeq()) - s.next;
        s.next = std::min(stop, store.FirstSeq());
    }
    for (std::size_t i = store.IndexOfSeq(s.next); s.next < stop && i < store.Size(); ++i, ++s.next) {
        AppendCsvRow(out, store.At(i), s.origin);
        ++s.rows;
    }
    s.next = stop;
    if (s.file.write(out.data(), static_cast<qint64>(out.size())) != static_cast<qint64>(out.size())) {
        FinishSave(QStringLiteral("不能保存 (Cannot save) %1: %2").arg(s.file.fileName(), s.file.errorString()));
        return;
    }
    if (s.next < s.end) return;
    if (!s.file.flush()) {
        FinishSave(QStringLiteral("不能保存 (Cannot save) %1: %2").arg(s.file.fileName(), s.file.errorString()));
        return;
    }
    QString message = QStringLiteral("已保存 (Saved) %1 行 (rows) → %2").arg(s.rows).arg(QFileInfo(s.file).fileName());
    if (s.missing > 0) message += QStringLiteral(" (%1 dropped from memory while saving)").arg(s.missing);
    FinishSave(message);
}

void ReadingsWindow::FinishSave(const QString& message) {
    saveTimer_->stop();
    save_->file.close();
    saveLabel_->setText(message);
    save_.reset();
}

}  // namespace kt
