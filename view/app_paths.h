// Where the program finds its pictures: beside the executable when they are
// there (a build tree), else in the installed data folder
// ../share/kt46290-panel/ relative to the executable.
#pragma once

#include <QString>

namespace kt::view {

// The file whose presence marks a folder as holding the panel's pictures.
inline constexpr const char* kMarkerPicture = "kt.jpg";

// The picture folder for an executable in exeDir, without a trailing slash.
QString PictureFolder(const QString& exeDir);

}  // namespace kt::view
