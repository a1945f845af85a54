// The panel's fonts. The panel was drawn with Windows fonts; each is named
// here together with an installed font of the same metrics, and the CJK
// fonts are named explicitly so the Chinese captions never depend on the
// locale's fallback choice.
#pragma once

#include <QFont>
#include <QStringList>

#include "view/element_table.h"

namespace kt::view {

// Families tried in order for a Windows font name ("Arial", "SimSun", ...).
QStringList FontFamilies(const QString& windowsName);

QFont PanelFont(FontRole role);

}  // namespace kt::view
