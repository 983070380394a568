// Textures: loading from image files and from memory, selecting with a
// scrolling offset, filtering, unloading, their sizes; and the packed-colour
// blend. Leans on OpenGL, the platform's image decoder and the graphics
// module's Shader.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>
#include <unordered_map>

#include "platform/OxPlatformGLApi.h"

#include "OxGraphics.h"
#include "OxMath.h"
#include "OxSprite.h"
#include "diagnostics/OxDiagnostics.h"
#include "graphics/OxBatch.h"
#include "graphics/OxRenderState.h"
#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxSpriteSystem.h"
#include "graphics/Shader.h"
#include "image/OxImageCheck.h"
#include "platform/OxPlatformFile.h"
#include "platform/OxPlatformGL.h"
#include "platform/OxPlatformImage.h"

namespace {

// ---- Constants ------------------------------------------------------------------

// Longest path accepted, in bytes: sourcePath holds it with its zero.
const size_t kMaxPathBytes = sizeof(OxGfxTexture::sourcePath) - 1;

// ---- Module state ----------------------------------------------------------------

// A texture's size in texels.
struct TextureSize {
  int width;
  int height;
};

// The size of every texture the library made, by record: the public record
// has no room for it, and OpenGL ES (the Web build) cannot be asked for it.
struct TextureState {
  std::unordered_map<const OxGfxTexture*, TextureSize> sizes;
  // The last texture found and its entry (entries stay put until erased), so
  // that a run of sprites from one texture looks it up once.
  const OxGfxTexture* lastFound = nullptr;
  const TextureSize* lastFoundSize = nullptr;
} gState;

// ---- Helpers ---------------------------------------------------------------------

// The largest width or height the OpenGL implementation takes; 0 without a
// context, so that nothing is created then.
GLint MaxTextureSize()
{
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size;
}

bool FitsTexture(int width, int height)
{
  GLint limit = MaxTextureSize();
  return width >= 0 && height >= 0 && width <= limit && height <= limit;
}

// A zero-filled record with its name cell; null when memory runs out.
OxGfxTexture* NewTextureRecord()
{
  OxGfxTexture* texture = static_cast<OxGfxTexture*>(calloc(1, sizeof(OxGfxTexture)));
  if (!texture) return nullptr;
  OxGfxTextureInitialize(texture);
  if (!texture->textureName) {
    free(texture);
    return nullptr;
  }
  return texture;
}

bool IsPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

// Generates and binds the record's texture object with nearest filtering.
// Textures repeat, except where the platform samples a repeating texture of
// any other size than powers of two as black: those sizes clamp there.
void CreateBoundTexture(OxGfxTexture* texture, int width, int height)
{
  glGenTextures(1, texture->textureName);
  glBindTexture(GL_TEXTURE_2D, *texture->textureName);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  if (!OxPlatformRepeatsAnyTextureSize() && !(IsPowerOfTwo(width) && IsPowerOfTwo(height))) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
}

// An offset above 1.0 minus as many whole units as leave it in (0, 1]: the
// result of subtracting 1.0 until it is no longer above 1.0, found without
// the loop, which would never end once 1.0 is below the value's precision.
// Below 2^24 the subtraction is exact, and so is x - floor(x).
float ReduceOffset(float offset)
{
  if (!(offset > 1.0f) || isinf(offset)) return offset;
  float fraction = offset - floorf(offset);
  return fraction == 0.0f ? 1.0f : fraction;
}

// Why the image at path did not open, found again after the decoder said
// no: from the file's presence, size, signature and declared size.
void DescribeImageFailure(const char* path, int maxSide, char* reason, size_t reasonBytes)
{
  const char* plain = "damaged or unsupported image";
  // The first bytes hold the signature and, in all but odd files, the size.
  const size_t kHeadBytes = 65536;
  unsigned char* head = static_cast<unsigned char*>(malloc(kHeadBytes));
  int64_t read = 0, size = 0;
  OxPlatformFile* file = OxPlatformFileOpen(path);
  if (file && head) {
    size = OxPlatformFileSize(file);
    read = OxPlatformFileRead(file, 0, head, kHeadBytes);
  }
  OxPlatformFileClose(file);
  OxImageFormat format = read > 0 ? OxPlatformImageFormatOf(head, static_cast<size_t>(read), path)
                                  : kOxImageUnknown;
  long long width = 0, height = 0;
  if (!file) plain = "no such file (or not a readable regular file)";
  else if (size == 0) plain = "empty file";
  else if (static_cast<uint64_t>(size) > kOxImageMaxFileBytes) plain = "file too large";
  else if (format == kOxImageUnknown) plain = "not an image file";
  else if (OxPlatformImageDeclaredSize(format, head, static_cast<size_t>(read), &width, &height) &&
           !OxPlatformImageSizeAcceptable(width, height, maxSide))
    plain = nullptr;
  free(head);
  if (plain) snprintf(reason, reasonBytes, "%s", plain);
  else
    snprintf(reason, reasonBytes, "image of %lld x %lld pixels refused (at most %d a side)", width,
             height, maxSide);
}

const TextureSize* FindSize(const OxGfxTexture* texture)
{
  if (texture == gState.lastFound && texture) return gState.lastFoundSize;
  auto found = gState.sizes.find(texture);
  if (found == gState.sizes.end()) return nullptr;
  gState.lastFound = texture;
  gState.lastFoundSize = &found->second;
  return gState.lastFoundSize;
}

// A texture whose size cannot be recorded (memory ran out) reports size 0,
// which the sprite family refuses.
void RememberSize(const OxGfxTexture* texture, int width, int height)
{
  try {
    gState.sizes[texture] = TextureSize{width, height};
  } catch (const std::bad_alloc&) {
  }
}

void ForgetSize(const OxGfxTexture* texture)
{
  gState.sizes.erase(texture);
  gState.lastFound = nullptr;
  // The last texture gone: the table's memory goes too.
  if (gState.sizes.empty())
    std::unordered_map<const OxGfxTexture*, TextureSize>().swap(gState.sizes);
}

}  // namespace

// ---- Textures ------------------------------------------------------------------------

void OxGfxTextureInitialize(OxGfxTexture* texture)
{
  if (!texture) return;
  texture->textureName = static_cast<unsigned int*>(calloc(1, sizeof(unsigned int)));
}

OxGfxTexture* OxGfxTextureLoad(const char* path)
{
  if (!OxGfxIsOpenGLReady()) {
    OxDiagNotRunning("OxGfxTextureLoad", true);
    return nullptr;
  }
  if (!path) {
    OxDiagSilentFailure("OxGfxTextureLoad: no path given");
    return nullptr;
  }
  size_t length = strnlen(path, kMaxPathBytes + 1);
  if (length > kMaxPathBytes) {
    OxDiagSilentFailure("texture '%.64s...': path longer than %u bytes", path,
                        static_cast<unsigned int>(kMaxPathBytes));
    return nullptr;
  }

  OxPlatformImage* image = OxPlatformImageOpen(path, MaxTextureSize());
  if (!image) {
    char reason[128];
    DescribeImageFailure(path, MaxTextureSize(), reason, sizeof(reason));
    OxDiagSilentFailure("texture '%s': %s", path, reason);
    return nullptr;
  }
  int width = OxPlatformImageWidth(image);
  int height = OxPlatformImageHeight(image);
  OxGfxTexture* texture = FitsTexture(width, height) ? NewTextureRecord() : nullptr;
  if (!texture) {
    OxPlatformImageRelease(image);
    OxDiagSilentFailure("texture '%s': out of memory", path);
    return nullptr;
  }
  memset(texture->sourcePath, 0, sizeof(texture->sourcePath));
  memcpy(texture->sourcePath, path, length + 1);

  CreateBoundTexture(texture, width, height);
  // Uploaded in the byte order the decoder holds, so no pass over the pixels.
  GLenum format = OxPlatformImagePixelOrder(image) == kOxPixelOrderBGRA ? GL_BGRA : GL_RGBA;
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, format, GL_UNSIGNED_BYTE,
               OxPlatformImagePixels(image));
  OxPlatformImageRelease(image);
  glBindTexture(GL_TEXTURE_2D, 0);
  OxRenderTextureBound(0);
  RememberSize(texture, width, height);
  return texture;
}

OxGfxTexture* OxGfxTextureLoadFromMemory(const void* pixels, int width, int height)
{
  if (!OxGfxIsOpenGLReady()) {
    OxDiagNotRunning("OxGfxTextureLoadFromMemory", true);
    return nullptr;
  }
  // Sizes OpenGL would refuse with an error that ends the process later.
  if (!FitsTexture(width, height)) {
    OxDiagSilentFailure("OxGfxTextureLoadFromMemory: size %d x %d refused (0 to %d a side)", width,
                        height, static_cast<int>(MaxTextureSize()));
    return nullptr;
  }
  OxGfxTexture* texture = NewTextureRecord();
  if (!texture) {
    OxDiagSilentFailure("OxGfxTextureLoadFromMemory: out of memory");
    return nullptr;
  }
  CreateBoundTexture(texture, width, height);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  glBindTexture(GL_TEXTURE_2D, 0);
  OxRenderTextureBound(0);
  RememberSize(texture, width, height);
  return texture;
}

void OxGfxTextureUnload(OxGfxTexture* texture)
{
  if (!texture) return;
  ForgetSize(texture);
  if (texture->textureName) {
    // Pending draws that sample it are issued first.
    OxBatchTextureDeleting(*texture->textureName);
    glDeleteTextures(1, texture->textureName);
  }
  free(texture->textureName);
  free(texture);
}

bool OxGfxTextureFindSize(const OxGfxTexture* texture, int* width, int* height)
{
  const TextureSize* size = FindSize(texture);
  if (!size) return false;
  *width = size->width;
  *height = size->height;
  return true;
}

int OxGfxTextureGetWidth(const OxGfxTexture* texture)
{
  const TextureSize* size = FindSize(texture);
  return size ? size->width : 0;
}

int OxGfxTextureGetHeight(const OxGfxTexture* texture)
{
  const TextureSize* size = FindSize(texture);
  return size ? size->height : 0;
}

void OxGfxTextureSet(OxGfxTexture* texture, float offsetX, float offsetY)
{
  if (!texture) {
    OxRenderBindTexture(0);
    return;
  }
  // Before OxGfxInit the OpenGL 2.0 entry points do not exist yet.
  if (!OxPlatformHasGLEntryPoints()) {
    OxDiagNotRunning("OxGfxTextureSet", false);
    return;
  }
  // While batching, the unit is always 0 and binding waits for the draw.
  if (!OxBatchIsRecording()) glActiveTexture(GL_TEXTURE0);
  OxRenderBindTexture(*texture->textureName);
  // The cached setters make no OpenGL call while no program is in use.
  gShader.SetUniform1i(kUniformTexture, 0);
  CHECK_GL_ERROR("OxGfxTextureSet");

  gShader.SetUniform2f(kUniformTextureOffset, ReduceOffset(offsetX), ReduceOffset(offsetY));
  CHECK_GL_ERROR("OxGfxTextureSet");
}

void OxGfxTextureUse(const OxGfxTexture* texture, float offsetX, float offsetY)
{
  if (!OxBatchIsRecording()) glActiveTexture(GL_TEXTURE0);
  OxRenderBindTexture(*texture->textureName);
  int sampler;
  memcpy(&sampler, gShader.Value(gShader.GetCurrentProgram(), kUniformTexture), sizeof(sampler));
  if (sampler != 0) gShader.SetUniform1i(kUniformTexture, 0);
  gShader.SetUniform2f(kUniformTextureOffset, ReduceOffset(offsetX), ReduceOffset(offsetY));
}

void OxGfxSetTextureMode(int mode)
{
  GLint filter;
  if (mode == OxGfxTextureModeNearest) {
    filter = GL_NEAREST;
  } else if (mode == OxGfxTextureModeLinear) {
    filter = GL_LINEAR;
  } else {
    printf("Unsupported texture mode!\n");
    return;
  }
  // Pending draws that sample the texture keep the filter they had.
  OxBatchPrepareTextureParameter();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void OxGfxSaveTextureToFile(OxGfxTexture* texture, const char* path)
{
  // Saving reads what has been drawn so far.
  OxBatchFlush();
  if (texture && path)
    printf("OxGfxSaveTextureToFile not supported in the OpenGL version of the Oxlen Engine!\n");
}

// ---- Packed colours -------------------------------------------------------------------

unsigned int OxGfxColInterp(unsigned int color0, unsigned int color1, float t)
{
  float weight = OxClamp(t, 0.0f, 1.0f);
  // A NaN passes the clamp; it is taken as no weight at all.
  if (weight != weight) weight = 0.0f;
  unsigned int result = 0;
  for (int shift = 24; shift >= 0; shift -= 8) {
    int from = static_cast<int>((color0 >> shift) & 0xFF);
    int to = static_cast<int>((color1 >> shift) & 0xFF);
    float blended = static_cast<float>(from) + static_cast<float>(to - from) * weight;
    int channel = static_cast<int>(floorf(blended + 0.5f));
    if (channel < 0) channel = 0;
    if (channel > 255) channel = 255;
    result |= static_cast<unsigned int>(channel) << shift;
  }
  return result;
}
