// Audio output: the platform's audio device, one backend per platform. It
// pulls 32-bit float stereo frames at kOxPlatformAudioRate, in buffers of
// kOxPlatformAudioFrames, from a render function on its own thread.
#pragma once

// The output format: 32-bit float stereo, interleaved, at this rate.
constexpr int kOxPlatformAudioRate = 48000;
// Frames per device buffer (5.3 ms): how long a change waits to be heard.
constexpr int kOxPlatformAudioFrames = 256;

struct OxPlatformAudioOutput;
// Mixes frameCount stereo frames into out; runs on the device's thread.
typedef void (*OxPlatformAudioRender)(void* user, float* out, int frameCount);

// Opens the default output device (32-bit float stereo, kOxPlatformAudioRate,
// kOxPlatformAudioFrames per buffer) and starts it calling render on its own
// thread. Null when no device opens. Writes nothing to stderr.
OxPlatformAudioOutput* OxPlatformAudioOutputOpen(OxPlatformAudioRender render, void* user);
// Finishes what a failed open left to the calling thread. A backend may
// leave slow teardown to it (SDL's ALSA driver joins a thread that polls ten
// times a second), so that the game's thread does not wait: the device's own
// thread calls this after a failed open; the next open settles first too.
void OxPlatformAudioOutputSettle();
// True once the device has gone away (unplugged, its sound server gone).
bool OxPlatformAudioOutputIsLost(OxPlatformAudioOutput* output);
// Stops and closes the device; when this returns, render is no longer
// running or called.
void OxPlatformAudioOutputClose(OxPlatformAudioOutput* output);
// Releases what the backend keeps for the calling thread; a thread that
// opened or closed outputs calls it before it ends.
void OxPlatformAudioOutputLeaveThread();
// The output driver the user forced for this process (SDL_AUDIODRIVER), or
// null when the backend chooses one itself. A forced driver that fails to
// open is not tried again: it would fail the same way, and some drivers'
// libraries print to standard error at every attempt.
const char* OxPlatformAudioOutputForcedDriver();

// False where the program has only one thread (the browser's page): there
// render is called on the game's thread while it waits between frames, and
// what would run on threads of the mixer's own is driven from the game's
// per-frame update instead.
bool OxPlatformAudioOutputThreaded();

// What a device takes of a rendered buffer: full scale at most, and a sum
// that is not a number (huge volumes of opposite signs overflowing) as
// silence. count is the number of floats (twice the frames).
inline void OxPlatformAudioLimit(float* samples, int count)
{
  for (int i = 0; i < count; ++i) {
    if (samples[i] > 1.0f) samples[i] = 1.0f;
    else if (!(samples[i] >= -1.0f)) samples[i] = samples[i] < -1.0f ? -1.0f : 0.0f;
  }
}
