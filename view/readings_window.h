// The readings window: a trend chart of the current series following the
// stream, its statistics, the stability workbench (every deviation of the
// live series and of opened recordings, analysed on a worker), Clear, Pause,
// Save as CSV and the state of the recording. It reads the record of
// readings on timers (the trend 5 times a second, the rest once a second),
// never per reading, and repaints only what changed. Pause freezes what is
// shown; the record goes on collecting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QFutureWatcher>
#include <QStringList>
#include <QWidget>

#include "measurements/store.h"
#include "measurements/trend_source.h"
#include "view/stability_series.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QFileDialog;

namespace kt {

class ReadingsRecord;
namespace view {
class StabilityPanel;
class TrendPanel;
class TrendPlot;
}

class ReadingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReadingsWindow(ReadingsRecord& record, QWidget* parent = nullptr);
    ~ReadingsWindow() override;

    // One redraw of the trend, the statistics and the recording state.
    void Refresh();
    // Hands the live series to the stability analysis when it is due.
    void RefreshAdev();
    // Opens recordings as traces of the stability chart (read on a worker).
    void OpenRecordings(const QStringList& paths);
    view::StabilityPanel* stability() const { return stability_; }
    // Nothing is being read, analysed or drawn for the stability chart and
    // the trend of a trace (for a screenshot of what was opened).
    bool Settled() const;
    // Writes every reading held in memory now to path (replacing the file)
    // on a worker thread, with a progress bar and Cancel. False when the file
    // cannot be opened or a save is already running.
    bool SaveAs(const QString& path);
    // Stops a running save between batches; the file keeps the rows written.
    void CancelSave();
    bool saving() const { return save_ != nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Build();
    void Clear();
    // Takes the new readings into the trend and redraws what changed.
    void RefreshTrend();
    // Starts the trend of a new series (the current key).
    void NewTrend();
    void ShowRecordingState();
    void ShowStatistics();
    // The trend shows the trace chosen in the stability chart's legend (0:
    // the live series).
    void ShowTraceInTrend(int index);
    void FinishSave();

    ReadingsRecord& record_;
    std::shared_ptr<TrendSource> trend_;  // the current series, as the trend draws it
    SeriesKey key_;
    bool haveKey_ = false;
    uint64_t clearSeq_ = 0;
    uint64_t nextSeq_ = 0;       // first reading not yet taken into the trend
    uint64_t trendVersion_ = 0;  // readings taken into the trend
    uint64_t drawnVersion_ = UINT64_MAX;
    int trendTrace_ = 0;         // the trace the trend shows beside the live series (0: none)
    QFutureWatcher<std::shared_ptr<TrendSource>>* traceTrendWatcher_ = nullptr;

    QTimer* redraw_ = nullptr;
    QTimer* slowTimer_ = nullptr;  // statistics, recording state, Allan deviation
    view::TrendPanel* trendPanel_ = nullptr;
    view::TrendPlot* trendPlot_ = nullptr;
    view::StabilityPanel* stability_ = nullptr;
    std::vector<QLabel*> statValues_;
    QLabel* seriesLabel_ = nullptr;
    QLabel* recordingLabel_ = nullptr;
    QLabel* rowsLabel_ = nullptr;
    QLabel* rowsUnit_ = nullptr;
    std::string recordingPath_;
    QString recordingName_;
    QLabel* saveLabel_ = nullptr;
    QPushButton* pause_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    QProgressBar* saveBar_ = nullptr;
    QPushButton* cancelSave_ = nullptr;

    struct Save;
    std::unique_ptr<Save> save_;
};

}  // namespace kt
