// Fuzz target: any bytes as an image file, loaded by path with
// OxGfxTextureLoad and, when it loads, drawn once on a textured quad.
#include <stddef.h>
#include <stdint.h>

#include "OxFuzzSupport.h"
#include "Oxlen.h"

namespace {

OxGfxVertexList* gQuad = nullptr;

// The decoder picks most formats by their bytes; TGA files are known only by
// their extension, so the first byte chooses the file name.
const char* NameFor(const uint8_t* data, size_t size)
{
  return size > 0 && (data[0] & 1) ? "input.tga" : "input.img";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  oxfuzz::StartEngine();
  if (!gQuad) {
    OxGfxMeshStart();
    OxGfxTriAdd(-8, -8, 0xFFFFFFFF, 0, 1, 8, -8, 0xFFFFFFFF, 1, 1, 8, 8, 0xFFFFFFFF, 1, 0);
    gQuad = OxGfxMeshEnd();
  }
  // The TGA choice byte stays part of the file: TGA headers start with
  // any byte.
  std::string path = oxfuzz::WriteInput(NameFor(data, size), data, size);
  oxfuzz::ExpectNothingOnStandardError([&] {
    OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
    if (texture) {
      OxSysFrameStart();
      OxGfxSetRenderMode(OxGfxRenderModeTexture);
      OxGfxTextureSet(texture, 0.25f, 0.5f);
      OxGfxMeshDraw(gQuad, OxGfxMeshDrawModeTriangles);
      OxSysFrameEnd();
      OxGfxTextureUnload(texture);
    }
  });
  return 0;
}
