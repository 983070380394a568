// Mixer device backend: an SDL2 audio device that pulls the mix on its own
// thread, falling back to SDL2's silent driver where no device opens.
#include <dlfcn.h>

#include <SDL.h>

#include "platform/OxPlatformMixerInternal.h"

struct OxMixerDevice {
  SDL_AudioDeviceID id = 0;
  OxMixerRenderFunction render = nullptr;
  void* user = nullptr;
};

namespace {

// The ALSA library prints its errors to stderr (a machine without a sound
// card gets a screenful on every open). A silent handler is installed while
// a device is open, through the library SDL itself uses.
typedef void (*AlsaErrorHandler)(const char* file, int line, const char* function, int error,
                                 const char* format, ...);
typedef int (*AlsaSetErrorHandler)(AlsaErrorHandler handler);

struct DeviceState {
  void* alsaLibrary = nullptr;
  AlsaSetErrorHandler setAlsaErrorHandler = nullptr;
  int openDevices = 0;
} gDevice;

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa()
{
  if (!gDevice.alsaLibrary) gDevice.alsaLibrary = dlopen("libasound.so.2", RTLD_NOW);
  if (gDevice.alsaLibrary && !gDevice.setAlsaErrorHandler)
    gDevice.setAlsaErrorHandler = reinterpret_cast<AlsaSetErrorHandler>(
        dlsym(gDevice.alsaLibrary, "snd_lib_error_set_handler"));
  if (gDevice.setAlsaErrorHandler) gDevice.setAlsaErrorHandler(SilentAlsaError);
}

void RestoreAlsa()
{
  if (gDevice.setAlsaErrorHandler) gDevice.setAlsaErrorHandler(nullptr);
}

void SDLCALL FillBuffer(void* user, Uint8* stream, int length)
{
  auto* device = static_cast<OxMixerDevice*>(user);
  auto* out = reinterpret_cast<float*>(stream);
  int frames = length / static_cast<int>(2 * sizeof(float));
  device->render(device->user, out, frames);
  for (int i = 0; i < 2 * frames; ++i) {
    if (out[i] > 1.0f) out[i] = 1.0f;
    else if (out[i] < -1.0f) out[i] = -1.0f;
  }
}

SDL_AudioDeviceID OpenWithCurrentDriver(OxMixerDevice* device)
{
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = kOxMixerOutputRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kOxMixerDeviceFrames;
  want.callback = FillBuffer;
  want.userdata = device;
  SDL_AudioSpec have;
  // No changes allowed: SDL converts to whatever the hardware takes.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

}  // namespace

OxMixerDevice* OxMixerDeviceOpen(OxMixerRenderFunction render, void* user)
{
  QuietAlsa();
  auto* device = new OxMixerDevice;
  device->render = render;
  device->user = user;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    device->id = OpenWithCurrentDriver(device);
    if (device->id == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  if (device->id == 0) {
    // The silent driver consumes buffers at the real rate, so time passes and
    // channels end as they would on a device.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      device->id = OpenWithCurrentDriver(device);
      if (device->id == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  }
  SDL_ClearError();
  if (device->id == 0) {
    if (gDevice.openDevices == 0) RestoreAlsa();
    delete device;
    return nullptr;
  }
  ++gDevice.openDevices;
  SDL_PauseAudioDevice(device->id, 0);
  return device;
}

bool OxMixerDeviceHasFailed(OxMixerDevice* device)
{
  return SDL_GetAudioDeviceStatus(device->id) == SDL_AUDIO_STOPPED;
}

void OxMixerDeviceClose(OxMixerDevice* device)
{
  if (!device) return;
  SDL_CloseAudioDevice(device->id);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (--gDevice.openDevices == 0) RestoreAlsa();
  delete device;
}
