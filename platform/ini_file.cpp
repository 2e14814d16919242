#include "ini_file.h"

#include "platform/atomic_file.h"
#include "platform/codec.h"
#include "platform/file_stamp.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringList>
#include <array>

namespace platform::ini {
namespace {

struct Contents {
    QStringList lines;
    // False when some bytes fit no encoding and were read as '?': writing the file back would
    // lose them.
    bool exact = true;
};

void say(QString* why, const QString& text) {
    if (why)
        *why = text;
}

// The file's bytes: empty when there is no file, nothing when it is there but cannot be read (and
// *why says why).
std::optional<QByteArray> readBytes(const QString& path, QString* why = nullptr) {
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile()) {
        say(why, info.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("it is not a file"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(why, QStringLiteral("cannot read: ") + file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        say(why, QStringLiteral("cannot read: ") + file.errorString());
        return std::nullopt;
    }
    return bytes;
}

// The file's lines, nothing when it cannot be read. A file that is not UTF-8 is read as CP932,
// the encoding Windows programs save Japanese settings files in; it is written back as UTF-8.
std::optional<Contents> readLines(const QString& path, QString* why = nullptr) {
    const std::optional<QByteArray> bytes = readBytes(path, why);
    if (!bytes)
        return std::nullopt;
    Contents contents;
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(*bytes);
    if (utf8.hasError())
        text = codec::fromCp932(*bytes, &contents.exact);
    text.remove(QLatin1Char('\r'));
    contents.lines = text.split(QLatin1Char('\n'));
    if (!contents.lines.isEmpty() && contents.lines.last().isEmpty())
        contents.lines.removeLast();
    return contents;
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<QString> sectionOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<QString> keyOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
        return std::nullopt;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return t.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// Sets key=value in the section of lines: the key's line is replaced, or a new line follows the
// section's last non-blank line, or a new section is appended.
void setLine(QStringList& lines, const QString& section, const QString& key, const QString& value) {
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype sectionStart = -1; // index of the header line
    qsizetype insertAt = -1;     // after the last non-blank line of the section
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i])) {
            if (inSection)
                break;
            inSection = sameName(*name, section);
            if (inSection)
                insertAt = sectionStart = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            insertAt = i;
        if (const auto found = keyOf(lines[i]); found && sameName(*found, key)) {
            lines[i] = entry;
            return;
        }
    }
    if (sectionStart >= 0) {
        lines.insert(insertAt + 1, entry);
        return;
    }
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
        lines.append(QString());
    lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
    lines.append(entry);
}

// The values of a file as reads find them: by section, then by key, both case-folded; where a
// section or key appears twice, the first line in the file wins.
using Index = QHash<QString, QHash<QString, QString>>;

Index indexOf(const QStringList& lines) {
    Index index;
    QHash<QString, QString>* section = nullptr;
    for (const QString& line : lines) {
        if (const auto name = sectionOf(line)) {
            section = &index[name->toCaseFolded()];
            continue;
        }
        if (!section)
            continue;
        if (const auto k = keyOf(line)) {
            const QString folded = k->toCaseFolded();
            if (!section->contains(folded))
                section->insert(folded, line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
        }
    }
    return index;
}

// The timers read a few keys ten times a second: each file is parsed once and parsed again only
// when its stamp says it changed (or its last change is too recent to trust the stamp).
struct Parsed {
    QByteArray encoded; // the path, for stat()
    FileStamp stamp;
    std::optional<Index> index; // nothing when the file is there but cannot be read
};

constexpr qsizetype kMaxCachedFiles = 8;

QMutex cacheLock;
QHash<QString, Parsed>& cache() {
    static QHash<QString, Parsed> files;
    return files;
}

// *watching: whether a watch stands behind the file's stamp (FileStamp::watched).
std::optional<Index> parsed(const QString& path, bool* watching) {
    QMutexLocker lock(&cacheLock);
    QHash<QString, Parsed>& files = cache();
    const auto kept = files.constFind(path);
    const QByteArray encoded = kept != files.cend() ? kept->encoded : QFile::encodeName(path);
    const FileStamp stamp = FileStamp::watched(encoded, watching);
    if (kept != files.cend() && Fresh(kept->stamp, stamp))
        return kept->index;
    lock.unlock();
    const std::optional<Contents> contents = readLines(path);
    std::optional<Index> index;
    if (contents)
        index = indexOf(contents->lines);
    lock.relock();
    if (files.size() >= kMaxCachedFiles && !files.contains(path))
        files.clear();
    files.insert(path, Parsed{encoded, stamp, index});
    return index;
}

// The last answers of read(), each good while no watched file has changed since (the count of
// FileStamp::watchedChanges) and this program has written no ini file: a timer's read of a key it
// read a moment ago is then a comparison of three texts.
struct Answer {
    QString path, section, key;
    std::optional<QString> value;
    quint64 changes = 0, writes = 0;
};
constexpr std::size_t kKeptAnswers = 16;
std::array<Answer, kKeptAnswers> answers;
std::size_t nextAnswer = 0;
quint64 writes = 0; // the writes of this program, each of which makes every answer stale

void forget(const QString& path) {
    QMutexLocker lock(&cacheLock);
    cache().remove(path);
    ++writes;
}

// The settings file holds the mail password: readable by its owner only, as MAIL.INI is.
constexpr unsigned kFileMode = 0600;

bool save(const QString& path, const QStringList& lines, QString* why) {
    const QByteArray bytes = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    return atomic_file::replace(path, bytes, kFileMode, why);
}

} // namespace

std::optional<QString> read(const QString& path, const QString& section, const QString& key) {
    // Taken before the file is looked at: a change while reading moves it past the answer's.
    const quint64 changes = FileStamp::watchedChanges();
    quint64 writesBefore = 0;
    {
        QMutexLocker lock(&cacheLock);
        for (const Answer& answer : answers) {
            if (answer.changes == changes && answer.writes == writes && answer.key == key &&
                answer.section == section && answer.path == path)
                return answer.value;
        }
        writesBefore = writes;
    }
    bool watching = false;
    const std::optional<Index> index = parsed(path, &watching);
    std::optional<QString> value;
    if (index) {
        const auto keys = index->constFind(section.toCaseFolded());
        if (keys != index->cend()) {
            const auto found = keys->constFind(key.trimmed().toCaseFolded());
            if (found != keys->cend())
                value = *found;
        }
    }
    if (watching) {
        QMutexLocker lock(&cacheLock);
        answers[nextAnswer] = Answer{path, section, key, value, changes, writesBefore};
        nextAnswer = (nextAnswer + 1) % kKeptAnswers;
    }
    return value;
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           QString* why) {
    return writeAll(path, section, {{key, value}}, why);
}

bool writeAll(const QString& path, const QString& section, const Pairs& pairs, QString* why) {
    if (hasLineBreak(section) || section.contains(QLatin1Char(']'))) {
        say(why, QStringLiteral("the section \"%1\" cannot be stored").arg(section.simplified()));
        return false;
    }
    for (const auto& [key, value] : pairs) {
        const QString k = key.trimmed();
        if (k.isEmpty() || k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('[')) ||
            k.startsWith(QLatin1Char(';')) || hasLineBreak(k) || hasLineBreak(value)) {
            say(why, QStringLiteral("the key \"%1\" or its value cannot be stored").arg(k.simplified()));
            return false;
        }
    }

    // A file that could not be read whole would be replaced by one holding little more than these keys.
    std::optional<Contents> contents = readLines(path, why);
    if (!contents)
        return false;
    if (!contents->exact) {
        say(why, QStringLiteral("it holds bytes of no known encoding, which a rewrite would lose"));
        return false;
    }
    for (const auto& [key, value] : pairs)
        setLine(contents->lines, section.trimmed(), key.trimmed(), value.trimmed());

    const bool saved = save(path, contents->lines, why);
    // Whatever came of it, the next read looks at the file again.
    forget(path);
    return saved;
}

Backup::Backup(const QString& path) : path_(path), existed_(QFileInfo::exists(path)) {
    const std::optional<QByteArray> bytes = readBytes(path);
    readable_ = bytes.has_value();
    bytes_ = bytes.value_or(QByteArray());
}

bool Backup::restore() const {
    if (!readable_)
        return false;
    bool restored = false;
    if (!existed_) {
        restored = !QFileInfo::exists(path_) || QFile::remove(path_);
    } else {
        restored = writeFileAtomically(path_, bytes_, kFileMode);
    }
    forget(path_);
    return restored;
}

} // namespace platform::ini
