#include "view/trend_export.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "view/trend_plot.h"

namespace kt::view {

bool ExportTrendPicture(const TrendPlot& plot, const QString& path, QSize size, QString& error) {
    if (size.width() < 100 || size.height() < 80 || size.width() > 10000 || size.height() > 10000) {
        error = QStringLiteral("图片尺寸不合适 (picture size out of range): %1 × %2").arg(size.width()).arg(size.height());
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("不能导出 (cannot export) %1: %2").arg(path, file.errorString());
        return false;
    }
    bool written = true;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(plot.logicalDpiX());  // text as large as on the screen
        svg.setTitle(plot.Title());
        QPainter painter(&svg);
        plot.Render(painter, size);
        painter.end();
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        plot.Render(painter, size);
        painter.end();
        written = image.save(&file, "PNG");
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) written = false;
    if (!written) {
        error = QStringLiteral("不能导出 (cannot export) %1: %2").arg(path, file.errorString());
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return true;
}

}  // namespace kt::view
