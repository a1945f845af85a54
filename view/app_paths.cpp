#include "view/app_paths.h"

#include <QDir>
#include <QFileInfo>

namespace kt::view {

QString PictureFolder(const QString& exeDir) {
    const QDir beside(exeDir);
    if (QFileInfo::exists(beside.filePath(QLatin1String(kMarkerPicture)))) return beside.absolutePath();
    return QDir::cleanPath(beside.absoluteFilePath(QStringLiteral("../share/kt46290-panel")));
}

}  // namespace kt::view
