#include "vbmp3.h"

#include "media_tags.h"
#include "mixer_device.h"

#include "platform/pace.h"

#include <QFile>
#include <QFileInfo>
#include <SDL.h>
#include <SDL_mixer.h>
#include <memory>

namespace {

namespace device = platform::audio::device;
namespace tags = platform::audio::tags;

constexpr qint64 kMaxFileBytes = 128 * 1024 * 1024;
constexpr double kMaxSeconds = 20 * 60; // decoded in memory: 20 minutes are about 200 MB

struct ChunkFree {
    void operator()(Mix_Chunk* c) const { Mix_FreeChunk(c); }
};
struct MusicFree {
    void operator()(Mix_Music* m) const { Mix_FreeMusic(m); }
};

struct Clip {
    std::unique_ptr<Mix_Chunk, ChunkFree> chunk;
    tags::Id3 id3;
    tags::Riff riff;
    Uint64 startedAt = 0;
    QString name; // the file's name, for the trace
};
std::unique_ptr<Clip> clip;

bool playing() {
    return clip && Mix_Playing(device::kClipChannel) &&
           Mix_GetChunk(device::kClipChannel) == clip->chunk.get();
}

// The length of an MP3 stream, or a negative number when the stream is no MP3.
double mp3Seconds(const QByteArray& stream) {
    SDL_RWops* rw = SDL_RWFromConstMem(stream.constData(), int(stream.size()));
    std::unique_ptr<Mix_Music, MusicFree> probe(Mix_LoadMUS_RW(rw, 1));
    if (!probe || Mix_GetMusicType(probe.get()) != MUS_MP3)
        return -1;
    return std::max(Mix_MusicDuration(probe.get()), 0.0);
}

} // namespace

bool vbmp3_init() {
    return device::acquire(device::kClips);
}

bool vbmp3_open(const QString& path, Vbmp3InputInfo* info) {
    vbmp3_close();
    if (info)
        *info = {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes)
        return false;
    const QByteArray bytes = file.readAll();
    file.close();
    auto next = std::make_unique<Clip>();
    next->riff = tags::readRiff(bytes);
    const QByteArray& stream = next->riff.form == "RMP3" ? next->riff.data : bytes;
    if (stream.isEmpty() || !device::acquire(device::kClips))
        return false;
    const double seconds = mp3Seconds(stream);
    if (seconds < 0 || seconds > kMaxSeconds)
        return false;
    next->chunk.reset(Mix_LoadWAV_RW(SDL_RWFromConstMem(stream.constData(), int(stream.size())), 1));
    if (!next->chunk)
        return false;
    next->id3 = tags::readId3(stream);
    if (info) {
        const tags::Frame frame = tags::readFirstFrame(stream);
        info->lengthMs = int(seconds * 1000);
        info->frequency = frame.frequency;
        info->channels = frame.channels;
        info->bitrate = frame.bitrate;
    }
    next->name = QFileInfo(path).fileName();
    clip = std::move(next);
    return true;
}

bool vbmp3_play() {
    if (!clip)
        return false;
    device::wake();
    if (Mix_PlayChannel(device::kClipChannel, clip->chunk.get(), 0) < 0) {
        device::restIfSilent();
        return false;
    }
    clip->startedAt = SDL_GetTicks64();
    platform::pace::mark(QStringLiteral("play ") + clip->name);
    return true;
}

int vbmp3_getState(int* seconds) {
    const bool now = playing();
    if (seconds)
        *seconds = now ? int((SDL_GetTicks64() - clip->startedAt) / 1000) : 0;
    return now ? 1 : 0;
}

bool vbmp3_stop() {
    if (playing())
        Mix_HaltChannel(device::kClipChannel);
    return bool(clip);
}

bool vbmp3_close() {
    if (!clip)
        return false;
    vbmp3_stop();
    clip.reset();
    return true;
}

bool vbmp3_free() {
    vbmp3_close();
    device::release(device::kClips);
    return true;
}

bool vbmp3_getTagInfo(Vbmp3TagInfo* tag) {
    if (!clip || !tag)
        return false;
    const tags::Id3& id3 = clip->id3;
    *tag = {id3.title, id3.artist, id3.album, id3.year, id3.comment, id3.genre};
    return true;
}

bool vbmp3_getListInfo(Vbmp3ListInfo* list) {
    if (!clip || !list)
        return false;
    const auto& i = clip->riff.info;
    *list = {i.value("INAM"), i.value("IART"), i.value("IPRD"), i.value("ICRD"), i.value("IGNR"),
             i.value("ICMT"), i.value("ICOP"), i.value("IENG"), i.value("ISFT"), i.value("ISRC"),
             i.value("IKEY"), i.value("ITCH"), i.value("ISBJ"), i.value("IMED")};
    return true;
}
