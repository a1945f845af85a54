// The stability workbench of the readings window: the deviation chosen (adev
// ... totdev) at the averaging factors chosen, drift removal, noise-slope
// guides; the chart with every point's interval as an error bar; the table of
// the chosen trace (tau, terms, alpha and noise, low, value, high), copied as
// tab-separated text or saved as the analyser's CSV; the drift from the fit;
// the live series and every opened recording as traces in their colours,
// each shown, hidden or removed in the legend list; the chart saved as PNG or
// SVG. Every analysis runs on a worker (AnalysisWorker); recordings are read
// on a worker with a progress bar and Cancel.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <QFutureWatcher>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "measurements/data_file.h"
#include "view/analysis_worker.h"
#include "view/stability_series.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kt::view {

class StabilityPlot;

struct Trace {
    QString name;      // file name, or 实时 (Live)
    QString label;     // legend: name, function, count
    bool live = false;
    bool visible = true;
    QColor colour;
    double tau0 = 0.0;  // given by the user for a file of values; 0: the file's own
    std::shared_ptr<const DataSeries> data;  // an opened file's series
    // The live series: a snapshot of the record taken for each analysis
    // (and let go with it, so that no snapshot holds readings the record has
    // dropped), read on the worker.
    std::function<LiveSeriesSource()> live_source;
    AnalysisWorker* worker = nullptr;
    bool analysed = false;
    SeriesAnalysis analysis;
};

class StabilityPanel : public QWidget {
    Q_OBJECT
public:
    explicit StabilityPanel(QWidget* parent = nullptr);
    ~StabilityPanel() override;

    // Whether the live series is due for a new analysis: once a second, less
    // often as the analysis takes longer (at most 5 % of one core), at least
    // every 10 s after the last one ended; never while one runs.
    bool LiveDue(std::chrono::steady_clock::time_point now) const;
    // Hands the live series to its worker (the newest request wins). take
    // gives the series as it is now; it runs on the event thread, at once and
    // whenever the chosen deviation or averaging factors change.
    void AnalyseLive(std::function<LiveSeriesSource()> take);
    // Forgets the live series' figures (a Clear or a new series).
    void ClearLive();

    // Reads the files one after the other on a worker and adds them as traces.
    void OpenFiles(const QStringList& paths);
    // Nothing is being read, asked or analysed.
    bool Idle() const;

    const std::deque<Trace>& Traces() const { return traces_; }
    // The trace the table shows (and the trend, when it is not the live one).
    int Chosen() const { return chosen_; }
    void Choose(int index);
    void RemoveTrace(int index);
    void SetTraceVisible(int index, bool visible);

    // The table as tab-separated text (with a header line), and as the
    // analyser's CSV.
    QString TableText() const;
    std::string TableCsv() const;
    StabilityPlot* plot() const { return plot_; }
    // The drift from the fit, in plain words: the readings window shows it
    // beside the statistics.
    QLabel* driftLabel() const { return drift_; }
    SeriesAnalysisOptions Options() const;

signals:
    // The trace chosen in the legend changed (index into Traces()).
    void traceChosen(int index);
    // Every request made so far has been answered.
    void idle();

private:
    void Build();
    void Reanalyse();
    void Request(Trace& trace);
    void OnResult(AnalysisWorker* worker, const AnalysisResult& result);
    void ShowTraces();
    void ShowTable();
    void ShowDrift();
    void StartNextFile();
    void OnFileRead();
    void AddTraces(const QString& name, const std::shared_ptr<DataFile>& file, double tau0);
    void Export(bool svg);
    void SaveTableCsv();
    QSize ExportSize() const;
    Trace* FindByWorker(AnalysisWorker* worker);
    void CheckIdle();
    // Adds a line to what the message says of the files being opened.
    void Tell(const QString& text);

    std::deque<Trace> traces_;  // [0] is the live series
    int chosen_ = 0;
    int nextColour_ = 1;
    std::chrono::steady_clock::duration liveInterval_ = std::chrono::seconds(1);
    std::chrono::steady_clock::time_point liveAsked_{};
    uint64_t liveStale_ = 0;  // live results up to this request are of a series cleared since
    QString figuresTime_;

    QStringList toOpen_;
    QStringList told_;  // what went wrong with the files of this batch
    QString reading_;  // the file being read
    // Shared with the reading worker, which may outlive the panel by a block.
    struct Reading {
        std::atomic<double> progress{0.0};
        std::atomic<bool> cancel{false};
    };
    std::shared_ptr<Reading> readingState_ = std::make_shared<Reading>();
    // The file read is handed over whole, never copied: ten million readings are 80 MB.
    QFutureWatcher<std::shared_ptr<DataFile>> fileWatcher_;
    bool asking_ = false;  // the spacing of a file of values is being asked

    QComboBox* deviation_ = nullptr;
    QComboBox* taus_ = nullptr;
    QCheckBox* removeDrift_ = nullptr;
    QCheckBox* guides_ = nullptr;
    QComboBox* exportSize_ = nullptr;
    StabilityPlot* plot_ = nullptr;
    QListWidget* legend_ = nullptr;
    QPushButton* remove_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* drift_ = nullptr;
    QLabel* figures_ = nullptr;
    QLabel* message_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTimer* progressTimer_ = nullptr;
};

}  // namespace kt::view
