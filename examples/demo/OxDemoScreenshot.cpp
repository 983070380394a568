// Screenshots for the headless demo: OpenGL's glReadPixels on the back
// buffer, flipped to top-down rows and saved with SDL2_image's PNG writer.
#include "OxDemoScreenshot.h"

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>
#include <stdio.h>

#include <vector>

#include "Oxlen.h"

namespace demo {

bool SaveScreenshot(const char* path, int width, int height)
{
  if (width <= 0 || height <= 0) return false;
  // With batching on, draws still pending reach the back buffer first.
  OxGfxFlush();
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  // OpenGL's rows run bottom-up; an image file's top-down.
  std::vector<unsigned char> flipped(pixels.size());
  const size_t row = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    std::copy(pixels.begin() + y * row, pixels.begin() + (y + 1) * row,
              flipped.begin() + (height - 1 - y) * row);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      flipped.data(), width, height, 24, static_cast<int>(row), SDL_PIXELFORMAT_RGB24);
  if (!surface) {
    printf("Demo: cannot make the screenshot image: %s\n", SDL_GetError());
    return false;
  }
  bool saved = IMG_SavePNG(surface, path) == 0;
  if (!saved) printf("Demo: cannot write %s: %s\n", path, SDL_GetError());
  SDL_FreeSurface(surface);
  return saved;
}

}  // namespace demo
