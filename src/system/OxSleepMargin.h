// The frame limiter's sleep margin: how long before a frame's deadline the
// limiter stops sleeping and spins on the clock instead. It is learnt from
// how late the limiter's own sleeps come back, so the spin stays just long
// enough to absorb this system's wake-up lateness. Pure arithmetic.
#pragma once

struct OxSleepMargin {
  // The lateness of this many recent sleeps is remembered (about a second at
  // 60 frames a second), so a slow spell is forgotten once it has passed.
  static constexpr int kSamples = 64;
  // Before any sleep has been measured.
  static constexpr double kInitialSeconds = 1e-3;
  // Added to the largest lateness remembered.
  static constexpr double kCushionSeconds = 1e-4;
  // The margin never leaves this range: the lower end covers the cost of the
  // sleep call itself; the upper one keeps a burst of scheduling delays on a
  // crowded machine (which spinning would suffer as well) from turning the
  // limiter back into a busy wait.
  static constexpr double kFloorSeconds = 1e-4;
  static constexpr double kCeilingSeconds = 2e-3;

  double lateness[kSamples] = {};  // seconds, a ring of the latest sleeps
  int count = 0;                   // samples stored, up to kSamples
  int next = 0;                    // where the next sample goes
};

// The margin in seconds: the largest remembered lateness plus the cushion,
// kept within the floor and ceiling; the initial margin before any sample.
double OxSleepMarginSeconds(const OxSleepMargin& margin);
// Remembers how late one sleep came back, in seconds (below 0 counts as 0),
// forgetting the oldest sample once kSamples are held.
void OxSleepMarginRecord(OxSleepMargin* margin, double lateSeconds);
