#include "mixer_device.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace platform::audio::device {
namespace {

unsigned claims = 0;
bool saidSilent = false;
bool exitHookSet = false;

// The silent driver's mixing thread would wake every 23 ms to mix nothing. While nothing sounds,
// this (the GUI) thread holds the device's lock, so the mixing thread sleeps on it; every start of
// a sound lets go first. Only for the silent driver: a real device is kept fed.
bool mayRest = false;
SDL_AudioDeviceID restingOn = 0;

// The device SDL_mixer opened (it does not say which): the one open device of this process.
SDL_AudioDeviceID openDevice() {
    for (SDL_AudioDeviceID id = 2; id < 64; ++id) {
        if (SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED)
            return id;
    }
    return 0;
}

bool silent() {
    return Mix_Playing(-1) == 0 && (!Mix_PlayingMusic() || Mix_PausedMusic());
}

// A clip or song came to its end (on the mixing thread): look again on the GUI thread.
void ended() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { restIfSilent(); }, Qt::QueuedConnection);
}
void channelEnded(int) {
    ended();
}

void closeDevice() {
    wake();
    mayRest = false;
    Mix_ChannelFinished(nullptr);
    Mix_HookMusicFinished(nullptr);
    musicOwner = nullptr;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// At exit the mixing thread is stopped before the clips and songs that it reads are destroyed.
void closeAtExit() {
    if (claims != 0)
        closeDevice();
    claims = 0;
}

// SDL tries PulseAudio, PipeWire and ALSA in turn, and ALSA fills standard error with complaints when
// the machine has no card. When none of them can be there, go to the silent driver at once.
bool soundOutputVisible() {
    if (qEnvironmentVariableIsSet("PULSE_SERVER") || qEnvironmentVariableIsSet("PIPEWIRE_REMOTE"))
        return true;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStringLiteral("/run/user/%1").arg(getuid());
    for (const char* socket : {"/pulse/native", "/pipewire-0"}) {
        if (QFileInfo::exists(runtime + QLatin1String(socket)))
            return true;
    }
    if (!QDir(QStringLiteral("/dev/snd")).entryList({QStringLiteral("pcm*")}, QDir::System).isEmpty())
        return true;
    return QFileInfo::exists(QStringLiteral("/dev/dsp"));
}

bool openWith(const char* driver) {
    if (driver)
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0)
        return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

// TimGM6mb ships with Debian's SDL2_mixer; the others are the usual General MIDI fonts. A user's own
// SDL_SOUNDFONTS wins.
void pointAtSoundFont() {
    if (qEnvironmentVariableIsSet("SDL_SOUNDFONTS"))
        return;
    for (const char* font :
         {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
          "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        if (QFileInfo::exists(QString::fromLatin1(font))) {
            Mix_SetSoundFonts(font);
            return;
        }
    }
}

bool open() {
    // SIGTERM and SIGINT are the program's own: SDL would turn them into a quit event that nobody
    // reads, and the session could no longer end her.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool chosen = qEnvironmentVariableIsSet("SDL_AUDIODRIVER");
    bool opened = (chosen || soundOutputVisible()) && openWith(nullptr);
    if (!opened) {
        opened = openWith("dummy");
        SDL_ResetHint(SDL_HINT_AUDIODRIVER); // a later opening looks for a real device again
    }
    if (!opened)
        return false;
    if (!exitHookSet)
        exitHookSet = std::atexit(closeAtExit) == 0;
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
    Mix_AllocateChannels(kClipChannel + 1);
    pointAtSoundFont();
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool dummy = driver && qstrcmp(driver, "dummy") == 0;
    if (!saidSilent && dummy) {
        saidSilent = true;
        std::fputs("morvik: no sound device; voices and music play silently\n", stderr);
    }
    mayRest = dummy;
    if (mayRest) {
        Mix_ChannelFinished(channelEnded);
        Mix_HookMusicFinished(ended);
    }
    return true;
}

} // namespace

bool acquire(User user) {
    if (claims == 0 && !open())
        return false;
    claims |= user;
    restIfSilent();
    return true;
}

void wake() {
    if (restingOn == 0)
        return;
    SDL_UnlockAudioDevice(restingOn);
    restingOn = 0;
}

void restIfSilent() {
    if (claims == 0 || !mayRest || restingOn != 0 || !silent())
        return;
    restingOn = openDevice();
    if (restingOn != 0)
        SDL_LockAudioDevice(restingOn);
}

void release(User user) {
    if (!(claims & user))
        return;
    claims &= ~unsigned(user);
    if (claims != 0)
        return;
    closeDevice();
    Mix_Quit();
}

} // namespace platform::audio::device
