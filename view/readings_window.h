// The readings window: a trend chart of the current series following the
// stream, its statistics, its Allan deviation as a chart and a table, Clear,
// Pause, Save as CSV and the state of the recording. It reads the record of
// readings on timers (at most 10 redraws a second, the Allan deviation about
// once a second), never per reading. Pause freezes what is shown; the record
// goes on collecting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "measurements/store.h"
#include "view/trend_columns.h"

class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QLogValueAxis;
class QChartView;
class QPushButton;
class QTableWidget;
class QTimer;
class QFileDialog;

namespace kt {

class ReadingsRecord;

class ReadingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReadingsWindow(ReadingsRecord& record, QWidget* parent = nullptr);
    ~ReadingsWindow() override;

    // One redraw of the trend and the statistics (the 10 Hz timer's work).
    void Refresh();
    // One recomputation of the Allan deviation.
    void RefreshAdev();
    // Writes every reading held in memory to path (replacing the file), in
    // slices from the event loop. False when the file cannot be opened.
    bool SaveAs(const QString& path);
    bool saving() const { return save_ != nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Build();
    void Clear();
    void ShowRecordingState();
    void SetRanges(double left, double right, double low, double high);
    void SaveSlice();
    void FinishSave(const QString& message);

    ReadingsRecord& record_;
    view::TrendColumns trend_;
    std::vector<view::TrendColumns::Point> columns_;
    SeriesKey key_;
    bool haveKey_ = false;
    uint64_t clearSeq_ = 0;
    uint64_t nextSeq_ = 0;       // first reading not yet taken into the trend
    SteadyTime origin_{};        // arrival of the series' first reading
    uint64_t trendVersion_ = 0;  // readings taken into the trend
    uint64_t drawnVersion_ = UINT64_MAX;
    int drawnWidth_ = 0;
    bool rangesSet_ = false;
    double shownRight_ = 1, shownLow_ = 0, shownHigh_ = 1;

    QTimer* redraw_ = nullptr;
    QTimer* adevTimer_ = nullptr;
    QChartView* trendView_ = nullptr;
    QLineSeries* trendSeries_ = nullptr;
    QValueAxis* trendX_ = nullptr;
    QValueAxis* trendY_ = nullptr;
    QChartView* adevView_ = nullptr;
    QLineSeries* adevSeries_ = nullptr;
    QScatterSeries* adevDots_ = nullptr;
    QLogValueAxis* adevX_ = nullptr;
    QLogValueAxis* adevY_ = nullptr;
    QTableWidget* adevTable_ = nullptr;
    std::vector<QLabel*> statValues_;
    QLabel* seriesLabel_ = nullptr;
    QLabel* recordingLabel_ = nullptr;
    QLabel* saveLabel_ = nullptr;
    QPushButton* pause_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    QTimer* saveTimer_ = nullptr;

    struct Save;
    std::unique_ptr<Save> save_;
};

}  // namespace kt
