#include "clip_export.h"

#include "app/state/Module1.h"
#include "app/state/speak.h"
#include "platform/program_folder.h"

#include <QFile>
#include <QRegularExpression>

namespace clip {
namespace {

bool safeNamePart(const QString& s) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,32}$"));
    return pattern.match(s).hasMatch();
}

void resetCounters() {
    speak::state.ChunkOffset = 0;
    speak::state.BlobSize = 0;
    speak::state.ChunkCount = 0;
    speak::state.ChunkRest = 0;
    speak::state.ChunkBuffer.clear();
}

QString inTempFolder(const QString& name) {
    return platform::tempFolder() + QLatin1Char('/') + name;
}

// One piece of the clip: length bytes at the running offset, read into the shared buffer and
// appended to the file.
bool copyPiece(const sqlite_db::Blob& blob, QFile& file, int length) {
    std::optional<QByteArray> piece = blob.piece(speak::state.ChunkOffset, length);
    if (!piece)
        return false;
    speak::state.ChunkBuffer = std::move(*piece);
    return file.write(speak::state.ChunkBuffer) == length;
}

} // namespace

std::optional<QString> clipFileName(const QString& prefix, const QString& key) {
    if (!safeNamePart(prefix) || !safeNamePart(key))
        return std::nullopt;
    return prefix + key + QStringLiteral(".mp3");
}

ExportResult exportClip(heart::Connection& db, heart::Table table, const QString& key,
                        const QString& prefix) {
    resetCounters();
    ExportResult result;
    const heart::TableShape& shape = heart::shapeOf(table);

    bool isNumber = false;
    const qint64 number = key.toLongLong(&isNumber);
    const QString asked = shape.numberKey && isNumber ? QString::number(number) : key;
    const auto askedName = clipFileName(prefix, asked);
    if (!askedName) {
        result.error = QStringLiteral("'%1' and '%2' cannot name a clip file").arg(prefix, key);
        return result;
    }
    Module1::state.VoiceFile = inTempFolder(*askedName);
    auto fail = [&result](const QString& error) {
        QFile::remove(Module1::state.VoiceFile);
        result.error = error;
        return result;
    };
    if (!shape.clip)
        return fail(QStringLiteral("the table %1 holds no clips").arg(QLatin1String(shape.name)));
    if (shape.numberKey && !isNumber)
        return fail(QStringLiteral("no %1 row %2").arg(QLatin1String(shape.name), key));

    heart::Statement row(db, QByteArray("SELECT rowid, ") + shape.key + ", typeof(" + shape.clip + ") FROM " +
                                 shape.name + " WHERE " + shape.key + " = ?1");
    if (shape.numberKey)
        row.bind(1, number);
    else
        row.bind(1, key);
    if (row.step() != heart::Statement::Step::row)
        return fail(QStringLiteral("no %1 row %2").arg(QLatin1String(shape.name), key));
    const qint64 rowid = row.integer(0);
    const bool empty = row.text(2) == QStringLiteral("null");
    // The file is named after the key as the row holds it.
    const auto name = clipFileName(prefix, row.text(1).value_or(QString()));
    if (!name)
        return fail(
            QStringLiteral("the %1 row %2 cannot name a clip file").arg(QLatin1String(shape.name), key));
    if (inTempFolder(*name) != Module1::state.VoiceFile) {
        QFile::remove(Module1::state.VoiceFile);
        Module1::state.VoiceFile = inTempFolder(*name);
    }

    QFile file(Module1::state.VoiceFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("cannot write %1").arg(Module1::state.VoiceFile));
    if (!empty) {
        const sqlite_db::Blob blob(db, shape.name, shape.clip, rowid);
        if (!blob.ok())
            return fail(db.error());
        speak::state.BlobSize = qint32(blob.size());
        speak::state.ChunkRest = speak::state.BlobSize % kChunkSize;
        if (!copyPiece(blob, file, speak::state.ChunkRest))
            return fail(QStringLiteral("cannot copy the clip to %1").arg(Module1::state.VoiceFile));
        speak::state.ChunkOffset += speak::state.ChunkRest;
        while (speak::state.ChunkOffset < speak::state.BlobSize) {
            if (!copyPiece(blob, file, kChunkSize))
                return fail(QStringLiteral("cannot copy the clip to %1").arg(Module1::state.VoiceFile));
            ++speak::state.ChunkCount;
            speak::state.ChunkOffset += kChunkSize;
        }
    }
    if (!file.flush())
        return fail(QStringLiteral("cannot write %1").arg(Module1::state.VoiceFile));
    file.close();
    result.ok = true;
    result.path = Module1::state.VoiceFile;
    result.size = speak::state.BlobSize;
    return result;
}

} // namespace clip
