/* Preloaded into a bench program: counts calls of malloc, calloc and realloc,
   all of them and those made directly from an address range the program sets
   (the library's code). Forwards to the C library's own allocator. */
#include <stddef.h>
#include <stdint.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* pointer, size_t size);

static unsigned long gTotal = 0;
static unsigned long gInRange = 0;
static uintptr_t gLow = 0, gHigh = 0;

__attribute__((visibility("default"))) void BenchAllocSetRange(uintptr_t low, uintptr_t high)
{
  gLow = low;
  gHigh = high;
}
__attribute__((visibility("default"))) unsigned long BenchAllocTotal(void) { return gTotal; }
__attribute__((visibility("default"))) unsigned long BenchAllocInRange(void) { return gInRange; }

static void Count(void* caller)
{
  uintptr_t at = (uintptr_t)caller;
  __atomic_add_fetch(&gTotal, 1, __ATOMIC_RELAXED);
  if (at >= gLow && at < gHigh) __atomic_add_fetch(&gInRange, 1, __ATOMIC_RELAXED);
}

__attribute__((visibility("default"))) void* malloc(size_t size)
{
  Count(__builtin_return_address(0));
  return __libc_malloc(size);
}
__attribute__((visibility("default"))) void* calloc(size_t count, size_t size)
{
  Count(__builtin_return_address(0));
  return __libc_calloc(count, size);
}
__attribute__((visibility("default"))) void* realloc(void* pointer, size_t size)
{
  Count(__builtin_return_address(0));
  return __libc_realloc(pointer, size);
}
