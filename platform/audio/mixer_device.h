#pragma once
// The one sound device that the MP3 player and the MIDI sequencer share (internal to morvik_audio).
//
// acquire(user) opens the device on the first claim and keeps it open while any user holds a claim;
// release(user) drops the claim and closes the device after the last one. When no sound device can
// be opened (no sound server, no card, or SDL_AUDIODRIVER=dummy), SDL's dummy driver is used: it
// consumes the mixed sound at the real rate, so clips and songs still end on time, silently. That
// is said once per process on standard error. acquire() fails only when even that is impossible.
//
// The device mixes MP3 clips on kClipChannel; MIDI songs use the mixer's single music stream, whose
// current user is musicOwner (a token the sequencer sets, so it can tell that its song still plays).
namespace platform::audio::device {

enum User : unsigned { kClips = 1, kSequencer = 2 };

inline constexpr int kClipChannel = 0;

bool acquire(User user);
void release(User user);

// On the silent driver the mixing thread sleeps while nothing sounds: whoever starts a clip or a
// song calls wake() first; restIfSilent() lets the thread sleep again once nothing sounds (called
// by itself when a clip or song ends or is halted).
void wake();
void restIfSilent();

// The token of whoever last started the music stream; nullptr when nobody did since it was halted.
inline const void* musicOwner = nullptr;

} // namespace platform::audio::device
