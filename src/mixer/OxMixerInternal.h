// Mixer internals shared by the mixing core: the file decoders and the
// device that keeps the platform's audio output pulled.
#pragma once
#include <stdint.h>

#include <vector>

#include "mixer/OxMixer.h"
#include "platform/OxPlatformAudioOutput.h"

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

// --- Device: an output that survives losing its device ----------------------
// Keeps render called at the output rate whatever happens to the hardware:
// from the output while one is open, else from a silent clock of its own
// that also tries the default device again every second. Backend-neutral:
// it only uses the output functions above.
struct OxMixerDevice;

// Opens the default output, or starts silent when none opens. Null only
// when the device's thread cannot be started.
OxMixerDevice* OxMixerDeviceOpen(OxPlatformAudioRender render, void* user);
// True while no output is open and the silent clock drives render.
bool OxMixerDeviceIsSilent(OxMixerDevice* device);
// True for a device without a thread of its own (where the platform has one
// thread only): the game's per-frame update drives it with OxMixerDevicePoll,
// and decodes the streams ahead itself.
bool OxMixerDeviceIsPolled(OxMixerDevice* device);
// One step of what the device's thread does: checks the output, or pulls
// what the silent clock owes and tries the default device again. Does
// nothing on a device with a thread.
void OxMixerDevicePoll(OxMixerDevice* device);
// Stops everything; when this returns, render is no longer running or called.
void OxMixerDeviceClose(OxMixerDevice* device);
