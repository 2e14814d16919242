#pragma once
// The pictures the window shell shows until the picture stores hold the character's own.
#include <QPixmap>

namespace pictures {

// 170 x 170, the standing figure on black.
QPixmap Standard();
// 32 x 32, the program's icon.
QPixmap TrayIcon();

} // namespace pictures
