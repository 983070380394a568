// Mixer internals shared by the mixing core and its two backends: the file
// decoder (libsndfile) and the output device (SDL2 audio).
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

// --- Device: pulls mixed frames from the core on the device's thread -------
struct OxMixerDevice;
// Mixes frameCount stereo frames into out; runs on the device's thread.
typedef void (*OxMixerRenderFunction)(void* user, float* out, int frameCount);

// Opens the default output device (32-bit float stereo, kOxMixerOutputRate,
// kOxMixerDeviceFrames per buffer) and starts it; where none opens, the
// silent driver. Null only when not even that opens.
OxMixerDevice* OxMixerDeviceOpen(OxMixerRenderFunction render, void* user);
// True when the device stopped working after it was opened.
bool OxMixerDeviceHasFailed(OxMixerDevice* device);
// Stops the device; when this returns, render is no longer running or called.
void OxMixerDeviceClose(OxMixerDevice* device);
