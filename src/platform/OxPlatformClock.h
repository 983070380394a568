// Clock layer: a monotonic 64-bit tick counter with a constant frequency.
// Implemented once per backend.
#pragma once
#include <stdint.h>

// The counter's current value in ticks.
int64_t OxPlatformQueryCounter();
// Ticks per second; constant for the life of the process.
int64_t OxPlatformQueryFrequency();
