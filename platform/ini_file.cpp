#include "ini_file.h"

#include "platform/codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

namespace platform::ini {
namespace {

struct Contents {
    QStringList lines;
    // False when some bytes fit no encoding and were read as '?': writing the file back would
    // lose them.
    bool exact = true;
};

// The file's bytes: empty when there is no file, nothing when it is there but cannot be read.
std::optional<QByteArray> readBytes(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The file's lines, nothing when it cannot be read. A file that is not UTF-8 is read as CP932,
// the encoding Windows programs save Japanese settings files in; it is written back as UTF-8.
std::optional<Contents> readLines(const QString& path) {
    const std::optional<QByteArray> bytes = readBytes(path);
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

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

} // namespace

std::optional<QString> read(const QString& path, const QString& section, const QString& key) {
    const std::optional<Contents> contents = readLines(path);
    if (!contents)
        return std::nullopt;
    bool inSection = false;
    for (const QString& line : contents->lines) {
        if (const auto name = sectionOf(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = keyOf(line); k && sameName(*k, key.trimmed()))
            return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return std::nullopt;
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value) {
    return writeAll(path, section, {{key, value}});
}

bool writeAll(const QString& path, const QString& section, const Pairs& pairs) {
    if (hasLineBreak(section) || section.contains(QLatin1Char(']')))
        return false;
    for (const auto& [key, value] : pairs) {
        const QString k = key.trimmed();
        if (k.isEmpty() || k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('[')) ||
            k.startsWith(QLatin1Char(';')) || hasLineBreak(k) || hasLineBreak(value))
            return false;
    }

    // A file that could not be read whole would be replaced by one holding little more than these keys.
    std::optional<Contents> contents = readLines(path);
    if (!contents || !contents->exact)
        return false;
    for (const auto& [key, value] : pairs)
        setLine(contents->lines, section.trimmed(), key.trimmed(), value.trimmed());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = (contents->lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

Backup::Backup(const QString& path) : path_(path), existed_(QFileInfo::exists(path)) {
    const std::optional<QByteArray> bytes = readBytes(path);
    readable_ = bytes.has_value();
    bytes_ = bytes.value_or(QByteArray());
}

bool Backup::restore() const {
    if (!readable_)
        return false;
    if (!existed_)
        return !QFileInfo::exists(path_) || QFile::remove(path_);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes_) != bytes_.size())
        return false;
    return file.commit();
}

} // namespace platform::ini
