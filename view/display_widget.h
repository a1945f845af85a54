// The value line of the display: right-aligned text in the display colour on
// black, with the editor cursor (a selection of one character) drawn in
// inverse video whether or not the widget has the focus. Text that is wider
// than the line is scaled down to fit; control characters are drawn as one
// blank each.
//
// For screen readers the display is a live value: its accessible value is what
// it shows in words, always current; a change is announced at once for a menu
// text or message and at most once a second for readings, so a stream of
// readings does not drown the user.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

namespace kt::view {

class DisplayWidget : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWidget(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    // Selection as the logic writes it; out-of-range values are clipped when drawn.
    void setSelection(int start, int length);
    int selectionStart() const { return selStart_; }
    int selectionLength() const { return selLength_; }

    // The text as drawn: every control character replaced by one blank.
    QString shownText() const;
    // The characters drawn highlighted (clipped to the text), as [first, first + count).
    int highlightedFirst() const;
    int highlightedCount() const;
    // The factor (at most 1) the text is drawn at so that it fits the line.
    double textScale() const;
    // Width of the shown text at that scale, in pixels.
    double shownTextWidth() const;
    // Room for the text between the margins, in pixels.
    int textRoom() const;

    // What the display shows, in words; `atOnce` for menu texts and messages.
    // Also the display's tool tip.
    void setSpokenText(const QString& words, bool atOnce);
    QString spokenText() const { return spoken_; }
    // How many changes were announced to assistive technology so far.
    int announcements() const { return announcements_; }
    QString announcedText() const { return announced_; }

    static const QColor kTextColor;
    static const QColor kBackColor;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Asks for a repaint, at most one per display frame: a counter streaming
    // hundreds of readings a second is drawn at the rate an eye can follow,
    // and always ends showing the latest text.
    void RequestPaint();

    void Announce();

    QString text_;
    QString spoken_;
    QString announced_;
    QElapsedTimer sinceAnnounced_;
    bool announcePending_ = false;
    int announcements_ = 0;
    QElapsedTimer sincePaint_;
    bool paintPending_ = false;
    int selStart_ = 0;
    int selLength_ = 0;
};

}  // namespace kt::view
