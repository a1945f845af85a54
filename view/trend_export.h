// The trend chart as a picture file: PNG, or SVG (vector: lines and text
// stay sharp at any zoom in a report), at any size, with its title, axes and
// legend.
#pragma once

#include <QSize>
#include <QString>

namespace kt::view {

class TrendPlot;

// Writes the chart at `size` to path, as SVG when the name ends in ".svg"
// and as PNG otherwise. False with the reason in plain words in `error`.
bool ExportTrendPicture(const TrendPlot& plot, const QString& path, QSize size, QString& error);

}  // namespace kt::view
