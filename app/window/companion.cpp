#include "companion.h"

#include "platform/clock.h"
#include "platform/pace.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <iterator>

namespace companion {
namespace {

constexpr int kFloat[] = {1, 1, 1, 0, -1, -1, -1};
constexpr int kPhases = int(std::size(kFloat));

} // namespace

QLabel* Dress(QWidget* window, int width, int height, const stores::Picture& picture) {
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFixedSize(width, height);
    auto* box = new QLabel(window);
    box->setObjectName(QStringLiteral("Image1"));
    box->setGeometry(0, 0, width, height);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    stores::Show(box, picture, stores::Note::Quiet);
    return box;
}

void MoveTo(QWidget* window, int x, int y) {
    window->setGeometry(x, y, window->width(), window->height());
    platform::pace::mark(QStringLiteral("move %1,%2").arg(x).arg(y));
}

void Float::Tick(QWidget* window) {
    const QPoint at = window->pos();
    MoveTo(window, at.x(), at.y() + kFloat[phase_]);
    phase_ = (phase_ + 1) % kPhases;
}

void Blink(QLabel* box, const stores::Picture& closed, const stores::Picture& open, platform::Timer& timer) {
    // The box goes with its window, and the timer with it.
    const QPointer<QLabel> alive(box);
    stores::Show(box, closed);
    // Every event of the blink, its repaint too, is handled inside the pause: a command given then
    // (a menu item) waits for the pause to end (pace::whenFree) instead of running with his eyes
    // shut, as it could from an event loop run before the pause began.
    platform::pace::sleep(200);
    if (!alive)
        return;
    stores::Show(box, open);
    timer.setInterval(3000 + 100 * platform::clock::now().time().second());
}

} // namespace companion
