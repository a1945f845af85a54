#include "view/fonts.h"

namespace kt::view {

QStringList FontFamilies(const QString& windowsName) {
    if (windowsName == QLatin1String("Arial")) return {"Liberation Sans", "Arial", "Arimo"};
    if (windowsName == QLatin1String("Times New Roman"))
        return {"Liberation Serif", "Times New Roman", "Tinos"};
    if (windowsName == QLatin1String("SimSun")) return {"Noto Serif CJK SC", "SimSun", "Noto Sans CJK SC"};
    if (windowsName == QLatin1String("SimHei")) return {"Noto Sans CJK SC", "SimHei", "Noto Serif CJK SC"};
    return {windowsName};
}

namespace {

QFont Make(const QString& windowsName, double points, int weight = QFont::Normal) {
    QFont font;
    font.setFamilies(FontFamilies(windowsName));
    font.setPointSizeF(points);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

}  // namespace

QFont PanelFont(FontRole role) {
    switch (role) {
        case FontRole::Display: return Make("Arial", 42, QFont::Bold);
        case FontRole::Title: return Make("SimHei", 10.5);
        case FontRole::Annunciator: return Make("Times New Roman", 10.5);
        case FontRole::Small: return Make("SimSun", 7.5);
        case FontRole::Default: break;
    }
    return Make("SimSun", 9);
}

}  // namespace kt::view
