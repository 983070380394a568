// Mixer internals shared by the mixing core and its backends: the file
// decoder (libsndfile), the output (SDL2 audio) and the device around it.
#pragma once
#include <stdint.h>

#include <vector>

#include "platform/OxPlatformMixer.h"

// --- Decoder: files to interleaved stereo float frames ----------------------
struct OxMixerDecoder;

// Opens path for decoding. On success *rate is the file's frame rate.
OxMixerResult OxMixerDecoderOpen(const char* path, OxMixerDecoder** decoder, int* rate);
// Decodes up to frameCount frames as stereo into out (2 floats per frame).
// Returns the frames decoded, 0 at the end of the file, -1 on a read error.
int64_t OxMixerDecoderRead(OxMixerDecoder* decoder, float* out, int64_t frameCount);
// Goes back to the first frame; false when the file cannot seek.
bool OxMixerDecoderRewind(OxMixerDecoder* decoder);
void OxMixerDecoderClose(OxMixerDecoder* decoder);
// Decodes a whole file as stereo. Fails on a file that does not open, holds
// no frames, or ends before the length its header declares.
OxMixerResult OxMixerDecodeWhole(const char* path, std::vector<float>* frames, int* rate);

// --- Output: the platform's audio device, one backend per platform --------
struct OxMixerOutput;
// Mixes frameCount stereo frames into out; runs on the device's thread.
typedef void (*OxMixerRenderFunction)(void* user, float* out, int frameCount);

// Opens the default output device (32-bit float stereo, kOxMixerOutputRate,
// kOxMixerDeviceFrames per buffer) and starts it calling render on its own
// thread. Null when no device opens. Writes nothing to stderr.
OxMixerOutput* OxMixerOutputOpen(OxMixerRenderFunction render, void* user);
// True once the device has gone away (unplugged, its sound server gone).
bool OxMixerOutputIsLost(OxMixerOutput* output);
// Stops and closes the device; when this returns, render is no longer
// running or called.
void OxMixerOutputClose(OxMixerOutput* output);
// Releases what the backend keeps for the calling thread; a thread that
// opened or closed outputs calls it before it ends.
void OxMixerOutputLeaveThread();

// --- Device: an output that survives losing its device ----------------------
// Keeps render called at the output rate whatever happens to the hardware:
// from the output while one is open, else from a silent clock of its own
// that also tries the default device again every second. Backend-neutral:
// it only uses the output functions above.
struct OxMixerDevice;

// Opens the default output, or starts silent when none opens. Null only
// when the device's thread cannot be started.
OxMixerDevice* OxMixerDeviceOpen(OxMixerRenderFunction render, void* user);
// True while no output is open and the silent clock drives render.
bool OxMixerDeviceIsSilent(OxMixerDevice* device);
// Stops everything; when this returns, render is no longer running or called.
void OxMixerDeviceClose(OxMixerDevice* device);
