#include "view/stability_panel.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "measurements/deviation_csv.h"
#include "view/stability_plot.h"

namespace kt::view {

namespace {

constexpr auto kLiveMin = std::chrono::seconds(1);
constexpr auto kLiveMax = std::chrono::seconds(10);
// The analysis takes at most 5 % of one core on average. One analysis of a
// record costs a fifth more or less than the one before it (the caches and
// the memory's bandwidth are shared with the event thread), so the next one
// is planned for 4 %.
constexpr double kCpuShare = 0.04;

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Number(double v, int digits = 4) {
    if (!std::isfinite(v)) return QStringLiteral("—");
    return QString::number(v, 'g', digits);
}

// Distinct on white, the live series first.
const QColor kColours[] = {QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),
                           QColor(255, 127, 14), QColor(148, 103, 189), QColor(140, 86, 75),
                           QColor(227, 119, 194), QColor(23, 190, 207), QColor(127, 127, 127)};

QString ValueTitle(Deviation d) {
    switch (d) {
    case Deviation::Adev: return QStringLiteral("Allan σy(τ)");
    case Deviation::Oadev: return QStringLiteral("overlapping Allan σy(τ)");
    case Deviation::Mdev: return QStringLiteral("modified Allan Mod σy(τ)");
    case Deviation::Tdev: return QStringLiteral("time deviation σx(τ) (s)");
    case Deviation::Hdev: return QStringLiteral("Hadamard Hσy(τ)");
    case Deviation::Ohdev: return QStringLiteral("overlapping Hadamard Hσy(τ)");
    case Deviation::Totdev: return QStringLiteral("total Tot σy(τ)");
    }
    return {};
}

QString CountText(std::size_t n) { return QString::number(static_cast<qulonglong>(n)); }

}  // namespace

StabilityPanel::StabilityPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlStability"));
    Trace live;
    live.name = QStringLiteral("实时 (Live)");
    live.live = true;
    live.colour = kColours[0];
    live.worker = new AnalysisWorker(this);
    connect(live.worker, &AnalysisWorker::finished, this,
            [this, w = live.worker](const AnalysisResult& r) { OnResult(w, r); });
    traces_.push_back(std::move(live));
    Build();
    connect(&fileWatcher_, &QFutureWatcher<std::shared_ptr<DataFile>>::finished, this, &StabilityPanel::OnFileRead);
    ShowTraces();
    ShowTable();
    ShowDrift();
}

StabilityPanel::~StabilityPanel() { readingState_->cancel = true; }

void StabilityPanel::Build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* controls = new QHBoxLayout;
    deviation_ = new QComboBox;
    deviation_->setObjectName(QStringLiteral("cmbDeviation"));
    for (Deviation d : kAllDeviations) deviation_->addItem(Utf8(DeviationName(d)), static_cast<int>(d));
    deviation_->setCurrentIndex(static_cast<int>(Deviation::Oadev));
    taus_ = new QComboBox;
    taus_->setObjectName(QStringLiteral("cmbTaus"));
    for (TauSet t : {TauSet::Octave, TauSet::Decade, TauSet::All}) taus_->addItem(Utf8(TauSetName(t)), static_cast<int>(t));
    removeDrift_ = new QCheckBox(QStringLiteral("去漂移 (Remove drift)"));
    removeDrift_->setObjectName(QStringLiteral("chkRemoveDrift"));
    guides_ = new QCheckBox(QStringLiteral("噪声斜率 (Noise slopes)"));
    guides_->setObjectName(QStringLiteral("chkGuides"));
    auto* open = new QPushButton(QStringLiteral("打开记录 (Open recording)…"));
    open->setObjectName(QStringLiteral("cmdOpenRecording"));
    exportSize_ = new QComboBox;
    exportSize_->setObjectName(QStringLiteral("cmbExportSize"));
    exportSize_->addItem(QStringLiteral("as shown"), QSize());
    for (QSize s : {QSize(800, 600), QSize(1200, 800), QSize(1920, 1080)})
        exportSize_->addItem(QStringLiteral("%1 × %2").arg(s.width()).arg(s.height()), s);
    auto* png = new QPushButton(QStringLiteral("PNG…"));
    png->setObjectName(QStringLiteral("cmdExportPng"));
    auto* svg = new QPushButton(QStringLiteral("SVG…"));
    svg->setObjectName(QStringLiteral("cmdExportSvg"));
    controls->addWidget(new QLabel(QStringLiteral("偏差 (Deviation)")));
    controls->addWidget(deviation_);
    controls->addWidget(new QLabel(QStringLiteral("τ")));
    controls->addWidget(taus_);
    controls->addWidget(removeDrift_);
    controls->addWidget(guides_);
    controls->addStretch(1);
    controls->addWidget(open);
    controls->addWidget(new QLabel(QStringLiteral("导出 (Export)")));
    controls->addWidget(exportSize_);
    controls->addWidget(png);
    controls->addWidget(svg);

    plot_ = new StabilityPlot;
    plot_->setObjectName(QStringLiteral("chtStability"));

    legend_ = new QListWidget;
    legend_->setObjectName(QStringLiteral("lstTraces"));
    legend_->setSelectionMode(QAbstractItemView::SingleSelection);
    legend_->setMaximumHeight(5 * legend_->fontMetrics().height() + 8);
    remove_ = new QPushButton(QStringLiteral("移除 (Remove)"));
    remove_->setObjectName(QStringLiteral("cmdRemoveTrace"));

    table_ = new QTableWidget(0, 6);
    table_->setObjectName(QStringLiteral("tblDeviation"));
    table_->setHorizontalHeaderLabels({QStringLiteral("τ (s)"), QStringLiteral("项数 (Terms)"), QStringLiteral("α"),
                                       QStringLiteral("下限 (Low)"), QStringLiteral("值 (Value)"),
                                       QStringLiteral("上限 (High)")});
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Columns fitted to their texts when the rows change, not at every
    // change of a cell: measuring every cell at each change of one would cost
    // milliseconds a second.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    auto* copy = new QPushButton(QStringLiteral("复制 (Copy)"));
    copy->setObjectName(QStringLiteral("cmdCopyTable"));
    auto* csv = new QPushButton(QStringLiteral("表格 CSV (Table CSV)…"));
    csv->setObjectName(QStringLiteral("cmdSaveTableCsv"));

    drift_ = new QLabel;
    drift_->setObjectName(QStringLiteral("lblDrift"));
    drift_->setTextFormat(Qt::PlainText);
    figures_ = new QLabel;
    figures_->setObjectName(QStringLiteral("lblFigures"));
    figures_->setTextFormat(Qt::PlainText);
    // Renewed with every result: a fixed box, repainted alone.
    figures_->setFixedSize(figures_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00 (10000000, τ0 0.0001 s)")) + 8,
                           figures_->fontMetrics().height() + 4);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* legendRow = new QHBoxLayout;
    legendRow->addWidget(legend_, 1);
    legendRow->addWidget(remove_, 0, Qt::AlignTop);
    sideLayout->addLayout(legendRow);
    sideLayout->addWidget(table_, 1);
    auto* tableRow = new QHBoxLayout;
    tableRow->addWidget(figures_, 1);
    tableRow->addWidget(copy);
    tableRow->addWidget(csv);
    sideLayout->addLayout(tableRow);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(plot_);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({560, 520});

    auto* status = new QHBoxLayout;
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(QStringLiteral("barOpen"));
    progressBar_->setRange(0, 1000);
    cancelButton_ = new QPushButton(QStringLiteral("取消 (Cancel)"));
    cancelButton_->setObjectName(QStringLiteral("cmdCancelOpen"));
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("lblStabilityMessage"));
    message_->setTextFormat(Qt::PlainText);
    status->addWidget(progressBar_);
    status->addWidget(cancelButton_);
    status->addWidget(message_, 1);
    progressBar_->hide();
    cancelButton_->hide();

    layout->addLayout(controls);
    layout->addWidget(split, 1);
    layout->addLayout(status);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this,
            [this] { progressBar_->setValue(static_cast<int>(readingState_->progress.load() * 1000)); });

    const auto changed = [this] { Reanalyse(); };
    connect(deviation_, &QComboBox::currentIndexChanged, this, changed);
    connect(taus_, &QComboBox::currentIndexChanged, this, changed);
    connect(removeDrift_, &QCheckBox::toggled, this, changed);
    connect(guides_, &QCheckBox::toggled, plot_, &StabilityPlot::SetGuides);
    connect(open, &QPushButton::clicked, this, [this] {
        auto* dialog = new QFileDialog(this, QStringLiteral("打开记录 (Open recording)"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setNameFilters({QStringLiteral("Recordings and data (*.csv *.tsv *.txt *.dat)"),
                                QStringLiteral("All files (*)")});
        connect(dialog, &QFileDialog::filesSelected, this, &StabilityPanel::OpenFiles);
        dialog->open();
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        readingState_->cancel = true;
        toOpen_.clear();
    });
    connect(legend_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) Choose(row);
    });
    connect(legend_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        SetTraceVisible(legend_->row(item), item->checkState() == Qt::Checked);
    });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveTrace(chosen_); });
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(TableText()); });
    connect(csv, &QPushButton::clicked, this, &StabilityPanel::SaveTableCsv);
    connect(png, &QPushButton::clicked, this, [this] { Export(false); });
    connect(svg, &QPushButton::clicked, this, [this] { Export(true); });
}

SeriesAnalysisOptions StabilityPanel::Options() const {
    SeriesAnalysisOptions o;
    o.deviation = static_cast<Deviation>(deviation_->currentData().toInt());
    o.taus = static_cast<TauSet>(taus_->currentData().toInt());
    o.remove_drift = removeDrift_->isChecked();
    return o;
}

bool StabilityPanel::LiveDue(std::chrono::steady_clock::time_point now) const {
    // Not while one runs: a series that takes longer than a second to analyse
    // would otherwise have each result replaced before it is shown.
    if (traces_[0].worker->Busy()) return false;
    return now - liveAsked_ >= liveInterval_ - std::chrono::milliseconds(50);
}

void StabilityPanel::AnalyseLive(std::function<LiveSeriesSource()> take) {
    liveAsked_ = std::chrono::steady_clock::now();
    traces_[0].live_source = std::move(take);
    Request(traces_[0]);
}

void StabilityPanel::ClearLive() {
    Trace& live = traces_[0];
    live.live_source = nullptr;
    liveStale_ = live.worker->LastRequest();
    live.analysed = false;
    live.analysis = {};
    liveAsked_ = {};
    ShowTraces();
    if (chosen_ == 0) {
        ShowTable();
        ShowDrift();
    }
}

void StabilityPanel::Request(Trace& trace) {
    SeriesAnalysisOptions o = Options();
    o.tau0 = trace.tau0;
    if (trace.live_source) {
        trace.worker->Request([source = trace.live_source(), o] {
            // The buffer (eight bytes a reading) lives as long as the analysis:
            // between two analyses of ten million readings, ten seconds apart,
            // the window holds no more than the record and the trend. Made anew
            // it costs a twentieth to a tenth of the analysis, in page faults.
            DeviationBuffers buffers;
            return AnalyseLiveReadings(source, o, buffers);
        });
    } else if (trace.data) {
        trace.worker->Request([data = trace.data, o] { return AnalyseDataSeries(*data, o); });
    }
}

void StabilityPanel::Reanalyse() {
    for (Trace& t : traces_) Request(t);
    plot_->SetTitles(QStringLiteral("%1 (%2)").arg(deviation_->currentText(), taus_->currentText()),
                     ValueTitle(Options().deviation));
}

Trace* StabilityPanel::FindByWorker(AnalysisWorker* worker) {
    for (Trace& t : traces_)
        if (t.worker == worker) return &t;
    return nullptr;
}

void StabilityPanel::OnResult(AnalysisWorker* worker, const AnalysisResult& result) {
    Trace* trace = FindByWorker(worker);
    if (trace == nullptr || (trace->live && result.request <= liveStale_)) {
        CheckIdle();
        return;
    }
    trace->analysis = result.analysis;
    trace->analysed = true;
    if (trace->live) {
        // The analysis is paced to kCpuShare of a core: refreshed less often
        // as it takes longer, but at least every kLiveMax. What it
        // took of the processor counts (the wall time where that is not told:
        // on a busy machine it is the longer).
        const double cost = result.analysis.cpu_seconds >= 0.0 ? result.analysis.cpu_seconds : result.analysis.seconds;
        const auto took = std::chrono::duration<double>(cost / kCpuShare);
        liveInterval_ = std::clamp(std::chrono::duration_cast<std::chrono::steady_clock::duration>(took),
                                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(kLiveMin),
                                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(kLiveMax));
        figuresTime_ = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    }
    ShowTraces();
    if (trace == &traces_[static_cast<std::size_t>(chosen_)]) {
        ShowTable();
        ShowDrift();
    }
    CheckIdle();
}

void StabilityPanel::ShowTraces() {
    std::vector<PlotCurve> curves;
    const QSignalBlocker block(legend_);
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        Trace& t = traces_[i];
        const std::size_t count = t.analysed ? t.analysis.count : t.data ? t.data->stats.count : 0;
        const QString function = t.data ? Utf8(t.data->function) : t.analysed ? Utf8(t.analysis.function) : QString();
        t.label = t.name + (function.isEmpty() ? QString() : QStringLiteral(", ") + function) + QStringLiteral(", ") +
                  CountText(count);
        if (legend_->count() <= static_cast<int>(i)) {
            auto* item = new QListWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            QPixmap swatch(12, 12);
            swatch.fill(t.colour);
            item->setIcon(QIcon(swatch));
            legend_->addItem(item);
        }
        QListWidgetItem* item = legend_->item(static_cast<int>(i));
        if (item->text() != t.label) item->setText(t.label);
        item->setCheckState(t.visible ? Qt::Checked : Qt::Unchecked);
        if (t.visible && t.analysed) curves.push_back({t.label, t.colour, t.analysis.points});
    }
    legend_->setCurrentRow(chosen_);
    remove_->setEnabled(chosen_ > 0);
    plot_->SetCurves(std::move(curves));
    if (plot_->Title().isEmpty())
        plot_->SetTitles(QStringLiteral("%1 (%2)").arg(deviation_->currentText(), taus_->currentText()),
                         ValueTitle(Options().deviation));
}

void StabilityPanel::ShowTable() {
    const Trace& t = traces_[static_cast<std::size_t>(chosen_)];
    const std::vector<DevPoint> none;
    const std::vector<DevPoint>& points = t.analysed ? t.analysis.points : none;
    const int rows = static_cast<int>(points.size());
    const bool resized = table_->rowCount() != rows;
    if (resized) table_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const DevPoint& p = points[static_cast<std::size_t>(row)];
        const QString noise = Utf8(NoiseName(p.alpha));
        const QString texts[] = {Number(p.tau, 6),
                                 QString::number(static_cast<qulonglong>(p.terms)),
                                 QString::number(p.alpha) + (noise.isEmpty() ? QString() : QStringLiteral(" ") + noise),
                                 Number(p.low),
                                 Number(p.value),
                                 Number(p.high)};
        for (int column = 0; column < 6; ++column) {
            QTableWidgetItem* item = table_->item(row, column);
            if (item == nullptr) table_->setItem(row, column, new QTableWidgetItem(texts[column]));
            else if (item->text() != texts[column]) item->setText(texts[column]);
        }
    }
    if (resized) {
        // Each column as wide as its widest text or its title, measured with
        // the font: asking the view to fit them would lay out every cell's
        // text again, milliseconds at each new number of rows. The margin is
        // the item's (the focus frame's and a pixel each side) and the grid's.
        const QFontMetrics fm(table_->font());
        const int margin = 2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1) +
                           (table_->showGrid() ? 1 : 0);
        QHeaderView* header = table_->horizontalHeader();
        for (int column = 0; column < 6; ++column) {
            int width = header->sectionSizeHint(column);
            for (int row = 0; row < rows; ++row)
                width = std::max(width, fm.horizontalAdvance(table_->item(row, column)->text()) + margin);
            if (header->sectionSize(column) != width) table_->setColumnWidth(column, width);
        }
    }
}

void StabilityPanel::ShowDrift() {
    const Trace& t = traces_[static_cast<std::size_t>(chosen_)];
    if (!t.analysed || !t.analysis.drift.valid) {
        drift_->setText(QStringLiteral("—"));
        figures_->setText(t.live && t.analysed ? QStringLiteral("%1 (%2)").arg(figuresTime_, CountText(t.analysis.count))
                                               : QString());
        return;
    }
    const SeriesAnalysis& a = t.analysis;
    const QString unit = Utf8(UnitText(a.unit));
    QString text = QStringLiteral("%1 ± %2 /day").arg(Number(a.drift_per_day, 3), Number(a.drift_per_day_se, 2));
    if (!unit.isEmpty())
        text += QStringLiteral(", %1 ± %2 %3/s").arg(Number(a.drift_unit_per_s, 3), Number(a.drift_unit_per_s_se, 2), unit);
    // The Hadamard deviations ignore a linear drift by their construction.
    if (a.drift_removed) text += IsHadamard(Options().deviation) ? QStringLiteral(" (removed; Hadamard ignores it)")
                                                                 : QStringLiteral(" (removed)");
    if (a.gaps.gaps > 0)
        text += QStringLiteral("; %1 gaps, longest %2 readings").arg(a.gaps.gaps).arg(a.gaps.longest);
    drift_->setText(text);
    const QString count = CountText(a.count);
    figures_->setText(t.live ? QStringLiteral("%1 (%2, τ0 %3 s)").arg(figuresTime_, count, Number(a.tau0))
                             : QStringLiteral("%1, τ0 %2 s").arg(count, Number(a.tau0)));
}

void StabilityPanel::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(traces_.size())) return;
    if (index != chosen_) {
        chosen_ = index;
        ShowTraces();
        ShowTable();
        ShowDrift();
        emit traceChosen(index);
    }
}

void StabilityPanel::RemoveTrace(int index) {
    if (index <= 0 || index >= static_cast<int>(traces_.size())) return;  // the live series stays
    Trace& t = traces_[static_cast<std::size_t>(index)];
    t.worker->disconnect(this);
    t.worker->deleteLater();
    traces_.erase(traces_.begin() + index);
    {
        const QSignalBlocker block(legend_);
        delete legend_->takeItem(index);
    }
    if (chosen_ >= index) {
        chosen_ = chosen_ == index ? 0 : chosen_ - 1;
        emit traceChosen(chosen_);
    }
    ShowTraces();
    ShowTable();
    ShowDrift();
    CheckIdle();
}

void StabilityPanel::SetTraceVisible(int index, bool visible) {
    if (index < 0 || index >= static_cast<int>(traces_.size())) return;
    if (traces_[static_cast<std::size_t>(index)].visible == visible) return;
    traces_[static_cast<std::size_t>(index)].visible = visible;
    ShowTraces();
}

QString StabilityPanel::TableText() const {
    QString text = QStringLiteral("tau_s\tterms\talpha\tnoise\tlow\tvalue\thigh\n");
    const Trace& t = traces_[static_cast<std::size_t>(chosen_)];
    if (!t.analysed) return text;
    for (const DevPoint& p : t.analysis.points) {
        const auto n = [](double v) { return std::isfinite(v) ? QString::number(v, 'g', 12) : QString(); };
        text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\n")
                    .arg(n(p.tau), QString::number(static_cast<qulonglong>(p.terms)), QString::number(p.alpha),
                         Utf8(NoiseName(p.alpha)), n(p.low), n(p.value), n(p.high));
    }
    return text;
}

std::string StabilityPanel::TableCsv() const {
    std::string out(kDeviationCsvHeader);
    const Trace& t = traces_[static_cast<std::size_t>(chosen_)];
    if (!t.analysed) return out;
    // A file's own unit text (a ratio's is empty); the live series' from its unit.
    const std::string unit = t.data ? t.data->unit : std::string(UnitText(t.analysis.unit));
    for (const DevPoint& p : t.analysis.points)
        AppendDeviationCsvRow(out, t.analysis.function, unit, Options().deviation, p);
    return out;
}

QSize StabilityPanel::ExportSize() const { return exportSize_->currentData().toSize(); }

void StabilityPanel::Export(bool svg) {
    auto* dialog = new QFileDialog(this, svg ? QStringLiteral("SVG") : QStringLiteral("PNG"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(svg ? QStringLiteral("SVG (*.svg)") : QStringLiteral("PNG (*.png)"));
    dialog->setDefaultSuffix(svg ? QStringLiteral("svg") : QStringLiteral("png"));
    connect(dialog, &QFileDialog::fileSelected, this, [this, svg](const QString& path) {
        const bool ok = svg ? plot_->SaveSvg(path, ExportSize()) : plot_->SavePng(path, ExportSize());
        message_->setText(ok ? QStringLiteral("已保存 (Saved) %1").arg(QFileInfo(path).fileName())
                             : QStringLiteral("不能保存 (Cannot save) %1").arg(path));
    });
    dialog->open();
}

void StabilityPanel::SaveTableCsv() {
    auto* dialog = new QFileDialog(this, QStringLiteral("表格 CSV (Table CSV)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        QFile file(path);
        const std::string csv = TableCsv();
        const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                        file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size()) &&
                        file.flush();
        message_->setText(ok ? QStringLiteral("已保存 (Saved) %1").arg(QFileInfo(path).fileName())
                             : QStringLiteral("不能保存 (Cannot save) %1: %2").arg(path, file.errorString()));
    });
    dialog->open();
}

// ---------------------------------------------------------------- opening files

void StabilityPanel::OpenFiles(const QStringList& paths) {
    toOpen_ += paths;
    if (fileWatcher_.isRunning() || asking_ || !reading_.isEmpty()) return;
    told_.clear();  // a new batch: what was said of the last one goes
    message_->clear();
    StartNextFile();
}

void StabilityPanel::Tell(const QString& text) {
    // Every file of a batch that could not be opened stays named.
    told_ << text;
    message_->setText(told_.join(QStringLiteral("; ")));
}

void StabilityPanel::StartNextFile() {
    reading_.clear();
    if (toOpen_.isEmpty()) {
        progressTimer_->stop();
        progressBar_->hide();
        cancelButton_->hide();
        CheckIdle();
        return;
    }
    reading_ = toOpen_.takeFirst();
    // A fresh flag for each file: a reading cancelled late may still be
    // looking at the one before.
    readingState_ = std::make_shared<Reading>();
    progressBar_->setValue(0);
    progressBar_->show();
    cancelButton_->show();
    progressTimer_->start();
    progressBar_->setFormat(QFileInfo(reading_).fileName() + QStringLiteral(" %p%"));
    const std::string path = QFile::encodeName(reading_).toStdString();
    const double size = std::max<double>(1.0, static_cast<double>(QFileInfo(reading_).size()));
    fileWatcher_.setFuture(QtConcurrent::run([path, size, state = readingState_] {
        auto file = std::make_shared<DataFile>();
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            file->status = DataFileStatus::Unreadable;
            file->error = "cannot be opened";
            return file;
        }
        DataFileOptions options;
        options.progress = [size, state](uint64_t bytes) {
            state->progress.store(static_cast<double>(bytes) / size, std::memory_order_relaxed);
            return !state->cancel.load(std::memory_order_relaxed);
        };
        *file = ReadDataFile(in, options);
        return file;
    }));
}

void StabilityPanel::OnFileRead() {
    const std::shared_ptr<DataFile> read = fileWatcher_.result();
    const DataFile& file = *read;
    const QString name = QFileInfo(reading_).fileName();
    bool needsTau0 = false;
    for (const DataSeries& s : file.series) needsTau0 = needsTau0 || !std::isfinite(s.tau0);
    if (file.status == DataFileStatus::Cancelled) {
        Tell(QStringLiteral("已取消 (Cancelled) %1").arg(name));
    } else if (file.status != DataFileStatus::Ok) {
        const QString where = file.error_line > 0 ? QStringLiteral("line %1: ").arg(file.error_line) : QString();
        Tell(QStringLiteral("不能打开 (Cannot open) %1: %2%3").arg(name, where, Utf8(file.error)));
    } else if (file.series.empty()) {
        Tell(QStringLiteral("不能打开 (Cannot open) %1: no readings").arg(name));
    } else if (needsTau0) {
        // A file of values alone: its spacing is asked, without blocking the window.
        asking_ = true;
        auto* ask = new QInputDialog(this);
        ask->setAttribute(Qt::WA_DeleteOnClose);
        ask->setObjectName(QStringLiteral("dlgTau0"));
        ask->setWindowTitle(QStringLiteral("τ0"));
        ask->setLabelText(QStringLiteral("%1: 读数间隔 τ0 (s) (spacing of the values)").arg(name));
        ask->setInputMode(QInputDialog::DoubleInput);
        ask->setDoubleRange(1e-9, 1e9);
        ask->setDoubleDecimals(9);
        ask->setDoubleValue(1.0);
        connect(ask, &QInputDialog::doubleValueSelected, this, [this, name, read](double tau0) {
            AddTraces(name, read, tau0);
        });
        connect(ask, &QDialog::finished, this, [this] {
            asking_ = false;
            StartNextFile();
        });
        // The window goes on working while the question waits.
        ask->setModal(false);
        ask->show();
        return;
    } else {
        AddTraces(name, read, 0.0);
    }
    StartNextFile();
}

void StabilityPanel::AddTraces(const QString& name, const std::shared_ptr<DataFile>& file, double tau0) {
    QStringList problems;
    std::size_t added = 0;
    for (DataSeries& series : file->series) {
        if (!series.problem.empty()) {
            problems << (series.function.empty() ? Utf8(series.problem)
                                                 : Utf8(series.function) + QStringLiteral(": ") + Utf8(series.problem));
            continue;
        }
        ++added;
        Trace t;
        t.name = name;
        t.data = std::make_shared<const DataSeries>(std::move(series));
        t.tau0 = tau0;
        t.colour = kColours[static_cast<std::size_t>(nextColour_) % std::size(kColours)];
        ++nextColour_;
        t.worker = new AnalysisWorker(this);
        connect(t.worker, &AnalysisWorker::finished, this,
                [this, w = t.worker](const AnalysisResult& r) { OnResult(w, r); });
        traces_.push_back(std::move(t));
        Request(traces_.back());
    }
    if (!problems.isEmpty())
        Tell(QStringLiteral("%1: %2").arg(name, problems.join(QStringLiteral("; "))));
    // With no live series yet, the table and the trend show the first trace opened.
    const bool liveEmpty = !traces_[0].analysed || traces_[0].analysis.count == 0;
    if (chosen_ == 0 && liveEmpty && added > 0) Choose(static_cast<int>(traces_.size() - added));
    ShowTraces();
}

bool StabilityPanel::Idle() const {
    if (fileWatcher_.isRunning() || asking_ || !reading_.isEmpty() || !toOpen_.isEmpty()) return false;
    for (const Trace& t : traces_)
        if (t.worker->Busy()) return false;
    return true;
}

void StabilityPanel::CheckIdle() {
    if (Idle()) emit idle();
}

}  // namespace kt::view
