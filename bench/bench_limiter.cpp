// The frame limiter's cost and precision. "bench_limiter LIMITER SECONDS
// FILE" runs the minimal game of the README (an 800 x 600 window, a spinning
// triangle, a line of text, a sound at the start; vertical sync asked for)
// at 60 frames a second for SECONDS and appends each frame's time in
// milliseconds to FILE. LIMITER "engine" lets the library's frame-rate
// controller hold the rate (it sleeps, then spins the last stretch); "spin"
// gives the library no limit and waits as the controller used to, spinning
// on the clock for the whole remainder of the frame; "sleep" gives the
// library no limit and sleeps for the whole remainder with no spin at all,
// the floor of processor time and what precision is left without a spin;
// "partial" gives the library no limit and waits as a partial busy wait
// does in the limiters other 2D libraries ship: a sleep for 95 % of the
// remainder, then a spin on the clock for the rest.
// All time a frame the same way: OxGetTime before OxSysFrameStart to the end
// of the wait. The
// first 30 frames (the software rasteriser compiles its shaders in the first
// one) are run but not counted. Prints "BENCH limiter LIMITER cpu_seconds
// wall_seconds frames" for the counted frames: the processor time of the
// whole process (every thread: the game's, the software rasteriser's and the
// mixer's).
// "bench_limiter lateness COUNT" sleeps COUNT times for 10 ms with the same
// POSIX call the library uses and prints how late the sleeps came back
// (median, 99th percentile, largest, microseconds): what the limiter's
// margin has to absorb on this machine at the time.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include <algorithm>
#include <vector>

#include "BenchCommon.h"
#include "Oxlen.h"

namespace {

const unsigned int kFrameRate = 60;
const int kWarmupFrames = 30;

// Sleeps count times for 10 ms; prints the lateness quantiles.
int MeasureLateness(int count)
{
  std::vector<double> lateness;
  for (int i = 0; i < count; ++i) {
    timespec wanted = {0, 10000000};
    double before = bench::Now();
    clock_nanosleep(CLOCK_MONOTONIC, 0, &wanted, nullptr);
    lateness.push_back((bench::Now() - before - 0.010) * 1e6);
  }
  std::sort(lateness.begin(), lateness.end());
  printf("BENCH lateness_us %.0f %.0f %.0f\n", lateness[lateness.size() / 2],
         lateness[lateness.size() * 99 / 100], lateness.back());
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 3 && strcmp(argv[1], "lateness") == 0) return MeasureLateness(atoi(argv[2]));
  if (argc != 4 || (strcmp(argv[1], "engine") != 0 && strcmp(argv[1], "spin") != 0 &&
                    strcmp(argv[1], "sleep") != 0 && strcmp(argv[1], "partial") != 0)) {
    printf("usage: bench_limiter engine|spin|sleep|partial SECONDS FILE, or bench_limiter "
           "lateness COUNT\n");
    return 2;
  }
  const bool engineLimits = strcmp(argv[1], "engine") == 0;
  const bool sleepOnly = strcmp(argv[1], "sleep") == 0;
  const bool partial = strcmp(argv[1], "partial") == 0;
  const double seconds = atof(argv[2]);
  const double minimum = 1.0 / kFrameRate;

  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, engineLimits ? kFrameRate : 0, 1, nullptr))
    return 1;
  OxGfxSetBackgroundColor(0.1f, 0.1f, 0.2f);
  OxGfxMeshStart();
  OxGfxTriAdd(-80, -60, 0xFFFF4040, 0, 0, 80, -60, 0xFF40FF40, 0, 0, 0, 90, 0xFF4080FF, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  OxGfxFontId font = OxGfxCreateFont(bench::kFontPath, 32);
  OxAudioGroup effects = OxAudioCreateGroup();
  OxAudio beep = OxAudioLoadSound(BENCH_SOUND_PATH);
  OxAudioPlay(beep, effects, 1.0f, 1.0f, 0);

  std::vector<double> frameTimes;
  frameTimes.reserve(static_cast<size_t>(seconds * kFrameRate * 2) + 16);
  double cpuStart = 0, wallStart = 0;
  float angle = 0;
  for (int frame = 0; OxSysDoesWindowExist(); ++frame) {
    if (frame == kWarmupFrames) {
      cpuStart = bench::ProcessCpu();
      wallStart = OxGetTime(nullptr);
    }
    if (frame > kWarmupFrames && OxGetTime(nullptr) - wallStart >= seconds) break;
    double frameStart = OxGetTime(nullptr);
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33 rotation;
    OxMtx33RotDeg(&rotation, angle += 1.0f);
    OxGfxSetTransform(&rotation);
    OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
    OxGfxPrint(font, "Hello from Oxlen", -0.4f, 0.8f, 1.0f, 1, 1, 1, 1);
    OxSysFrameEnd();
    if (sleepOnly || partial) {
      double remaining = minimum - (OxGetTime(nullptr) - frameStart);
      if (remaining > 0) {
        timespec wanted = {0, static_cast<long>(remaining * (partial ? 0.95 : 1.0) * 1e9)};
        clock_nanosleep(CLOCK_MONOTONIC, 0, &wanted, nullptr);
      }
      while (partial && OxGetTime(nullptr) - frameStart < minimum) {
      }
    } else if (!engineLimits) {
      while (OxGetTime(nullptr) - frameStart < minimum) {
      }
    }
    if (frame >= kWarmupFrames) frameTimes.push_back(OxGetTime(nullptr) - frameStart);
  }
  double wall = OxGetTime(nullptr) - wallStart;
  double cpu = bench::ProcessCpu() - cpuStart;

  OxGfxMeshFree(triangle);
  OxAudioUnloadAudio(beep);
  OxAudioUnloadAudioGroup(effects);
  OxSysExit();

  FILE* file = fopen(argv[3], "a");
  if (!file) return 1;
  for (double time : frameTimes) fprintf(file, "%.4f\n", time * 1000.0);
  fclose(file);
  printf("BENCH limiter %s %.3f %.3f %zu\n", argv[1], cpu, wall, frameTimes.size());
  return 0;
}
