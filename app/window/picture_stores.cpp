#include "picture_stores.h"

#include "platform/pace.h"

#include <QDir>
#include <QHash>
#include <QLabel>
#include <QVariant>

// The resource's registration function lives in the generated resource source, outside any
// namespace; calling it also keeps the linker from dropping the pictures from a static library.
static void registerPictures() {
    Q_INIT_RESOURCE(morvik_pictures);
}

namespace stores {

namespace {

const QString kFolder = QStringLiteral(":/morvik/pictures/");
const char* const kShownName = "morvikStorePicture";
const char* const kShownKey = "morvikStorePictureKey";

struct Store {
    bool loaded = false;
    QHash<QString, QPixmap> pictures; // by full name
};

QHash<QString, Store>& all() {
    static QHash<QString, Store> stores;
    return stores;
}

bool known(const QString& store) {
    return StoreNames().contains(store);
}

QString storeOf(const QString& name) {
    return name.section(QLatin1Char('.'), 0, 0);
}

Store& loaded(const QString& store) {
    Store& s = all()[store];
    if (s.loaded)
        return s;
    static const bool registered = (registerPictures(), true);
    (void)registered;
    const QStringList files = QDir(kFolder).entryList(QDir::Files);
    for (const QString& file : files) {
        if (!file.endsWith(QStringLiteral(".png")) || storeOf(file) != store)
            continue;
        const QString name = file.chopped(4);
        QPixmap pixmap(kFolder + file);
        if (!pixmap.isNull())
            s.pictures.insert(name, pixmap);
    }
    s.loaded = true;
    return s;
}

} // namespace

Picture Find(const QString& name) {
    const QString store = storeOf(name);
    if (!known(store))
        return {name, {}};
    return {name, loaded(store).pictures.value(name)};
}

void Load(const QString& store) {
    if (known(store))
        loaded(store);
}

void Unload(const QString& store) {
    all().remove(store);
}

bool Loaded(const QString& store) {
    return all().value(store).loaded;
}

void Show(QLabel* box, const Picture& picture, Note note) {
    if (!box || picture.isNull())
        return;
    box->setPixmap(picture.pixmap);
    box->setProperty(kShownName, picture.name);
    box->setProperty(kShownKey, QVariant::fromValue(picture.pixmap.cacheKey()));
    if (note == Note::Step)
        platform::pace::mark(QStringLiteral("picture ") + picture.name);
}

Picture Shown(const QLabel* box) {
    if (!box || box->property(kShownKey).value<qint64>() != box->pixmap().cacheKey())
        return {};
    return {box->property(kShownName).toString(), box->pixmap()};
}

bool Shows(const QLabel* box, const Picture& picture) {
    return !picture.name.isEmpty() && Shown(box) == picture;
}

Picture TrayIcon() {
    return Find(QStringLiteral("morvik.Picture1"));
}

} // namespace stores
