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

// A loaded store knows the files of its pictures and decodes each on its first use: the first
// picture of the start-up must not wait for the whole store.
struct Store {
    bool loaded = false;
    QHash<QString, QString> files;    // by full name
    QHash<QString, QPixmap> pictures; // the decoded ones, by full name
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
    static const QStringList files = [] {
        registerPictures();
        return QDir(kFolder).entryList(QDir::Files);
    }();
    for (const QString& file : files) {
        if (file.endsWith(QStringLiteral(".png")) && storeOf(file) == store)
            s.files.insert(file.chopped(4), kFolder + file);
    }
    s.loaded = true;
    return s;
}

QPixmap picture(Store& store, const QString& name) {
    if (const auto decoded = store.pictures.constFind(name); decoded != store.pictures.cend())
        return *decoded;
    const auto file = store.files.constFind(name);
    if (file == store.files.cend())
        return {};
    const QPixmap pixmap(*file);
    store.pictures.insert(name, pixmap);
    return pixmap;
}

} // namespace

Picture Find(const QString& name) {
    const QString store = storeOf(name);
    if (!known(store))
        return {name, {}};
    return {name, picture(loaded(store), name)};
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
