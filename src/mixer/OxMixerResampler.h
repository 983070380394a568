// Mixer rate conversion: Kaiser-windowed sinc kernels laid out as polyphase
// tables, and the loop that filters a channel's source into the mix. Pure
// arithmetic; the mixing core hands it planar source windows.
#pragma once
#include <stdint.h>

// Zero crossings of the kernel on each side of its centre.
constexpr int kOxMixerKernelHalfWidth = 36;
// Kernel levels: level 0 keeps the source's own band (rates at or below the
// output rate); level n narrows the band by 2^(n/12), for sources read
// faster than the output rate. The last level narrows it eightfold; reading
// faster than that aliases rather than letting the filter grow without bound.
constexpr int kOxMixerKernelLevels = 37;
// The most source frames a kernel reaches on either side of a position.
constexpr int kOxMixerKernelMostHalfTaps = 8 * kOxMixerKernelHalfWidth;

struct OxMixerKernel {
  int level = 0;
  int taps = 0;    // coefficients per phase row, a multiple of 8
  int phases = 0;  // rows between two source frames
  // phases rows, 32-byte aligned: each row's taps coefficients, then the
  // taps differences from them to the next phase's coefficients.
  const float* rows = nullptr;
};

// The level that keeps a source read at ratio source frames per output frame
// inside the output's band. 0 for ratios up to 1 (and for 0, NaN, negative).
int OxMixerKernelLevel(double ratio);
// The kernel of a level if it has been built, else the nearest built one of
// a higher level (the top level is built with the first system). Any thread.
const OxMixerKernel* OxMixerKernelFind(int level);
// Builds the kernel of a level once (about a millisecond); later calls
// return at once. False when memory runs out. Not on the device's thread.
bool OxMixerKernelBuild(int level);

// One stretch of output from one channel. The source is planar, left and
// right, starting at source frame 0 of the window; position is the source
// position of the next output frame within it. Each output frame adds its
// gain (gains[i], or gain for every frame when gains is null) times the
// filtered source into out (interleaved stereo); then the position moves on
// by step, and step by stepChange. Rendering stops before a frame whose
// position reaches limit. A null kernel copies source frames (step 1 from a
// whole position: the rate needs no change). Returns the frames rendered.
struct OxMixerResampleMotion {
  double position = 0.0;
  double step = 1.0;
  double stepChange = 0.0;
};
int OxMixerResample(const OxMixerKernel* kernel, const float* left, const float* right,
                    OxMixerResampleMotion* motion, double limit, float gain, const float* gains,
                    float* out, int frameCount);
