// The small widgets of the panel: keys with two-line legends, round lamps and
// pictures stretched to their box.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace kt::view {

// The picture file and its 2x and 3x sets ("name@2x.ext"), those that exist,
// smallest first.
QStringList PictureSet(const QString& path);

// A panel key. Its caption may hold a line break between its two legends;
// the lines are set close together so two of them fit the small keys. Tab
// reaches it (a click does not take the focus from where it is), and with the
// focus it is drawn with a ring.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    explicit KeyButton(QWidget* parent = nullptr);

    // A picture shown instead of the caption, in the set that suits the size
    // it is drawn at; a file that does not load leaves the key blank. Returns
    // whether the picture loaded.
    bool setPicture(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitIcon();
};

// An indicator lamp: a filled circle in its colour.
class LampWidget : public QWidget {
    Q_OBJECT
public:
    explicit LampWidget(QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// A picture stretched to its box; a file that does not load leaves it blank.
// Of the picture's sets it shows the smallest that covers the box in device
// pixels, so it stays sharp when the window is zoomed.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);
    // Returns whether the picture loaded.
    bool setPicture(const QString& path);
    QString picturePath() const { return path_; }
    bool hasPicture() const;
    // The file of the set now shown.
    QString shownFile() const { return shown_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ShowBestSet();

    QString path_;
    QStringList files_;   // the picture's sets, smallest first
    QList<QSize> sizes_;  // their sizes in pixels
    QString shown_;
};

}  // namespace kt::view
