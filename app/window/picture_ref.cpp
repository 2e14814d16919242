#include "picture_ref.h"

#include "picture_stores.h"

namespace pictures {

QPixmap Pixmap(const Pic& picture) {
    return stores::Find(picture.name()).pixmap;
}
QPixmap Icon() {
    return stores::TrayIcon().pixmap;
}
void Load(const QString& store) {
    stores::Load(store);
}
void Unload(const QString& store) {
    stores::Unload(store);
}

} // namespace pictures
