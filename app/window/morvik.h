#pragma once
// The character window: 150 x 170, borderless, cut to the outline of the picture it shows.
// Image1 shows the character's picture (170 x 170, its upper-left pixel at the window's corner);
// Image2 is the battery-gauge and new-mail picture box that carries the tooltip.
// Dragged with the left button; saves its place when the window system closes it.
#include <QLabel>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <optional>

class morvik : public QWidget {
    Q_OBJECT
public:
    explicit morvik(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Image2;
    // The program's 32 x 32 icon, used by the tray.
    QPixmap Picture1;

    // The window's place from the settings (x from `top`, y from `left`); on the first run (no
    // `top`) centred on a screen of the given size. Nothing when the stored values are not numbers.
    struct Placement {
        std::optional<QPoint> position;
        bool firstRun = false;
    };
    static Placement PlaceFor(const QString& top, const QString& left, QSize screen);

    // Moves the window to its saved place (or centres it on the first run); true on the first run.
    bool PlaceAtSavedPosition();
    // Writes the window's place as `top` (left edge) and `left` (top edge).
    void SavePosition();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<QPoint> dragOffset_;
};
