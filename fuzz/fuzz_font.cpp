// Fuzz target: any bytes as a font file, created with OxGfxCreateFont, then
// printed and measured with every kind of byte and destroyed.
#include <stddef.h>
#include <stdint.h>

#include "OxFuzzSupport.h"
#include "Oxlen.h"

namespace {

// Printable characters, a space, control characters and high bytes.
const char kText[] = "Ag ~!{|}\t\n\x01\x1f\x7f\x80\xc3\xa9\xff" "0123456789";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  oxfuzz::StartEngine();
  std::string path = oxfuzz::WriteInput("input.ttf", data, size);
  // A small size keeps each run quick; the size changes with the input so
  // that atlases of several shapes are built.
  int pixels = 6 + static_cast<int>(size % 11);
  oxfuzz::ExpectNothingOnStandardError([&] {
    OxGfxFontId font = OxGfxCreateFont(path.c_str(), pixels);
    if (font != -1) {
      OxSysFrameStart();
      OxGfxPrint(font, kText, -1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
      OxGfxPrint(font, "", 0.0f, 0.0f, 3.0f, 0.0f, 0.0f, 0.0f, 1.0f);
      float width = -1, height = -1;
      OxGfxGetPrintSize(font, kText, 1.0f, &width, &height);
      OxGfxGetPrintSize(font, kText, 2.0f, nullptr, nullptr);
      OxSysFrameEnd();
      OxGfxDestroyFont(font);
    }
  });
  return 0;
}
