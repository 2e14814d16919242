#pragma once
// The balloon's text: its label, where it sits, its size and its font. The talk-table editor's
// preview is this same label, so that a line wraps and runs over there as it will in the balloon.
// Needs no character window.
#include <QLabel>
#include <QString>

class QFont;
class QWidget;

namespace balloon {

inline constexpr int kLabelLeft = 32, kLabelWidth = 137, kLabelHeight = 105;

// The text's size in points: 7 on a large-font screen (12 twips per pixel, 120 dpi), else 9.
int FontPoints(double logicalDpi);
// The balloon font at the size for the screen the widget is on.
QFont Font(const QWidget* widget);

// The balloon's text, 137 x 105, wrapped at its width and cut at its foot. Lines are given with
// CR LF, as the talk tables and callers write them; the label keeps the text as given (text()) and
// shows it with plain line breaks. In a balloon the window's title follows the text, so window lists
// and screen readers can tell what she said; a label inside another window leaves its title alone.
class Label : public QLabel {
public:
    enum class Title { follows, stays };
    explicit Label(QWidget* parent, Title title = Title::follows);
    void setText(const QString& text);
    QString text() const { return text_; }

private:
    QString text_;
    Title title_;
};

} // namespace balloon
