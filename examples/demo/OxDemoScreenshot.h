// Writes what has been drawn into the back buffer to a PNG file.
#pragma once

namespace demo {

// Reads width x height pixels of the back buffer (call it before the frame
// ends and the buffers swap) and saves them as an RGB PNG. Returns false,
// printing why, when the image cannot be written.
bool SaveScreenshot(const char* path, int width, int height);

}  // namespace demo
