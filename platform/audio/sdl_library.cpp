// The SDL2 and SDL2_mixer calls of this library, loaded when the first of them is made.
//
// SDL2_mixer brings FluidSynth, and with it some forty libraries (JACK, PulseAudio, libsndfile,
// GLib, readline ...), whose loading took a third of the time from the program's start to her
// first picture. None of them is needed before the first sound, so the program is not linked
// against them: each call here finds its function in the library on first use. Without the
// library every call answers as a machine without sound would (no device opens), and that is
// said once on standard error.
#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>

namespace {

// Debian's runtime package name of SDL2_mixer; it loads SDL2 itself.
constexpr const char* kLibrary = "libSDL2_mixer-2.0.so.0";

void* library() {
    static void* const handle = [] {
        void* h = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!h)
            std::fprintf(stderr, "morvik: %s cannot be loaded; voices and music are off\n", kLibrary);
        return h;
    }();
    return handle;
}

void* symbol(const char* name) {
    void* h = library();
    return h ? dlsym(h, name) : nullptr;
}

} // namespace

// Each function resolves its own name once.
#define MORVIK_FORWARD(ret, name, params, args, fallback)                                                    \
    ret SDLCALL name params {                                                                                \
        using Fn = ret(SDLCALL*) params;                                                                     \
        static const Fn fn = reinterpret_cast<Fn>(symbol(#name));                                            \
        return fn ? fn args : fallback;                                                                      \
    }
#define MORVIK_FORWARD_VOID(name, params, args)                                                              \
    void SDLCALL name params {                                                                               \
        using Fn = void(SDLCALL*) params;                                                                    \
        static const Fn fn = reinterpret_cast<Fn>(symbol(#name));                                            \
        if (fn)                                                                                              \
            fn args;                                                                                         \
    }

extern "C" {

MORVIK_FORWARD(int, SDL_InitSubSystem, (Uint32 flags), (flags), -1)
MORVIK_FORWARD_VOID(SDL_QuitSubSystem, (Uint32 flags), (flags))
MORVIK_FORWARD(SDL_bool, SDL_SetHintWithPriority,
               (const char* name, const char* value, SDL_HintPriority priority), (name, value, priority),
               SDL_FALSE)
MORVIK_FORWARD(SDL_bool, SDL_SetHint, (const char* name, const char* value), (name, value), SDL_FALSE)
MORVIK_FORWARD(SDL_bool, SDL_ResetHint, (const char* name), (name), SDL_FALSE)
MORVIK_FORWARD(const char*, SDL_GetCurrentAudioDriver, (void), (), nullptr)
MORVIK_FORWARD(SDL_AudioStatus, SDL_GetAudioDeviceStatus, (SDL_AudioDeviceID dev), (dev), SDL_AUDIO_STOPPED)
MORVIK_FORWARD_VOID(SDL_LockAudioDevice, (SDL_AudioDeviceID dev), (dev))
MORVIK_FORWARD_VOID(SDL_UnlockAudioDevice, (SDL_AudioDeviceID dev), (dev))
MORVIK_FORWARD(Uint64, SDL_GetTicks64, (void), (), 0)
MORVIK_FORWARD(SDL_RWops*, SDL_RWFromConstMem, (const void* mem, int size), (mem, size), nullptr)

MORVIK_FORWARD(int, Mix_Init, (int flags), (flags), 0)
MORVIK_FORWARD_VOID(Mix_Quit, (void), ())
MORVIK_FORWARD(int, Mix_OpenAudio, (int frequency, Uint16 format, int channels, int chunksize),
               (frequency, format, channels, chunksize), -1)
MORVIK_FORWARD_VOID(Mix_CloseAudio, (void), ())
MORVIK_FORWARD(int, Mix_AllocateChannels, (int numchans), (numchans), 0)
MORVIK_FORWARD(int, Mix_SetSoundFonts, (const char* paths), (paths), 0)
MORVIK_FORWARD(Mix_Chunk*, Mix_LoadWAV_RW, (SDL_RWops * src, int freesrc), (src, freesrc), nullptr)
MORVIK_FORWARD(Mix_Music*, Mix_LoadMUS_RW, (SDL_RWops * src, int freesrc), (src, freesrc), nullptr)
MORVIK_FORWARD(Mix_Music*, Mix_LoadMUSType_RW, (SDL_RWops * src, Mix_MusicType type, int freesrc),
               (src, type, freesrc), nullptr)
MORVIK_FORWARD_VOID(Mix_FreeChunk, (Mix_Chunk * chunk), (chunk))
MORVIK_FORWARD_VOID(Mix_FreeMusic, (Mix_Music * music), (music))
MORVIK_FORWARD(Mix_MusicType, Mix_GetMusicType, (const Mix_Music* music), (music), MUS_NONE)
MORVIK_FORWARD(double, Mix_MusicDuration, (Mix_Music * music), (music), -1.0)
MORVIK_FORWARD(int, Mix_PlayChannel, (int channel, Mix_Chunk* chunk, int loops), (channel, chunk, loops), -1)
MORVIK_FORWARD(int, Mix_HaltChannel, (int channel), (channel), 0)
MORVIK_FORWARD(int, Mix_Playing, (int channel), (channel), 0)
MORVIK_FORWARD(Mix_Chunk*, Mix_GetChunk, (int channel), (channel), nullptr)
MORVIK_FORWARD_VOID(Mix_ChannelFinished, (void(SDLCALL * channel_finished)(int channel)), (channel_finished))
MORVIK_FORWARD(int, Mix_PlayMusic, (Mix_Music * music, int loops), (music, loops), -1)
MORVIK_FORWARD(int, Mix_HaltMusic, (void), (), 0)
MORVIK_FORWARD_VOID(Mix_PauseMusic, (void), ())
MORVIK_FORWARD_VOID(Mix_ResumeMusic, (void), ())
MORVIK_FORWARD(int, Mix_PlayingMusic, (void), (), 0)
MORVIK_FORWARD(int, Mix_PausedMusic, (void), (), 0)
MORVIK_FORWARD_VOID(Mix_HookMusicFinished, (void(SDLCALL * music_finished)(void)), (music_finished))

} // extern "C"
