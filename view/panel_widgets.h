// The small widgets of the panel: keys with two-line legends, round lamps and
// pictures stretched to their box.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace kt::view {

// A panel key. Its caption may hold a line break between its two legends;
// the lines are set close together so two of them fit the small keys.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    explicit KeyButton(QWidget* parent = nullptr);

    // A picture shown instead of the caption; a file that does not load
    // leaves the key blank. Returns whether the picture loaded.
    bool setPicture(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
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
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);
    // Returns whether the picture loaded.
    bool setPicture(const QString& path);
    QString picturePath() const { return path_; }
    bool hasPicture() const;

private:
    QString path_;
};

}  // namespace kt::view
