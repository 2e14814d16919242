#include "registry.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace com::registry {
namespace {

QString fold(const QString& name) {
    return name.toCaseFolded();
}

QString cleanKey(const QString& key) {
    QString k = key.trimmed();
    while (k.startsWith(QLatin1Char('\\')))
        k.remove(0, 1);
    while (k.endsWith(QLatin1Char('\\')))
        k.chop(1);
    return k;
}

QString escape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

std::optional<QString> unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        if (text[i] == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (text[i] == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (text[i] == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            return std::nullopt;
    }
    return out;
}

// Holds an exclusive lock beside the registry file for the life of the object.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        fd_ = ::open(QFile::encodeName(path + QStringLiteral(".lock")).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            code_ = errno;
        } else if (::flock(fd_, LOCK_EX) != 0) {
            code_ = errno;
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }
    // The system's reason when the lock is not held.
    QString reason() const { return QString::fromLocal8Bit(std::strerror(code_)); }

private:
    int fd_ = -1;
    int code_ = 0;
};

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

} // namespace

QString filePath() {
    const QString fromEnv = qEnvironmentVariable("MORVIK_COM_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/morvik/classes.reg");
}

std::optional<QString> Tree::value(const QString& key, const QString& name) const {
    const auto k = keys_.constFind(fold(cleanKey(key)));
    if (k == keys_.constEnd())
        return std::nullopt;
    const auto v = k->values.constFind(fold(name));
    if (v == k->values.constEnd())
        return std::nullopt;
    return v->second;
}

bool Tree::hasKey(const QString& key) const {
    const QString folded = fold(cleanKey(key));
    if (keys_.contains(folded))
        return true;
    const QString prefix = folded + QLatin1Char('\\');
    const auto next = keys_.lowerBound(prefix);
    return next != keys_.constEnd() && next.key().startsWith(prefix);
}

QStringList Tree::subkeys(const QString& key) const {
    const QString clean = cleanKey(key);
    const QString prefix = clean.isEmpty() ? QString() : fold(clean) + QLatin1Char('\\');
    QStringList names;
    for (auto it = keys_.lowerBound(prefix); it != keys_.constEnd() && it.key().startsWith(prefix); ++it) {
        const QString child = it->name.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
        if (!names.contains(child, Qt::CaseInsensitive))
            names << child;
    }
    return names;
}

void Tree::createKey(const QString& key) {
    const QString clean = cleanKey(key);
    Key& k = keys_[fold(clean)];
    if (k.name.isEmpty())
        k.name = clean;
}

void Tree::setValue(const QString& key, const QString& name, const QString& value) {
    createKey(key);
    keys_[fold(cleanKey(key))].values[fold(name)] = {name, value};
}

void Tree::removeTree(const QString& key) {
    const QString folded = fold(cleanKey(key));
    keys_.remove(folded);
    const QString prefix = folded + QLatin1Char('\\');
    for (auto it = keys_.lowerBound(prefix); it != keys_.end() && it.key().startsWith(prefix);)
        it = keys_.erase(it);
}

std::optional<Tree> Tree::parse(const QByteArray& text) {
    Tree tree;
    QString current;
    bool inKey = false;
    for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return std::nullopt;
            current = cleanKey(trimmed.mid(1, trimmed.size() - 2));
            if (current.isEmpty())
                return std::nullopt;
            tree.createKey(current);
            inKey = true;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inKey || eq < 0)
            return std::nullopt;
        QString name = line.left(eq).trimmed();
        if (name.isEmpty())
            return std::nullopt;
        if (name == QLatin1String("@"))
            name.clear();
        const auto value = unescape(QStringView(line).mid(eq + 1));
        if (!value)
            return std::nullopt;
        tree.setValue(current, name, *value);
    }
    return tree;
}

QByteArray Tree::serialize() const {
    QString out = QStringLiteral("; morvik's per-user class registry\n");
    for (const Key& key : keys_) {
        out += QStringLiteral("\n[") + key.name + QStringLiteral("]\n");
        for (const auto& [name, value] : key.values) {
            out += (name.isEmpty() ? QStringLiteral("@") : name) + QLatin1Char('=') + escape(value) +
                   QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

std::optional<Tree> load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.exists())
        return Tree();
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    auto tree = Tree::parse(file.readAll());
    if (!tree)
        setError(error, QStringLiteral("%1: not a class registry file").arg(path));
    return tree;
}

bool edit(const QString& path, const std::function<void(Tree&)>& change, QString* error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        setError(error, QStringLiteral("%1: cannot create its folder").arg(path));
        return false;
    }
    const FileLock lock(path);
    if (!lock.held()) {
        setError(error, QStringLiteral("%1: cannot be locked: %2").arg(path, lock.reason()));
        return false;
    }
    auto tree = load(path, error);
    if (!tree)
        return false;
    change(*tree);
    // A class list, no secret: readable by all.
    return platform::writeFileAtomically(path, tree->serialize(), 0644, error);
}

std::optional<QString> read(const QString& key, const QString& name) {
    const auto tree = load(filePath());
    return tree ? tree->value(key, name) : std::nullopt;
}

} // namespace com::registry
