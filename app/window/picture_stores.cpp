#include "picture_stores.h"

#include "platform/pace.h"

#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QStyle>
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
    // The generated list names every picture: the resources need not be listed (a walk through
    // hundreds of them, before her first picture).
    static const bool registered = [] {
        registerPictures();
        return true;
    }();
    (void)registered;
    for (const Listed& picture : AllPictures()) {
        if (storeOf(picture.name) == store)
            s.files.insert(picture.name, kFolder + picture.name + QStringLiteral(".png"));
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

// The bounding rectangle of the pixels in which two pictures of the same size differ (empty when
// they are alike), kept by the pair: her blink swaps the same two pictures every few seconds and
// only her eyes change.
QRect changedRect(const QPixmap& from, const QPixmap& to) {
    static QHash<QPair<qint64, qint64>, QRect> known;
    const QPair<qint64, qint64> key{from.cacheKey(), to.cacheKey()};
    if (const auto kept = known.constFind(key); kept != known.cend())
        return *kept;
    const QImage a = from.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage b = to.toImage().convertToFormat(QImage::Format_ARGB32);
    int left = a.width(), top = a.height(), right = -1, bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (ra[x] == rb[x])
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    const QRect changed = right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
    if (known.size() >= 64)
        known.clear();
    known.insert(key, changed);
    return changed;
}

// Puts the picture in the box. When it replaces a picture of the same size in a box that keeps its
// geometry, only the pixels that differ are painted again, not the whole box.
void place(QLabel* box, const QPixmap& pixmap) {
    const QPixmap before = box->pixmap();
    if (before.isNull() || before.size() != pixmap.size() || before.devicePixelRatio() != 1.0 ||
        pixmap.devicePixelRatio() != 1.0 || box->hasScaledContents() || !box->isVisible() ||
        !box->updatesEnabled()) {
        box->setPixmap(pixmap);
        return;
    }
    if (before.cacheKey() == pixmap.cacheKey())
        return;
    const QRect changed = changedRect(before, pixmap);
    const QRect geometry = box->geometry();
    box->setAttribute(Qt::WA_UpdatesDisabled, true);
    box->setPixmap(pixmap);
    box->setAttribute(Qt::WA_UpdatesDisabled, false);
    if (box->geometry() != geometry) {
        box->update();
        return;
    }
    if (changed.isEmpty())
        return;
    const QRect contents = box->contentsRect();
    const Qt::LayoutDirection direction = QGuiApplication::layoutDirection();
    const QRect aligned = QStyle::alignedRect(direction, QStyle::visualAlignment(direction, box->alignment()),
                                              pixmap.size(), contents);
    box->update(changed.translated(aligned.topLeft()).intersected(contents));
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
    place(box, picture.pixmap);
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
