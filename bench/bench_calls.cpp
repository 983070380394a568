// The library's own cost per draw: "bench_calls SCENARIO OBJECTS FRAMES"
// draws a scenario's frames with OBJECTS objects (transform-and-draw pairs,
// or text lines) each, after three full warm-up frames. Run under callgrind
// twice with different OBJECTS, the difference of the instructions inside
// liboxlen.so gives the cost of one object. With BenchAllocCounter preloaded
// it also prints the allocations made per frame while drawing, in all and
// from the library's own code.
#include <dlfcn.h>
#include <link.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

int main(int argc, char** argv)
{
  if (argc != 4) {
    printf("usage: bench_calls quads|sprites|text|big OBJECTS FRAMES\n");
    return 2;
  }
  int scenario = bench::ParseScenario(argv[1]);
  int objects = atoi(argv[2]), frames = atoi(argv[3]);
  if (scenario < 0 || objects < 0 || frames <= 0) return 2;

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
  static bench::EngineScene scene;
  if (!bench::EngineBuild(&scene, scenario)) return 1;
  int full = bench::SceneObjects(scenario);
  if (objects > full) objects = full;

  unsigned long drawTotal = 0, drawLibrary = 0, frameTotal = 0, frameLibrary = 0;
  for (int frame = 0; frame < 3 + frames; ++frame) {
    bool counted = frame >= 3;
    unsigned long t0 = total ? total() : 0, l0 = inRange ? inRange() : 0;
    OxSysFrameStart();
    unsigned long t1 = total ? total() : 0, l1 = inRange ? inRange() : 0;
    bench::EngineDraw(&scene, frame, counted ? objects : full);
    unsigned long t2 = total ? total() : 0, l2 = inRange ? inRange() : 0;
    OxSysFrameEnd();
    unsigned long t3 = total ? total() : 0, l3 = inRange ? inRange() : 0;
    if (!counted) continue;
    drawTotal += t2 - t1;
    drawLibrary += l2 - l1;
    frameTotal += t3 - t0;
    frameLibrary += l3 - l0;
  }
  OxSysExit();
  if (total)
    printf("BENCH allocations per frame (%d objects): while drawing %.2f (%.2f from the library),"
           " whole frame %.2f (%.2f from the library)\n",
           objects, static_cast<double>(drawTotal) / frames,
           static_cast<double>(drawLibrary) / frames, static_cast<double>(frameTotal) / frames,
           static_cast<double>(frameLibrary) / frames);
  return 0;
}
