// Sound files written by the tests with libsndfile, and signal measurements
// on interleaved stereo float buffers.
#pragma once
#include <string>
#include <vector>

namespace oxtest {

// The containers the tests write.
enum class SoundFormat { Wav, Flac, OggVorbis, Aiff, OggOpus, Mp3 };

// Writes interleaved samples (channels per frame) at rate; false on failure.
bool WriteSoundFile(const std::string& path, SoundFormat format, int rate, int channels,
                    const std::vector<float>& samples);
// A mono sine of frequency hertz, amplitude and frame count at rate.
std::vector<float> Sine(double hertz, float amplitude, int rate, int frames);
// A mono signal holding value in every frame.
std::vector<float> Constant(float value, int frames);

// Sign changes of one side (0 left, 1 right) of a stereo buffer over
// [firstFrame, firstFrame + frameCount).
int ZeroCrossings(const std::vector<float>& stereo, int side, size_t firstFrame, size_t frameCount);
// Largest magnitude of one side over a frame range.
float Peak(const std::vector<float>& stereo, int side, size_t firstFrame, size_t frameCount);

// The device's output captured in a file of float stereo frames, for a
// process that starts the audio family after this call: on Linux SDL2's disk
// driver writes it; on the null backend CapturedFrames moves what the
// output rendered into it; the Windows build captures nothing.
void CaptureAudioTo(const std::string& path);
// Frames captured in the file so far.
long CapturedFrames(const std::string& path);

}  // namespace oxtest
