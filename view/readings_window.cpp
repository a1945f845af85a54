#include "view/readings_window.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <cmath>
#include <limits>
#include <utility>

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFutureWatcher>
#include <QPromise>
#include <QProgressBar>
#include <QtConcurrent/QtConcurrentRun>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "measurements/csv.h"
#include "measurements/statistics.h"
#include "view/readings_record.h"
#include "view/trend_panel.h"
#include "view/trend_plot.h"
#include "view/utf8.h"

namespace kt {

namespace {

constexpr int kRedrawMs = 200;  // the trend: 5 redraws a second (at most 10 follow the stream as well)
// The statistics, the recording's row count and the Allan deviation: once a
// second (rows reach the file within a second). Their texts are read, not
// watched, and each new text costs a repaint.
constexpr int kSlowMs = 1000;
constexpr std::size_t kSaveBatch = 1 << 20;  // bytes of rows the saving worker writes at a time
// The Allan deviation chart is redrawn at once when a point appears or goes,
// and when a point moved by more than kAdevRedrawFraction (half a pixel of a
// log axis with 60 pixels a decade) at most every kAdevChartInterval: while a
// series grows its longest averaging times move a little with every second,
// and redrawing the chart costs milliseconds. The table shows every value
// each second.
constexpr double kAdevRedrawFraction = 0.02;
constexpr auto kAdevChartInterval = std::chrono::seconds(5);

// A number with the digits a counter's reading has; "—" when there is none.
QString Number(double v, int digits = 12) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    return QString::number(v, 'g', digits);
}

void SetText(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

// A label whose text changes with the stream: plain text in a fixed box, so
// that a new text repaints the label alone instead of laying out the whole
// window again, and drawn as a plain line of text (a selectable label lays
// its text out as a document at every paint; selection is switched on while
// the window is paused, when the values hold still to be copied).
QLabel* ValueLabel(const char* objectName, int width) {
    // As tall as a line with Chinese characters, which the fallback font draws taller.
    auto* label = new QLabel(QStringLiteral("记录 (Ag) 行"));
    label->setObjectName(QLatin1String(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setFixedSize(width, label->sizeHint().height() + 2);
    label->setAutoFillBackground(true);  // repaints itself alone, not its parent beneath it
    label->setText(QStringLiteral("—"));
    return label;
}

// Draws a cell of the Allan deviation table as one line of plain text: the
// table changes every second, and the style's item drawing lays every cell's
// text out again for each repaint.
class PlainCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        if (selected) painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int pad = option.fontMetrics.horizontalAdvance(QLatin1Char(' '));
        painter->drawText(option.rect.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
    }
};

QChart* PlainChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    return chart;
}

double Seconds(SteadyTime later, SteadyTime earlier) {
    return std::chrono::duration<double>(later - earlier).count();
}

// The whole decades around [low, high], for a log axis that stays put while
// the values wander inside them.
std::pair<double, double> Decades(double low, double high) {
    return {std::pow(10.0, std::floor(std::log10(low))), std::pow(10.0, std::ceil(std::log10(high) + 1e-12))};
}

}  // namespace

// What a Save as CSV ended with, told by the worker.
struct SaveOutcome {
    uint64_t rows = 0;
    bool cancelled = false;
    QString error;  // the file's error; empty when written
};

struct ReadingsWindow::Save {
    QString path;
    QFutureWatcher<SaveOutcome> watcher;
};

namespace {

// Runs on a worker: the rows of every reading in the snapshot, then the file
// closed. Told to stop, it stops between batches and leaves what it wrote.
void WriteSnapshot(QPromise<SaveOutcome>& promise, std::shared_ptr<const ReadingSnapshot> snapshot,
                   std::shared_ptr<QFile> file) {
    SaveOutcome outcome;
    std::string out(kCsvHeader);
    const std::size_t size = snapshot->Size();
    const SteadyTime origin = size > 0 ? snapshot->At(0).steady : SteadyTime{};
    promise.setProgressRange(0, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    for (std::size_t i = 0;;) {
        const bool end = i == size;
        if (end || out.size() >= kSaveBatch) {
            if (file->write(out.data(), static_cast<qint64>(out.size())) != static_cast<qint64>(out.size())) {
                outcome.error = file->errorString();
                break;
            }
            out.clear();
            promise.setProgressValue(static_cast<int>(std::min<std::size_t>(i, INT_MAX)));
            if (end) break;
            if (promise.isCanceled()) {
                outcome.cancelled = true;
                break;
            }
        }
        AppendCsvRow(out, snapshot->At(i), origin);
        ++i;
        ++outcome.rows;
    }
    if (outcome.error.isEmpty() && !file->flush()) outcome.error = file->errorString();
    file->close();
    promise.addResult(outcome);
}

}  // namespace

ReadingsWindow::ReadingsWindow(ReadingsRecord& record, QWidget* parent) : QWidget(parent, Qt::Window), record_(record) {
    setObjectName(QStringLiteral("frmReadings"));
    setWindowTitle(QStringLiteral("读数 (Readings)"));
    Build();
    redraw_ = new QTimer(this);
    redraw_->setInterval(kRedrawMs);
    connect(redraw_, &QTimer::timeout, this, &ReadingsWindow::RefreshTrend);
    slowTimer_ = new QTimer(this);
    slowTimer_->setInterval(kSlowMs);
    connect(slowTimer_, &QTimer::timeout, this, [this] {
        Refresh();
        RefreshAdev();
    });
    connect(&record_, &ReadingsRecord::recordingChanged, this, &ReadingsWindow::ShowRecordingState);
    resize(900, 640);
}

ReadingsWindow::~ReadingsWindow() {
    // The worker writes a file this window named: it ends before the window.
    if (save_ != nullptr) {
        save_->watcher.disconnect();
        save_->watcher.future().cancel();
        save_->watcher.waitForFinished();
    }
}

void ReadingsWindow::Build() {
    auto* layout = new QVBoxLayout(this);

    // The trend of the current series.
    trendPanel_ = new view::TrendPanel;
    trendPlot_ = trendPanel_->Plot();
    NewTrend();

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
    adevSeries_->setPointsVisible(true);
    adevSeries_->setMarkerSize(5);
    adev->addSeries(adevSeries_);
    adevX_ = new QLogValueAxis;
    adevX_->setTitleText(QStringLiteral("τ (s)"));
    adevX_->setLabelFormat(QStringLiteral("%g"));
    adevY_ = new QLogValueAxis;
    adevY_->setTitleText(QStringLiteral("Allan 偏差 σy(τ)"));
    adevY_->setLabelFormat(QStringLiteral("%.0e"));
    adev->addAxis(adevX_, Qt::AlignBottom);
    adev->addAxis(adevY_, Qt::AlignLeft);
    adevSeries_->attachAxis(adevX_);
    adevSeries_->attachAxis(adevY_);
    adevView_ = new QChartView(adev);
    adevView_->setObjectName(QStringLiteral("chtAdev"));
    // The point markers reach beyond the line's own area: a partial update
    // would leave old markers behind. The chart changes seldom enough to be
    // repainted whole.
    adevView_->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    adevTable_ = new QTableWidget(0, 3);
    adevTable_->setObjectName(QStringLiteral("tblAdev"));
    adevTable_->setHorizontalHeaderLabels(
        {QStringLiteral("τ (s)"), QStringLiteral("项数 (Terms)"), QStringLiteral("ADEV")});
    adevTable_->verticalHeader()->hide();
    adevTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    adevTable_->setItemDelegate(new PlainCellDelegate(adevTable_));
    // Columns as wide as their widest text, measured once: measuring the
    // contents at every change would lay the table out again each second.
    QHeaderView* header = adevTable_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics metrics(adevTable_->font());
    const QFontMetrics headerMetrics(header->font());
    const int pad = 2 * metrics.horizontalAdvance(QLatin1Char(' ')) + 6;
    const auto fit = [&](const QString& widest, const QString& title) {
        return std::max(metrics.horizontalAdvance(widest), headerMetrics.horizontalAdvance(title)) + pad;
    };
    const int widths[] = {fit(QStringLiteral("0.0001234"), QStringLiteral("τ (s)")),
                          fit(QStringLiteral("1000000"), QStringLiteral("项数 (Terms)")),
                          fit(QStringLiteral("1.234e-10"), QStringLiteral("ADEV"))};
    header->resizeSection(0, widths[0]);
    header->resizeSection(1, widths[1]);
    // Room for the three columns and the scroll bar, so none is cut off.
    adevTable_->setMinimumWidth(widths[0] + widths[1] + widths[2] + 2 * adevTable_->frameWidth() +
                                adevTable_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    adevTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header->setStretchLastSection(true);

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
    // The state and the file, set when they change; the row count, which
    // changes every second, apart in a box of its own with digits only.
    recordingLabel_ = new QLabel;
    recordingLabel_->setObjectName(QStringLiteral("lblRecording"));
    recordingLabel_->setTextFormat(Qt::PlainText);
    rowsLabel_ = ValueLabel("lblRecordingRows", QFontMetrics(font()).horizontalAdvance(QStringLiteral("000000000")));
    rowsLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rowsUnit_ = new QLabel(QStringLiteral("行 (rows)"));
    saveLabel_ = ValueLabel("lblSave", 260);
    saveLabel_->clear();
    saveBar_ = new QProgressBar;
    saveBar_->setObjectName(QStringLiteral("barSave"));
    saveBar_->setMaximumWidth(160);
    saveBar_->hide();
    cancelSave_ = new QPushButton(QStringLiteral("取消 (Cancel)"));
    cancelSave_->setObjectName(QStringLiteral("cmdCancelSave"));
    cancelSave_->hide();
    buttons->addWidget(clear);
    buttons->addWidget(pause_);
    buttons->addWidget(save);
    buttons->addWidget(saveBar_);
    buttons->addWidget(cancelSave_);
    buttons->addWidget(saveLabel_);
    buttons->addStretch(1);
    buttons->addWidget(recordingLabel_);
    buttons->addWidget(rowsLabel_);
    buttons->addWidget(rowsUnit_);

    layout->addWidget(trendPanel_, 3);
    layout->addLayout(lower, 2);
    layout->addLayout(buttons);

    connect(clear, &QPushButton::clicked, this, &ReadingsWindow::Clear);
    connect(cancelSave_, &QPushButton::clicked, this, &ReadingsWindow::CancelSave);
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        // Frozen values can be selected and copied.
        const auto flags = paused ? Qt::TextSelectableByMouse : Qt::NoTextInteraction;
        seriesLabel_->setTextInteractionFlags(flags);
        for (QLabel* value : statValues_) value->setTextInteractionFlags(flags);
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
    slowTimer_->start();
    Refresh();
    RefreshAdev();
}

void ReadingsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    redraw_->stop();
    slowTimer_->stop();
}

void ReadingsWindow::NewTrend() {
    // A new object: the plot may still hold the old series while it is replaced.
    trend_ = std::make_shared<TrendSource>();
    // As many as the record holds: a series that runs for days stays bounded.
    trend_->SetCapacity(ReadingStore::kCapacity);
    const QString unit = haveKey_ ? Utf8(UnitText(key_.unit)) : QString();
    const QString function = haveKey_ ? Utf8(key_.function) : QString();
    trend_->SetUnit(haveKey_ ? key_.unit : Unit::None);
    trend_->SetName((QStringLiteral("实时 (live) ") + function).trimmed().toStdString());
    trendPanel_->SetSeriesUnit(trend_->GetUnit());
    trendPlot_->SetValueName(function, unit);
    trendPlot_->SetTitle(haveKey_ ? QStringLiteral("趋势 (Trend): %1").arg(function) : QStringLiteral("趋势 (Trend)"));
    trendPlot_->SetLive(trend_);
}

void ReadingsWindow::Clear() {
    record_.store().Clear();
    haveKey_ = false;
    NewTrend();
    ++trendVersion_;
    Refresh();
    RefreshAdev();
}

void ReadingsWindow::Refresh() {
    ShowRecordingState();
    if (pause_->isChecked()) return;
    RefreshTrend();
    ShowStatistics();
}

void ReadingsWindow::RefreshTrend() {
    if (pause_->isChecked()) return;
    const ReadingStore& store = record_.store();

    // Take the readings that arrived since the last redraw into the trend; a
    // new series (another function or unit, or a Clear) starts it afresh.
    const SeriesKey key = store.CurrentKey();
    if (!store.HasSeries()) {
        if (haveKey_) {
            haveKey_ = false;
            NewTrend();
            ++trendVersion_;
        }
    } else {
        if (!haveKey_ || !(key == key_) || clearSeq_ != store.ClearSeq()) {
            key_ = key;
            haveKey_ = true;
            clearSeq_ = store.ClearSeq();
            nextSeq_ = clearSeq_;
            NewTrend();
            ++trendVersion_;
        }
        for (std::size_t i = store.IndexOfSeq(nextSeq_); i < store.Size(); ++i) {
            const ReadingView r = store.At(i);
            if (!r.has_value || r.unit != key_.unit || r.function != key_.function) continue;
            if (trend_->Empty()) {
                origin_ = r.steady;
                trend_->SetClockOrigin(r.time);
            }
            trend_->Append(Seconds(r.steady, origin_), r.value);
            ++trendVersion_;
        }
        nextSeq_ = store.NextSeq();
    }

    // The trend: the plot repaints the pixel columns that changed.
    if (trendVersion_ == drawnVersion_) return;
    drawnVersion_ = trendVersion_;
    trendPlot_->Refresh();
}

void ReadingsWindow::ShowStatistics() {
    // Kept by the record for every reading.
    const Stats s = record_.store().CurrentStats();
    const QString unit = haveKey_ ? Utf8(UnitText(key_.unit)) : QString();
    const auto withUnit = [&unit](const QString& number) {
        return unit.isEmpty() || number == QStringLiteral("—") ? number : number + QLatin1Char(' ') + unit;
    };
    const bool any = haveKey_ && s.count > 0;
    SetText(seriesLabel_, haveKey_ ? Utf8(key_.function) + (unit.isEmpty() ? QString() : QStringLiteral(", ") + unit)
                                   : QStringLiteral("—"));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SetText(statValues_[0], QString::number(any ? s.count : 0));
    SetText(statValues_[1], withUnit(Number(any ? s.mean : nan)));
    SetText(statValues_[2], withUnit(Number(any && s.count > 1 ? s.std_dev : nan, 4)));
    SetText(statValues_[3], withUnit(Number(any ? s.min : nan)));
    SetText(statValues_[4], withUnit(Number(any ? s.max : nan)));
    SetText(statValues_[5], withUnit(Number(any ? s.span : nan, 6)));
    SetText(statValues_[6], Number(any && s.count > 1 ? s.ppm : nan, 4));
}

void ReadingsWindow::RefreshAdev() {
    if (pause_->isChecked()) return;
    // Kept up to date by the record as readings arrive, from the exact
    // decimals, so reading it is cheap.
    const std::vector<AdevPoint> points = record_.store().CurrentAdev();

    // The table: rows made once, texts set only where they changed.
    const int rows = static_cast<int>(points.size());
    const int had = adevTable_->rowCount();
    if (rows != had) adevTable_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const AdevPoint& p = points[static_cast<std::size_t>(row)];
        const QString texts[] = {Number(p.tau, 4), QString::number(p.terms), Number(p.adev, 4)};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem* item = row < had ? adevTable_->item(row, column) : nullptr;
            if (item == nullptr) {
                adevTable_->setItem(row, column, new QTableWidgetItem(texts[column]));
            } else if (item->text() != texts[column]) {
                item->setText(texts[column]);
            }
        }
    }
    ShowAdevChart(points);
}

void ReadingsWindow::ShowAdevChart(const std::vector<AdevPoint>& points) {
    const SteadyTime now = std::chrono::steady_clock::now();
    bool moved = points.size() != chartedAdev_.size();
    for (std::size_t i = 0; !moved && now - chartedAt_ >= kAdevChartInterval && i < points.size(); ++i) {
        const AdevPoint& a = points[i];
        const AdevPoint& b = chartedAdev_[i];
        moved = std::abs(a.tau - b.tau) > kAdevRedrawFraction * std::abs(b.tau) ||
                std::abs(a.adev - b.adev) > kAdevRedrawFraction * std::abs(b.adev) ||
                std::isfinite(a.adev) != std::isfinite(b.adev);
    }
    if (!moved) return;
    chartedAdev_ = points;
    chartedAt_ = now;
    QList<QPointF> curve;
    double lowT = 0, highT = 0, lowA = 0, highA = 0;
    for (const AdevPoint& p : points) {
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
    if (curve.isEmpty()) return;
    // Whole decades: the axes (and their labels) change only when the curve leaves them.
    const auto [left, right] = Decades(lowT / 1.5, highT * 1.5);
    const auto [bottom, top] = Decades(lowA / 1.5, highA * 1.5);
    if (adevX_->min() != left || adevX_->max() != right) adevX_->setRange(left, right);
    if (adevY_->min() != bottom || adevY_->max() != top) adevY_->setRange(bottom, top);
}

void ReadingsWindow::ShowRecordingState() {
    const CsvRecorder& r = record_.recorder();
    QString text;
    if (r.IsOpen()) {
        if (recordingPath_ != r.Path()) {
            recordingPath_ = r.Path();
            recordingName_ = QFileInfo(Utf8(recordingPath_)).fileName();
        }
        text = QStringLiteral("记录中 (Recording): %1,").arg(recordingName_);
        SetText(rowsLabel_, QString::number(r.RowsWritten() + r.RowsPending()));
    } else if (!r.Error().empty()) {
        text = QStringLiteral("记录已停止 (Recording stopped): ") + Utf8(r.Error());
    } else {
        text = QStringLiteral("未记录 (Not recording)");
    }
    SetText(recordingLabel_, text);
    rowsLabel_->setVisible(r.IsOpen());
    rowsUnit_->setVisible(r.IsOpen());
}

bool ReadingsWindow::SaveAs(const QString& path) {
    if (save_ != nullptr) return false;
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        saveLabel_->setText(QStringLiteral("不能保存 (Cannot save) %1: %2").arg(path, file->errorString()));
        return false;
    }
    // The readings held now; the record goes on taking readings meanwhile.
    auto snapshot = std::make_shared<const ReadingSnapshot>(record_.store().Snapshot());
    const int rows = static_cast<int>(std::min<std::size_t>(snapshot->Size(), INT_MAX));
    save_ = std::make_unique<Save>();
    save_->path = path;
    connect(&save_->watcher, &QFutureWatcher<SaveOutcome>::progressRangeChanged, saveBar_, &QProgressBar::setRange);
    connect(&save_->watcher, &QFutureWatcher<SaveOutcome>::progressValueChanged, saveBar_, &QProgressBar::setValue);
    connect(&save_->watcher, &QFutureWatcher<SaveOutcome>::finished, this, &ReadingsWindow::FinishSave);
    save_->watcher.setFuture(QtConcurrent::run(WriteSnapshot, std::move(snapshot), std::move(file)));
    saveBar_->setRange(0, rows);
    saveBar_->setValue(0);
    saveBar_->show();
    cancelSave_->setEnabled(true);
    cancelSave_->show();
    saveLabel_->setText(QStringLiteral("保存中 (Saving)…"));
    return true;
}

void ReadingsWindow::CancelSave() {
    if (save_ == nullptr) return;
    cancelSave_->setEnabled(false);
    save_->watcher.future().cancel();
}

void ReadingsWindow::FinishSave() {
    const QFuture<SaveOutcome> future = save_->watcher.future();
    const SaveOutcome outcome = future.resultCount() > 0 ? future.result() : SaveOutcome{0, true, {}};
    const QString name = QFileInfo(save_->path).fileName();
    QString message;
    if (!outcome.error.isEmpty()) {
        message = QStringLiteral("不能保存 (Cannot save) %1: %2").arg(save_->path, outcome.error);
    } else if (outcome.cancelled) {
        message = QStringLiteral("已取消 (Cancelled): %1 行 (rows) → %2").arg(outcome.rows).arg(name);
    } else {
        message = QStringLiteral("已保存 (Saved) %1 行 (rows) → %2").arg(outcome.rows).arg(name);
    }
    saveBar_->hide();
    cancelSave_->hide();
    saveLabel_->setText(message);
    save_.reset();
}

}  // namespace kt
