// The library's own cost per draw: "bench_calls FRAMES" builds the quads,
// sprites and text scenes and draws each for FRAMES frames with all its
// objects, then FRAMES frames with half of them. Under callgrind (collecting
// only inside the drawing calls, see scripts/bench.sh) each phase is dumped
// on its own, so the difference of the instructions inside liboxlen.so
// between the two phases of a scene, over the objects dropped, is the cost
// of one object. With BenchAllocCounter preloaded it prints the allocations
// made per frame while drawing, in all and from the library's own code.
// BENCH_BATCHING=1 turns the batched draw path on; each frame's drawing then
// ends with OxGfxFlush, so that issuing the batch is counted with the draws.
#include <dlfcn.h>
#include <link.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <valgrind/callgrind.h>

#include "BenchScenes.h"

namespace {

struct Range {
  uintptr_t low = 0, high = 0;
};

// The executable segments of liboxlen.
int FindLibrary(dl_phdr_info* info, size_t, void* data)
{
  if (!strstr(info->dlpi_name, "liboxlen")) return 0;
  Range* range = static_cast<Range*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD || !(header.p_flags & PF_X)) continue;
    uintptr_t low = info->dlpi_addr + header.p_vaddr;
    uintptr_t high = low + header.p_memsz;
    if (!range->low || low < range->low) range->low = low;
    if (high > range->high) range->high = high;
  }
  return 1;
}

}  // namespace

// One frame's drawing and its flush, as a function of its own, so that
// callgrind can collect inside it alone (--toggle-collect=BenchDrawObjects):
// the game's own work for the draws, the library's and OpenGL's.
extern "C" __attribute__((noinline)) void BenchDrawObjects(bench::EngineScene* scene, int frame,
                                                           int objects)
{
  bench::EngineDraw(scene, frame, objects);
  OxGfxFlush();
}

int main(int argc, char** argv)
{
  if (argc != 2 || atoi(argv[1]) <= 0) {
    printf("usage: bench_calls FRAMES\n");
    return 2;
  }
  int frames = atoi(argv[1]);

  using SetRange = void (*)(uintptr_t, uintptr_t);
  using Counter = unsigned long (*)();
  SetRange setRange = reinterpret_cast<SetRange>(dlsym(RTLD_DEFAULT, "BenchAllocSetRange"));
  Counter total = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "BenchAllocTotal"));
  Counter inRange = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "BenchAllocInRange"));
  if (setRange) {
    Range range;
    dl_iterate_phdr(FindLibrary, &range);
    setRange(range.low, range.high);
  }

  if (OxSysInit(nullptr, SW_SHOWNORMAL, bench::kWidth, bench::kHeight, 0, 0, 0, nullptr) != 1)
    return 1;
  const char* batching = getenv("BENCH_BATCHING");
  OxGfxSetBatching(batching && atoi(batching) != 0);
  const int kScenes = 4;
  static bench::EngineScene scenes[kScenes];
  const char* const names[kScenes] = {"quads", "sprites", "text", "spritefamily"};
  const int scenarios[kScenes] = {bench::kQuads, bench::kSprites, bench::kText,
                                  bench::kSpriteFamily};
  for (int s = 0; s < kScenes; ++s)
    if (!bench::EngineBuild(&scenes[s], scenarios[s])) return 1;

  int frame = 0;
  for (int s = 0; s < kScenes; ++s) {
    // BENCH_SCENES, when set, names the scenes to run (by default all).
    const char* only = getenv("BENCH_SCENES");
    if (only && !strstr(only, names[s])) continue;
    int full = bench::SceneObjects(scenarios[s]);
    // Warm-up: every path taken once, every location looked up.
    for (int i = 0; i < 3; ++i, ++frame) {
      OxSysFrameStart();
      bench::EngineDraw(&scenes[s], frame, full);
      OxSysFrameEnd();
    }
    for (int phase = 0; phase < 2; ++phase) {
      int objects = phase == 0 ? full : full / 2;
      unsigned long drawTotal = 0, drawLibrary = 0, frameTotal = 0, frameLibrary = 0;
      CALLGRIND_ZERO_STATS;
      for (int i = 0; i < frames; ++i, ++frame) {
        unsigned long t0 = total ? total() : 0, l0 = inRange ? inRange() : 0;
        OxSysFrameStart();
        unsigned long t1 = total ? total() : 0, l1 = inRange ? inRange() : 0;
        BenchDrawObjects(&scenes[s], frame, objects);
        unsigned long t2 = total ? total() : 0, l2 = inRange ? inRange() : 0;
        OxSysFrameEnd();
        unsigned long t3 = total ? total() : 0, l3 = inRange ? inRange() : 0;
        drawTotal += t2 - t1;
        drawLibrary += l2 - l1;
        frameTotal += t3 - t0;
        frameLibrary += l3 - l0;
      }
      char dumpName[64];
      snprintf(dumpName, sizeof(dumpName), "%s_%d", names[s], objects);
      CALLGRIND_DUMP_STATS_AT(dumpName);
      if (total)
        printf("BENCH alloc %s objects %d per_frame_drawing %.2f from_library %.2f"
               " whole_frame %.2f whole_frame_from_library %.2f\n",
               names[s], objects, static_cast<double>(drawTotal) / frames,
               static_cast<double>(drawLibrary) / frames,
               static_cast<double>(frameTotal) / frames,
               static_cast<double>(frameLibrary) / frames);
    }
  }
  OxSysExit();
  return 0;
}
