// The keyboard help card: the key map as a small window beside the panel
// (F1). It never takes the focus, so the panel's keys keep working from the
// keyboard while it is open.
#pragma once

#include <QWidget>

class QLabel;

namespace kt::view {

class HelpCard : public QWidget {
    Q_OBJECT
public:
    explicit HelpCard(QWidget* panelWindow);

    // Shows the card beside the panel window (right of it, else below it,
    // else over its corner), drawn at the window's zoom.
    void ShowBeside(int zoomPercent);

private:
    QWidget* panelWindow_;
    QLabel* text_;
};

}  // namespace kt::view
