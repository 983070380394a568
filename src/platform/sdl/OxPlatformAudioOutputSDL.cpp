// Mixer output backend: an SDL2 audio device that pulls the mix on SDL's
// audio thread. Opening starts SDL's audio part afresh each time, so that a
// sound server that restarted is reached again. Stopping SDL's audio part
// after a failed open is left to OxPlatformAudioOutputSettle: with the ALSA
// driver it waits for a thread that polls ten times a second, which would
// hold the game's start up by a tenth of a second on a machine without a
// sound card.
#include <dlfcn.h>

#include <SDL.h>

#include <mutex>

#include "platform/OxPlatformAudioOutput.h"

struct OxPlatformAudioOutput {
  SDL_AudioDeviceID id = 0;
  OxPlatformAudioRender render = nullptr;
  void* user = nullptr;
};

namespace {

// The ALSA library prints its errors to stderr (a machine without a sound
// card gets a screenful on every open). A silent handler is installed while
// an output is open or being opened, through the library SDL itself uses.
typedef void (*AlsaErrorHandler)(const char* file, int line, const char* function, int error,
                                 const char* format, ...);
typedef int (*AlsaSetErrorHandler)(AlsaErrorHandler handler);

struct OutputState {
  // Outputs open and close on the device's thread as well as the game's.
  std::mutex lock;
  void* alsaLibrary = nullptr;
  AlsaSetErrorHandler setAlsaErrorHandler = nullptr;
  int users = 0;  // outputs open or opening, and a failed open not yet settled
  bool quitOwed = false;  // SDL's audio part is up with no output open
};
OutputState& gOutput = *new OutputState;

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Both expect gOutput.lock held.
void QuietAlsa()
{
  if (gOutput.users++ > 0) return;
  if (!gOutput.alsaLibrary) gOutput.alsaLibrary = dlopen("libasound.so.2", RTLD_NOW);
  if (gOutput.alsaLibrary && !gOutput.setAlsaErrorHandler)
    gOutput.setAlsaErrorHandler = reinterpret_cast<AlsaSetErrorHandler>(
        dlsym(gOutput.alsaLibrary, "snd_lib_error_set_handler"));
  if (gOutput.setAlsaErrorHandler) gOutput.setAlsaErrorHandler(SilentAlsaError);
}

void RestoreAlsa()
{
  if (--gOutput.users > 0) return;
  if (gOutput.setAlsaErrorHandler) gOutput.setAlsaErrorHandler(nullptr);
}

// Stops SDL's audio part that a failed open left up. Expects gOutput.lock held.
void SettleLocked()
{
  if (!gOutput.quitOwed) return;
  gOutput.quitOwed = false;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_ClearError();
  RestoreAlsa();
}

void SDLCALL FillBuffer(void* user, Uint8* stream, int length)
{
  auto* output = static_cast<OxPlatformAudioOutput*>(user);
  auto* out = reinterpret_cast<float*>(stream);
  int frames = length / static_cast<int>(2 * sizeof(float));
  output->render(output->user, out, frames);
  OxPlatformAudioLimit(out, 2 * frames);
}

}  // namespace

OxPlatformAudioOutput* OxPlatformAudioOutputOpen(OxPlatformAudioRender render, void* user)
{
  std::lock_guard<std::mutex> hold(gOutput.lock);
  SettleLocked();
  QuietAlsa();
  auto* output = new OxPlatformAudioOutput;
  output->render = render;
  output->user = user;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = kOxPlatformAudioRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kOxPlatformAudioFrames;
    want.callback = FillBuffer;
    want.userdata = output;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware takes.
    output->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (output->id == 0) gOutput.quitOwed = true;
  }
  SDL_ClearError();
  if (output->id == 0) {
    if (!gOutput.quitOwed) RestoreAlsa();
    delete output;
    return nullptr;
  }
  SDL_PauseAudioDevice(output->id, 0);
  return output;
}

bool OxPlatformAudioOutputIsLost(OxPlatformAudioOutput* output)
{
  // A device that went away is disabled by SDL, which then reports it
  // stopped (and keeps calling back into a buffer that goes nowhere).
  return SDL_GetAudioDeviceStatus(output->id) == SDL_AUDIO_STOPPED;
}

void OxPlatformAudioOutputClose(OxPlatformAudioOutput* output)
{
  if (!output) return;
  std::lock_guard<std::mutex> hold(gOutput.lock);
  SDL_CloseAudioDevice(output->id);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_ClearError();
  RestoreAlsa();
  delete output;
}

void OxPlatformAudioOutputSettle()
{
  std::lock_guard<std::mutex> hold(gOutput.lock);
  SettleLocked();
}

void OxPlatformAudioOutputLeaveThread()
{
  // SDL keeps its error text per thread and frees it only for threads it
  // started itself.
  SDL_TLSCleanup();
}

bool OxPlatformAudioOutputThreaded() { return true; }

const char* OxPlatformAudioOutputForcedDriver()
{
  // The environment variable, or a hint of the same name set in the process.
  const char* driver = SDL_GetHint(SDL_HINT_AUDIODRIVER);
  return driver && *driver ? driver : nullptr;
}
