// Clock layer on Win32: the high-resolution performance counter.
#include "platform/OxPlatformClock.h"

#include <windows.h>

int64_t OxPlatformQueryCounter()
{
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

int64_t OxPlatformQueryFrequency()
{
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}
