#include "mci.h"

#include "mixer_device.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QTimer>
#include <SDL.h>
#include <SDL_mixer.h>
#include <climits>
#include <memory>
#include <optional>
#include <vector>

namespace platform::audio {
namespace {

namespace device = platform::audio::device;

constexpr qint64 kMaxSongBytes = 16 * 1024 * 1024;

struct MusicFree {
    void operator()(Mix_Music* m) const { Mix_FreeMusic(m); }
};

struct Song {
    QString name;     // lower-cased alias
    QByteArray bytes; // the music streams from these bytes while it plays
    std::unique_ptr<Mix_Music, MusicFree> music;
    bool paused = false;
    qint64 playedMs = 0;     // before the last start or resume
    Uint64 resumedAt = 0;    // SDL ticks of the last start or resume
    qint64 toMs = -1;        // where "play … to" stops it
    unsigned generation = 0; // of the play whose "to" is pending
};
std::vector<std::unique_ptr<Song>> songs;
unsigned lastGeneration = 0; // tells a pending "to" timer whether its play is still the current one

bool sounding(const Song& s) {
    return device::musicOwner == &s && Mix_PlayingMusic() && !s.paused;
}

qint64 positionMs(const Song& s) {
    return s.playedMs + (sounding(s) ? qint64(SDL_GetTicks64() - s.resumedAt) : 0);
}

void halt(Song& s) {
    if (device::musicOwner == &s) {
        Mix_HaltMusic();
        device::musicOwner = nullptr;
    }
    s.paused = false;
}

// Ends a song that has reached its "to" point. Called before every command and by the timer that
// "play … to" sets, so the song stops on time even when nobody asks.
void reachEnd(Song& s) {
    if (s.toMs >= 0 && sounding(s) && positionMs(s) >= s.toMs) {
        s.playedMs = s.toMs;
        halt(s);
    }
}

Song* find(const QString& name) {
    for (auto& s : songs) {
        if (s->name == name.toLower())
            return s.get();
    }
    return nullptr;
}

std::optional<QStringList> tokens(const QString& command) {
    QStringList out;
    qsizetype i = 0;
    while (i < command.size()) {
        if (command[i].isSpace()) {
            ++i;
            continue;
        }
        if (command[i] == QLatin1Char('"')) {
            const qsizetype close = command.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return std::nullopt;
            out << command.mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        qsizetype j = i;
        while (j < command.size() && !command[j].isSpace())
            ++j;
        out << command.mid(i, j - i);
        i = j;
    }
    return out;
}

bool word(const QString& token, const char* w) {
    return token.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

std::optional<qint64> number(const QString& token) {
    bool ok = false;
    const qint64 n = token.toLongLong(&ok);
    return ok && n >= 0 ? std::optional<qint64>(n) : std::nullopt;
}

// A RIFF "RMID" file carries the Standard MIDI File in its "data" chunk.
QByteArray standardMidi(const QByteArray& file) {
    if (!file.startsWith("RIFF") || file.mid(8, 4) != "RMID")
        return file;
    qsizetype pos = 12;
    while (pos + 8 <= file.size()) {
        const quint32 size = quint32(quint8(file[pos + 4])) | quint32(quint8(file[pos + 5])) << 8 |
                             quint32(quint8(file[pos + 6])) << 16 | quint32(quint8(file[pos + 7])) << 24;
        if (file.mid(pos, 4) == "data")
            return file.mid(pos + 8, qsizetype(std::min<qint64>(size, file.size() - pos - 8)));
        pos += 8 + qsizetype(std::min<qint64>(size + (size & 1), file.size()));
    }
    return {};
}

void releaseIfIdle() {
    if (songs.empty())
        device::release(device::kSequencer);
}

int open(const QStringList& t) {
    if (t.size() < 2)
        return kMciMissingParameter;
    const QString path = t[1];
    QString type, alias = path;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (word(t[i], "type") || word(t[i], "alias")) {
            if (i + 1 >= t.size())
                return kMciMissingParameter;
            (word(t[i], "type") ? type : alias) = t[i + 1];
            ++i;
        } else if (!word(t[i], "notify") && !word(t[i], "wait") && !word(t[i], "shareable")) {
            return kMciBadParameter;
        }
    }
    if (!type.isEmpty() && !word(type, "sequencer"))
        return kMciUnsupportedDevice;
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QStringList kMidiSuffixes{QStringLiteral("mid"), QStringLiteral("midi"),
                                           QStringLiteral("rmi"), QStringLiteral("smf")};
    if (type.isEmpty() && !kMidiSuffixes.contains(suffix))
        return kMciNoDeviceForExtension;
    if (find(alias))
        return kMciAliasInUse;
    if (!QFileInfo(path).isFile())
        return kMciFileNotFound;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSongBytes)
        return kMciCannotLoad;
    auto song = std::make_unique<Song>();
    song->name = alias.toLower();
    song->bytes = standardMidi(file.readAll());
    if (!song->bytes.startsWith("MThd"))
        return kMciCannotLoad;
    if (!device::acquire(device::kSequencer))
        return kMciNoSoundDevice;
    SDL_RWops* rw = SDL_RWFromConstMem(song->bytes.constData(), int(song->bytes.size()));
    song->music.reset(Mix_LoadMUSType_RW(rw, MUS_MID, 1));
    if (!song->music) {
        releaseIfIdle();
        return kMciCannotLoad;
    }
    songs.push_back(std::move(song));
    return 0;
}

void stopAt(Song& s, qint64 toMs) {
    s.toMs = toMs;
    const unsigned generation = s.generation = ++lastGeneration;
    if (toMs < 0 || !QCoreApplication::instance())
        return;
    const qint64 wait = std::max<qint64>(toMs - positionMs(s), 0);
    QTimer::singleShot(int(std::min<qint64>(wait, INT_MAX)), [name = s.name, generation] {
        Song* song = find(name);
        if (song && song->generation == generation)
            reachEnd(*song);
    });
}

int play(Song& s, const QStringList& t) {
    std::optional<qint64> from, to;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (word(t[i], "from") || word(t[i], "to")) {
            if (i + 1 >= t.size())
                return kMciMissingParameter;
            const auto n = number(t[i + 1]);
            if (!n)
                return kMciBadInteger;
            (word(t[i], "from") ? from : to) = n;
            ++i;
        } else if (!word(t[i], "notify")) {
            return kMciBadParameter;
        }
    }
    if (from && *from != 0)
        return kMciCannotSeek; // FluidSynth songs cannot be positioned
    device::wake();
    if (device::musicOwner == &s && s.paused && !from) {
        Mix_ResumeMusic();
        s.paused = false;
    } else {
        if (device::musicOwner == &s || Mix_PlayingMusic())
            Mix_HaltMusic();
        if (Mix_PlayMusic(s.music.get(), 0) != 0) {
            device::restIfSilent();
            return kMciCannotPlay;
        }
        device::musicOwner = &s;
        s.paused = false;
        s.playedMs = 0;
    }
    s.resumedAt = SDL_GetTicks64();
    stopAt(s, to ? *to : -1);
    return 0;
}

int stop(Song& s) {
    if (sounding(s)) {
        s.playedMs = positionMs(s);
        Mix_PauseMusic();
        s.paused = true;
        device::restIfSilent();
    }
    s.toMs = -1;
    s.generation = 0;
    return 0;
}

int close(const QString& name) {
    if (word(name, "all")) {
        for (auto& s : songs)
            halt(*s);
        songs.clear();
    } else {
        Song* s = find(name);
        if (!s)
            return kMciDeviceNotOpen;
        halt(*s);
        std::erase_if(songs, [s](const auto& p) { return p.get() == s; });
    }
    releaseIfIdle();
    return 0;
}

int status(const Song& s, const QStringList& t, QString* answer) {
    if (t.size() < 3)
        return kMciMissingParameter;
    if (t.size() > 3)
        return kMciBadParameter;
    if (!word(t[2], "mode"))
        return kMciUnsupportedItem;
    *answer = sounding(s) ? QStringLiteral("playing") : QStringLiteral("stopped");
    return 0;
}

} // namespace

int mciSendString(const QString& command, QString* returnText) {
    QString answer;
    if (returnText)
        returnText->clear();
    for (auto& s : songs)
        reachEnd(*s);
    const auto t = tokens(command);
    if (!t)
        return kMciMissingQuote;
    if (t->isEmpty())
        return kMciUnknownCommand;
    const QString& verb = t->front();
    int code = kMciUnknownCommand;
    if (word(verb, "open")) {
        code = open(*t);
    } else if (word(verb, "close")) {
        code = t->size() < 2 ? kMciMissingParameter : t->size() > 2 ? kMciBadParameter : close((*t)[1]);
    } else if (word(verb, "play") || word(verb, "stop") || word(verb, "status")) {
        Song* s = t->size() < 2 ? nullptr : find((*t)[1]);
        if (t->size() < 2)
            code = kMciMissingParameter;
        else if (!s)
            code = kMciDeviceNotOpen;
        else if (word(verb, "play"))
            code = play(*s, *t);
        else if (word(verb, "stop"))
            code = t->size() > 2 ? kMciBadParameter : stop(*s);
        else
            code = status(*s, *t, &answer);
    }
    if (code == 0 && returnText)
        *returnText = answer;
    return code;
}

bool mciGetErrorString(int code, QString* text) {
    static const QHash<int, QString> kTexts{
        {0, QStringLiteral("コマンドは正しく実行されました。")},
        {kMciUnknownCommand, QStringLiteral("認識できないコマンドです。")},
        {kMciMissingParameter, QStringLiteral("コマンドに必要なパラメータがありません。")},
        {kMciBadParameter, QStringLiteral("このコマンドには使えないパラメータがあります。")},
        {kMciBadInteger, QStringLiteral("数値のパラメータが正しくありません。")},
        {kMciMissingQuote, QStringLiteral("引用符が閉じられていません。")},
        {kMciDeviceNotOpen, QStringLiteral("指定されたデバイスは開かれていません。")},
        {kMciAliasInUse, QStringLiteral("その別名は既に使われています。")},
        {kMciFileNotFound, QStringLiteral("指定されたファイルが見つかりません。")},
        {kMciNoDeviceForExtension, QStringLiteral("ファイルの拡張子に対応するデバイスがありません。")},
        {kMciUnsupportedDevice, QStringLiteral("指定された種類のデバイスは使えません。")},
        {kMciCannotLoad, QStringLiteral("ファイルを読み込めません。MIDI ファイルではないか、壊れています。")},
        {kMciCannotSeek, QStringLiteral("このデバイスでは再生を始める位置を指定できません。")},
        {kMciUnsupportedItem, QStringLiteral("その項目は問い合わせできません。")},
        {kMciNoSoundDevice, QStringLiteral("サウンドデバイスを使えません。")},
        {kMciCannotPlay, QStringLiteral("再生を始められません。")},
    };
    const auto it = kTexts.find(code);
    if (it == kTexts.end())
        return false;
    if (text)
        *text = *it;
    return true;
}

} // namespace platform::audio
