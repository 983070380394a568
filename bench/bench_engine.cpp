// The engine's side of a frame scenario: "bench_engine SCENARIO WARMUP FRAMES
// TIMES_FILE" starts the library in an 800 x 600 window with vertical sync
// off and no frame limit, draws WARMUP frames, then appends the time of each
// of FRAMES frames (frame start to after the buffer swap) to TIMES_FILE.
// BENCH_BATCHING=1 turns the library's batched draw path on; BENCH_DEPTH=0
// opens the window without depth and stencil buffers.
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include <valgrind/callgrind.h>

#include "BenchScenes.h"

int main(int argc, char** argv)
{
  if (argc != 5) {
    printf("usage: bench_engine quads|sprites|text|big|bunnies|spritefamily WARMUP FRAMES"
           " TIMES_FILE\n");
    return 2;
  }
  int scenario = bench::ParseScenario(argv[1]);
  int warmup = atoi(argv[2]), frames = atoi(argv[3]);
  if (scenario < 0 || warmup < 0 || frames <= 0) return 2;

  const char* depth = getenv("BENCH_DEPTH");
  OxGfxSetDepthBuffer(!depth || atoi(depth) != 0);
  if (OxSysInit(nullptr, SW_SHOWNORMAL, bench::kWidth, bench::kHeight, 0, 0, 0, nullptr) != 1)
    return 1;
  const char* batching = getenv("BENCH_BATCHING");
  OxGfxSetBatching(batching && atoi(batching) != 0);
  static bench::EngineScene scene;
  if (!bench::EngineBuild(&scene, scenario)) return 1;
  int objects = bench::SceneObjects(scenario);

  std::vector<double> times;
  times.reserve(frames);
  std::vector<double> cpuTimes;
  cpuTimes.reserve(frames);
  for (int frame = 0; frame < warmup + frames; ++frame) {
    // Under callgrind only the measured frames are counted.
    if (frame == warmup) CALLGRIND_ZERO_STATS;
    double start = bench::Now();
    double cpuStart = bench::ProcessCpu();
    OxSysFrameStart();
    bench::EngineDraw(&scene, frame, objects);
    if (frame == warmup + frames - 1) {
      // The picture as drawn so far, batched draws included.
      OxGfxFlush();
      bench::SnapshotIfAsked();
    }
    OxSysFrameEnd();
    if (frame >= warmup) {
      times.push_back(bench::Now() - start);
      cpuTimes.push_back(bench::ProcessCpu() - cpuStart);
    }
  }
  CALLGRIND_DUMP_STATS_AT("measured");
  OxSysExit();
  return bench::AppendTimes(argv[4], times.data(), cpuTimes.data(), times.size()) ? 0 : 1;
}
