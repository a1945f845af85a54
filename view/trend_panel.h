// The trend chart with its controls: Follow, the time axis (seconds since
// the series began, UTC, local time), the value axis (the reading's unit, the
// fractional offset from the mean or from a nominal value typed in), the
// drift line, and the export as PNG or SVG at the size shown or a chosen one.
#pragma once

#include <QWidget>

#include "measurements/reading.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kt::view {

class TrendPlot;

class TrendPanel : public QWidget {
    Q_OBJECT
public:
    explicit TrendPanel(QWidget* parent = nullptr);

    TrendPlot* Plot() const { return plot_; }
    // The unit of the series shown: a nominal value typed in must be in it.
    void SetSeriesUnit(Unit unit);
    // Writes the chart to path (PNG, or SVG by the name) at the size chosen;
    // the outcome is shown beside the controls. False when it failed.
    bool Export(const QString& path);

private:
    void ApplyValueAxis();
    void Say(const QString& message);

    TrendPlot* plot_ = nullptr;
    QPushButton* follow_ = nullptr;
    QComboBox* timeAxis_ = nullptr;
    QComboBox* valueAxis_ = nullptr;
    QLineEdit* nominal_ = nullptr;
    QCheckBox* drift_ = nullptr;
    QComboBox* exportSize_ = nullptr;
    QLabel* message_ = nullptr;
    QFileDialog* dialog_ = nullptr;
    Unit unit_ = Unit::None;
};

}  // namespace kt::view
