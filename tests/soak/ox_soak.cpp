// The soak program: a long run of frames that each draw a standing mesh and,
// every hundred frames, create, draw and free a mesh, a texture loaded from
// a PNG file and a font printed with; every ten frames a sound plays (and
// every hundred a sound is loaded, played and unloaded). The process's
// resident memory is printed every 1,000 frames and summarised at the end.
// Usage: ox_soak [frames, default 100000]   (run by scripts/soak.sh)
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "Oxlen.h"

namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Resident set size in kilobytes, from /proc/self/statm.
long ResidentKb()
{
  FILE* file = fopen("/proc/self/statm", "r");
  if (!file) return -1;
  long pages = 0, resident = 0;
  int read = fscanf(file, "%ld %ld", &pages, &resident);
  fclose(file);
  return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

OxGfxVertexList* Quad(float half, unsigned int colour)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-half, -half, colour, 0, 1, half, -half, colour, 1, 1, half, half, colour, 1, 0);
  OxGfxTriAdd(-half, -half, colour, 0, 1, half, half, colour, 1, 0, -half, half, colour, 0, 0);
  return OxGfxMeshEnd();
}

}  // namespace

int main(int argc, char** argv)
{
  long frames = argc > 1 ? atol(argv[1]) : 100000;
  if (frames < 1) frames = 1;
  char pattern[] = "/tmp/oxlen-soak-XXXXXX";
  std::string dir = mkdtemp(pattern) ? pattern : "/tmp";
  std::string png = dir + "/soak.png";
  std::string wav = dir + "/soak.wav";
  oxtest::RgbaPixels pixels(32 * 32 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);
  if (!oxtest::WritePng(png, pixels, 32, 32) ||
      !oxtest::WriteSoundFile(wav, oxtest::SoundFormat::Wav, 22050, 1,
                              oxtest::Sine(660, 0.3f, 22050, 1100))) {
    fprintf(stderr, "ox_soak: cannot write the soak's files in %s\n", dir.c_str());
    return 1;
  }

  if (!OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr)) {
    fprintf(stderr, "ox_soak: OxSysInit failed\n");
    return 1;
  }
  // The engine's creation lines would fill the log; the figures go to stderr.
  if (!freopen("/dev/null", "w", stdout)) return 1;
  OxGfxVertexList* standing = Quad(40, 0xFF2060A0);
  OxAudioGroup group = OxAudioCreateGroup();
  OxAudio sound = OxAudioLoadSound(wav.c_str());
  OxMtx33 identity;
  OxMtx33Identity(&identity);

  long warmKb = 0, warmFrame = 0, lowKb = 0, highKb = 0;
  const long warmUp = frames / 10;
  fprintf(stderr, "frame,rss_kb\n");
  for (long frame = 0; frame < frames && OxSysDoesWindowExist(); ++frame) {
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetTransform(&identity);
    OxGfxMeshDraw(standing, OxGfxMeshDrawModeTriangles);
    if (frame % 100 == 0) {
      OxGfxVertexList* mesh = Quad(20, 0xFFFF8000);
      OxGfxMeshDraw(mesh, OxGfxMeshDrawModeTriangles);
      OxGfxMeshFree(mesh);
      OxGfxTexture* texture = OxGfxTextureLoad(png.c_str());
      OxGfxVertexList* quad = Quad(16, 0xFFFFFFFF);
      OxGfxSetRenderMode(OxGfxRenderModeTexture);
      OxGfxSetTransform(&identity);
      OxGfxSetColorToMultiply(1, 1, 1, 1);
      OxGfxSetTransparency(1);
      OxGfxTextureSet(texture, 0, 0);
      OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
      OxGfxMeshFree(quad);
      OxGfxTextureUnload(texture);
      OxGfxFontId font = OxGfxCreateFont(kFont, 20);
      OxGfxPrint(font, "Soak 0123456789", -0.9f, 0.8f, 1, 1, 1, 1, 1);
      OxGfxDestroyFont(font);
      OxAudio once = OxAudioLoadSound(wav.c_str());
      OxAudioPlay(once, group, 0.2f, 1.5f, 0);
      OxAudioUnloadAudio(once);
    }
    if (frame % 10 == 0) OxAudioPlay(sound, group, 0.3f, 1.0f, 0);
    OxSysFrameEnd();
    if (frame % 1000 == 999) {
      long kb = ResidentKb();
      fprintf(stderr, "%ld,%ld\n", frame + 1, kb);
      // The first sample at or after a tenth of the run ends the warm-up.
      if (warmKb == 0 && frame + 1 >= warmUp) {
        warmKb = lowKb = highKb = kb;
        warmFrame = frame + 1;
      }
      if (warmKb) {
        if (kb < lowKb) lowKb = kb;
        if (kb > highKb) highKb = kb;
      }
    }
  }
  long endKb = ResidentKb();
  fprintf(stderr, "summary: frames %ld, rss after warm-up (frame %ld) %ld KB, lowest %ld KB, "
                  "highest %ld KB, at end %ld KB, growth after warm-up %ld KB\n",
          frames, warmFrame, warmKb, lowKb, highKb, endKb, endKb - warmKb);

  OxAudioStopGroup(group);
  OxAudioUnloadAudio(sound);
  OxAudioUnloadAudioGroup(group);
  OxGfxMeshFree(standing);
  OxSysExit();
  unlink(png.c_str());
  unlink(wav.c_str());
  rmdir(dir.c_str());
  return 0;
}
