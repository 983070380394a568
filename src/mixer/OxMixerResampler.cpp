// Mixer rate conversion: builds the windowed-sinc polyphase tables and runs
// the per-frame filter with the compiler's portable vector types (SSE on
// x86-64, NEON on ARM). Leans on nothing but the C++ library.
#include "mixer/OxMixerResampler.h"

#include <math.h>
#include <string.h>

// OX_MIXER_PORTABLE_ONLY leaves the AVX2 path out (the mixer's own tests
// build that way, so both paths are tested: the library's through it).
// NOTE: Windows builds leave it out too: MinGW's GCC cannot align the stack
// to 32 bytes, and a spilled 256-bit value would fault.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32) && \
    !defined(OX_MIXER_PORTABLE_ONLY)
#include <immintrin.h>
#define OX_MIXER_WITH_AVX2 1
#endif

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

namespace {

// --- Kernel design -------------------------------------------------------------
// 72 taps at the source rate with a Kaiser window of beta 10 give a stopband
// about 100 dB down from 1.09 times the source's Nyquist frequency, so a
// 10 kHz tone from a 22.05 kHz file keeps its image at 12.05 kHz below
// -90 dB; 256 phases with linear interpolation between neighbouring rows
// keep the table's own error under -100 dB.
constexpr double kKaiserBeta = 10.0;
constexpr int kLevelZeroPhases = 256;
constexpr double kPi = 3.14159265358979323846;

// --- Module state --------------------------------------------------------------
// Built kernels are published once and never freed: the device's thread may
// be filtering with any of them until the process ends.
struct KernelState {
  KernelState()
  {
    for (auto& kernel : kernels) kernel.store(nullptr);
  }
  std::mutex building;
  std::atomic<const OxMixerKernel*> kernels[kOxMixerKernelLevels];
};
KernelState& gKernels = *new KernelState;

// Modified Bessel function of the first kind, order zero (the Kaiser window).
double BesselI0(double x)
{
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 200; ++k) {
    double factor = x / (2.0 * k);
    term *= factor * factor;
    sum += term;
    if (term < 1e-17 * sum) break;
  }
  return sum;
}

double Stretch(int level) { return pow(2.0, level / 12.0); }

// The kernel at x zero crossings from its centre (band edge at the Nyquist
// frequency of the x axis).
double Kernel(double x, double windowScale)
{
  double reach = x / kOxMixerKernelHalfWidth;
  if (reach <= -1.0 || reach >= 1.0) return 0.0;
  double window = BesselI0(kKaiserBeta * sqrt(1.0 - reach * reach)) * windowScale;
  // Exactly zero on whole crossings, so that at level 0 the first row is a
  // single 1: a source read at whole positions comes out unchanged.
  if (x == floor(x)) return x == 0.0 ? window : 0.0;
  return window * sin(kPi * x) / (kPi * x);
}

OxMixerKernel* MakeKernel(int level)
{
  double stretch = Stretch(level);
  int halfTaps = static_cast<int>(ceil(stretch * kOxMixerKernelHalfWidth));
  int taps = (2 * halfTaps + 7) / 8 * 8;
  halfTaps = taps / 2;
  int phases = static_cast<int>(ceil(kLevelZeroPhases / stretch));
  auto* kernel = new (std::nothrow) OxMixerKernel;
  // Eight spare floats let the rows start on a 32-byte boundary.
  auto* storage = new (std::nothrow) float[static_cast<size_t>(phases) * 2 * taps + 8];
  if (!kernel || !storage) {
    delete kernel;
    delete[] storage;
    return nullptr;
  }
  float* rows = storage;
  while (reinterpret_cast<uintptr_t>(rows) % 32 != 0) ++rows;
  double windowScale = 1.0 / BesselI0(kKaiserBeta);
  std::vector<float> made(static_cast<size_t>(phases + 1) * taps);
  std::vector<double> row(static_cast<size_t>(taps));
  for (int phase = 0; phase <= phases; ++phase) {
    double offset = static_cast<double>(phase) / phases;
    double sum = 0.0;
    for (int k = 0; k < taps; ++k) {
      // Tap k reads source frame base - (halfTaps - 1) + k of a position
      // offset past frame base.
      double t = k - (halfTaps - 1) - offset;
      row[k] = Kernel(t / stretch, windowScale);
      sum += row[k];
    }
    // Each row sums to exactly one, so a constant source stays constant.
    for (int k = 0; k < taps; ++k) made[static_cast<size_t>(phase) * taps + k] = static_cast<float>(row[k] / sum);
  }
  // Each stored row holds its coefficients and then their differences to
  // the next phase's, so that blending two phases is one multiply-add.
  for (int phase = 0; phase < phases; ++phase) {
    const float* near = &made[static_cast<size_t>(phase) * taps];
    float* stored = rows + static_cast<size_t>(phase) * 2 * taps;
    for (int k = 0; k < taps; ++k) {
      stored[k] = near[k];
      stored[taps + k] = near[taps + k] - near[k];
    }
  }
  kernel->level = level;
  kernel->taps = taps;
  kernel->phases = phases;
  kernel->rows = rows;
  return kernel;
}

// --- Filtering -----------------------------------------------------------------
typedef float Vector4 __attribute__((vector_size(16)));

inline Vector4 Load(const float* at)
{
  Vector4 value;
  memcpy(&value, at, sizeof value);
  return value;
}

inline float Sum(Vector4 value) { return (value[0] + value[1]) + (value[2] + value[3]); }

// One output frame: the row of the position's phase blended towards the
// next phase's, applied to taps source frames from left and right.
inline void Filter(const OxMixerKernel& kernel, double offset, const float* left, const float* right,
                   float* outLeft, float* outRight)
{
  double scaled = offset * kernel.phases;
  int phase = static_cast<int>(scaled);
  if (phase >= kernel.phases) phase = kernel.phases - 1;
  float blend = static_cast<float>(scaled - phase);
  const float* near = kernel.rows + static_cast<size_t>(phase) * 2 * kernel.taps;
  const float* toNext = near + kernel.taps;
  Vector4 weight = {blend, blend, blend, blend};
  Vector4 left0 = {0, 0, 0, 0}, left1 = left0, right0 = left0, right1 = left0;
  for (int k = 0; k < kernel.taps; k += 8) {
    Vector4 a = Load(near + k);
    Vector4 c = a + weight * Load(toNext + k);
    left0 += c * Load(left + k);
    right0 += c * Load(right + k);
    Vector4 b = Load(near + k + 4);
    Vector4 d = b + weight * Load(toNext + k + 4);
    left1 += d * Load(left + k + 4);
    right1 += d * Load(right + k + 4);
  }
  *outLeft = Sum(left0 + left1);
  *outRight = Sum(right0 + right1);
}

int RenderPlain(const OxMixerKernel& kernel, const float* left, const float* right,
                OxMixerResampleMotion* motion, double limit, float gain, const float* gains, float* out,
                int frameCount)
{
  double position = motion->position;
  double step = motion->step;
  const double stepChange = motion->stepChange;
  const int64_t reach = kernel.taps / 2 - 1;
  int made = 0;
  for (; made < frameCount && position < limit; ++made) {
    int64_t base = static_cast<int64_t>(position);
    float sampleLeft, sampleRight;
    Filter(kernel, position - static_cast<double>(base), left + base - reach, right + base - reach,
           &sampleLeft, &sampleRight);
    float level = gains ? gains[made] : gain;
    out[2 * made] += level * sampleLeft;
    out[2 * made + 1] += level * sampleRight;
    position += step;
    step += stepChange;
  }
  motion->position = position;
  motion->step = step;
  return made;
}

#ifdef OX_MIXER_WITH_AVX2
// The same filter eight taps at a time with fused multiply-adds, for
// processors that have them (chosen once, at run time); both sides are
// summed and added to the output as one pair.
__attribute__((target("avx2,fma"))) int RenderAvx2(const OxMixerKernel& kernel, const float* left,
                                                   const float* right, OxMixerResampleMotion* motion,
                                                   double limit, float gain, const float* gains,
                                                   float* out, int frameCount)
{
  const int taps = kernel.taps;
  const int phases = kernel.phases;
  const float* rows = kernel.rows;
  const int64_t reach = taps / 2 - 1;
  const int sixteens = taps / 16 * 16;
  double position = motion->position;
  double step = motion->step;
  const double stepChange = motion->stepChange;
  int made = 0;
  for (; made < frameCount && position < limit; ++made) {
    int64_t base = static_cast<int64_t>(position);
    double scaled = (position - static_cast<double>(base)) * phases;
    int phase = static_cast<int>(scaled);
    if (phase >= phases) phase = phases - 1;
    __m256 weight = _mm256_set1_ps(static_cast<float>(scaled - phase));
    const float* near = rows + static_cast<size_t>(phase) * 2 * taps;
    const float* toNext = near + taps;
    const float* fromLeft = left + base - reach;
    const float* fromRight = right + base - reach;
    __m256 left0 = _mm256_setzero_ps(), left1 = left0, right0 = left0, right1 = left0;
    int k = 0;
    for (; k < sixteens; k += 16) {
      __m256 c = _mm256_fmadd_ps(weight, _mm256_load_ps(toNext + k), _mm256_load_ps(near + k));
      left0 = _mm256_fmadd_ps(c, _mm256_loadu_ps(fromLeft + k), left0);
      right0 = _mm256_fmadd_ps(c, _mm256_loadu_ps(fromRight + k), right0);
      __m256 d = _mm256_fmadd_ps(weight, _mm256_load_ps(toNext + k + 8), _mm256_load_ps(near + k + 8));
      left1 = _mm256_fmadd_ps(d, _mm256_loadu_ps(fromLeft + k + 8), left1);
      right1 = _mm256_fmadd_ps(d, _mm256_loadu_ps(fromRight + k + 8), right1);
    }
    if (k < taps) {
      __m256 c = _mm256_fmadd_ps(weight, _mm256_load_ps(toNext + k), _mm256_load_ps(near + k));
      left0 = _mm256_fmadd_ps(c, _mm256_loadu_ps(fromLeft + k), left0);
      right0 = _mm256_fmadd_ps(c, _mm256_loadu_ps(fromRight + k), right0);
    }
    // [left pairs, right pairs] in each half, the halves added, then one
    // more pairwise add leaves left and right side by side.
    __m256 pairs = _mm256_hadd_ps(_mm256_add_ps(left0, left1), _mm256_add_ps(right0, right1));
    __m128 folded = _mm_add_ps(_mm256_castps256_ps128(pairs), _mm256_extractf128_ps(pairs, 1));
    __m128 sides = _mm_hadd_ps(folded, folded);
    float* frame = out + 2 * made;
    __m128 mix = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(frame)));
    mix = _mm_fmadd_ps(_mm_set1_ps(gains ? gains[made] : gain), sides, mix);
    _mm_storel_pi(reinterpret_cast<__m64*>(frame), mix);
    position += step;
    step += stepChange;
  }
  motion->position = position;
  motion->step = step;
  return made;
}

bool HasAvx2()
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

typedef int (*RenderFunction)(const OxMixerKernel&, const float*, const float*, OxMixerResampleMotion*,
                              double, float, const float*, float*, int);

RenderFunction ChooseRender()
{
#ifdef OX_MIXER_WITH_AVX2
  if (HasAvx2()) return RenderAvx2;
#endif
  return RenderPlain;
}

}  // namespace

int OxMixerKernelLevel(double ratio)
{
  if (!(ratio > 1.0)) return 0;
  // Up by whole semitones, with a little slack so that exact steps (a
  // 96 kHz file is ratio 2) do not round up a level.
  double semitones = 12.0 * log2(ratio) - 1e-9;
  if (semitones >= kOxMixerKernelLevels - 1) return kOxMixerKernelLevels - 1;
  return static_cast<int>(ceil(semitones));
}

const OxMixerKernel* OxMixerKernelFind(int level)
{
  if (level < 0) level = 0;
  for (int at = level; at < kOxMixerKernelLevels; ++at) {
    const OxMixerKernel* kernel = gKernels.kernels[at].load(std::memory_order_acquire);
    if (kernel) return kernel;
  }
  return nullptr;
}

bool OxMixerKernelBuild(int level)
{
  if (level < 0 || level >= kOxMixerKernelLevels) return false;
  if (gKernels.kernels[level].load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> hold(gKernels.building);
  if (gKernels.kernels[level].load(std::memory_order_acquire)) return true;
  OxMixerKernel* kernel = MakeKernel(level);
  if (!kernel) return false;
  gKernels.kernels[level].store(kernel, std::memory_order_release);
  return true;
}

int OxMixerResample(const OxMixerKernel* kernel, const float* left, const float* right,
                    OxMixerResampleMotion* motion, double limit, float gain, const float* gains,
                    float* out, int frameCount)
{
  static const RenderFunction render = ChooseRender();
  if (kernel) return render(*kernel, left, right, motion, limit, gain, gains, out, frameCount);
  double position = motion->position;
  double step = motion->step;
  int made = 0;
  for (; made < frameCount && position < limit; ++made) {
    size_t at = static_cast<size_t>(position);
    float level = gains ? gains[made] : gain;
    out[2 * made] += level * left[at];
    out[2 * made + 1] += level * right[at];
    position += step;
    step += motion->stepChange;
  }
  motion->position = position;
  motion->step = step;
  return made;
}
