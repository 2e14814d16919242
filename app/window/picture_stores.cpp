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
    static const QStringList names{QStringLiteral("action"), QStringLiteral("gra"),  QStringLiteral("gra2"),
                                   QStringLiteral("gra3"),   QStringLiteral("gra5"), QStringLiteral("gra6"),
                                   QStringLiteral("morvik")};
    return names.contains(store);
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

void Show(QLabel* box, const Picture& picture) {
    if (!box || picture.isNull())
        return;
    box->setPixmap(picture.pixmap);
    box->setProperty(kShownName, picture.name);
    box->setProperty(kShownKey, QVariant::fromValue(picture.pixmap.cacheKey()));
    platform::pace::mark(QStringLiteral("picture ") + picture.name);
}

bool Shows(const QLabel* box, const Picture& picture) {
    if (!box || picture.name.isEmpty())
        return false;
    return box->property(kShownName).toString() == picture.name &&
           box->property(kShownKey).value<qint64>() == box->pixmap().cacheKey();
}

Picture TrayIcon() {
    return Find(QStringLiteral("morvik.Picture1"));
}

} // namespace stores

namespace action {
void Load() {
    stores::Load(QStringLiteral("action"));
}
void Unload() {
    stores::Unload(QStringLiteral("action"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("action.Image1(%1)").arg(index));
}
} // namespace action

namespace gra {
void Load() {
    stores::Load(QStringLiteral("gra"));
}
void Unload() {
    stores::Unload(QStringLiteral("gra"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("gra.Image1(%1)").arg(index));
}
} // namespace gra

namespace gra2 {
void Load() {
    stores::Load(QStringLiteral("gra2"));
}
void Unload() {
    stores::Unload(QStringLiteral("gra2"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("gra2.Image1(%1)").arg(index));
}
stores::Picture fuki1() {
    return stores::Find(QStringLiteral("gra2.fuki1"));
}
stores::Picture fuki2() {
    return stores::Find(QStringLiteral("gra2.fuki2"));
}
stores::Picture fuki3() {
    return stores::Find(QStringLiteral("gra2.fuki3"));
}
stores::Picture fuki4() {
    return stores::Find(QStringLiteral("gra2.fuki4"));
}
} // namespace gra2

namespace gra3 {
void Load() {
    stores::Load(QStringLiteral("gra3"));
}
void Unload() {
    stores::Unload(QStringLiteral("gra3"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("gra3.Image1(%1)").arg(index));
}
stores::Picture ImageList1(int item) {
    return stores::Find(QStringLiteral("gra3.ImageList1(%1)").arg(item));
}
stores::Picture ImageList2(int item) {
    return stores::Find(QStringLiteral("gra3.ImageList2(%1)").arg(item));
}
} // namespace gra3

namespace gra5 {
void Load() {
    stores::Load(QStringLiteral("gra5"));
}
void Unload() {
    stores::Unload(QStringLiteral("gra5"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("gra5.Image1(%1)").arg(index));
}
} // namespace gra5

namespace gra6 {
void Load() {
    stores::Load(QStringLiteral("gra6"));
}
void Unload() {
    stores::Unload(QStringLiteral("gra6"));
}
stores::Picture Image1(int index) {
    return stores::Find(QStringLiteral("gra6.Image1(%1)").arg(index));
}
} // namespace gra6
