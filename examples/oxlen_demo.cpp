// The first visible demo: coloured meshes in a world moved by the camera
// (arrow keys) and placed by world transforms, drawn opaque, alpha-blended
// and additive, over a textured, scrolling background, with a title and the
// frame rate printed on top. Space cycles the blend mode of the spinning
// squares with a laser sound, Enter plays an explosion; a music stream loops
// in its own group, paused with P and while the window has no focus, louder
// and softer with + and -. Runs at 60 frames per second until Escape is
// pressed or the
// window is closed.
// "--frames N" stops it after N frames (for runs without a display).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Oxlen.h"

// The value of "--frames N" in the command line, 0 when absent.
static unsigned long FrameLimit(const char* commandLine)
{
  const char* flag = strstr(commandLine, "--frames");
  if (!flag) return 0;
  return strtoul(flag + strlen("--frames"), nullptr, 10);
}

// A square of side 2 * half around the origin, one colour per corner.
static OxGfxVertexList* Square(float half, unsigned int a, unsigned int b, unsigned int c,
                               unsigned int d)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-half, -half, a, 0, 1, half, -half, b, 1, 1, half, half, c, 1, 0);
  OxGfxTriAdd(-half, -half, a, 0, 1, half, half, c, 1, 0, -half, half, d, 0, 0);
  return OxGfxMeshEnd();
}

// A grid of thin lines every 100 world units, to show the camera moving.
static OxGfxVertexList* Grid()
{
  OxGfxMeshStart();
  for (int i = -10; i <= 10; ++i) {
    float at = static_cast<float>(i * 100);
    OxGfxVertexAdd(at, -1000, 0xFF9090A0, 0, 0);
    OxGfxVertexAdd(at, 1000, 0xFF9090A0, 0, 0);
    OxGfxVertexAdd(-1000, at, 0xFF9090A0, 0, 0);
    OxGfxVertexAdd(1000, at, 0xFF9090A0, 0, 0);
  }
  return OxGfxMeshEnd();
}

// A 64 x 64 checkerboard of two blues, made in memory, to tile the background.
static OxGfxTexture* Checkerboard()
{
  static unsigned char pixels[64 * 64 * 4];
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      unsigned char* pixel = &pixels[(y * 64 + x) * 4];
      bool light = ((x / 16) + (y / 16)) % 2 == 0;
      pixel[0] = light ? 40 : 24;
      pixel[1] = light ? 60 : 36;
      pixel[2] = light ? 96 : 64;
      pixel[3] = 255;
    }
  return OxGfxTextureLoadFromMemory(pixels, 64, 64);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
  unsigned long frameLimit = FrameLimit(commandLine);
  if (!OxSysInit(instance, showCommand, 800, 600, 1, 60, 1, nullptr)) {
    OxSysExit();
    return 1;
  }
  OxGfxSetBackgroundColor(0.12f, 0.12f, 0.16f);
  OxGfxVertexList* grid = Grid();
  OxGfxVertexList* square = Square(60, 0xFFFF4040, 0xFF40FF40, 0xFF4040FF, 0xFFFFFF40);
  OxGfxVertexList* glow = Square(90, 0xFFFF8000, 0xFFFF8000, 0xFF0080FF, 0xFF0080FF);
  // The background: a window-sized quad that follows the camera, its texture
  // repeated 12 x 9 times and scrolled through the texture offset.
  OxGfxTexture* background = Checkerboard();
  OxGfxMeshStart();
  OxGfxTriAdd(-400, -300, 0xFFFFFFFF, 0, 9, 400, -300, 0xFFFFFFFF, 12, 9, 400, 300, 0xFFFFFFFF,
              12, 0);
  OxGfxTriAdd(-400, -300, 0xFFFFFFFF, 0, 9, 400, 300, 0xFFFFFFFF, 12, 0, -400, 300, 0xFFFFFFFF,
              0, 0);
  OxGfxVertexList* backdrop = OxGfxMeshEnd();
  const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  OxGfxFontId titleFont = OxGfxCreateFont(fontPath, 28);
  OxGfxFontId smallFont = OxGfxCreateFont(fontPath, 16);
  float scroll = 0;

  // Sound effects and music in two groups; a missing file only means silence.
  OxAudioGroup effects = OxAudioCreateGroup();
  OxAudioGroup musicGroup = OxAudioCreateGroup();
  OxAudio laser = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/laser.wav");
  OxAudio explosion = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/explosion.wav");
  OxAudio music = OxAudioLoadMusic(OX_DEMO_ASSET_DIR "/music.ogg");
  OxAudioPlay(music, musicGroup, 0.6f, 1.0f, -1);
  float musicVolume = 1.0f;
  bool musicPaused = false, focusPaused = false;

  const char* blendNames[] = {"none", "blend", "add"};
  int blendMode = OxGfxBlendModeBlend;
  float cameraX = 0, cameraY = 0, angle = 0;
  unsigned long frames = 0;
  while (OxSysDoesWindowExist()) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    if (OxInputCheckCurr(VK_LEFT)) cameraX -= 4;
    if (OxInputCheckCurr(VK_RIGHT)) cameraX += 4;
    if (OxInputCheckCurr(VK_DOWN)) cameraY -= 4;
    if (OxInputCheckCurr(VK_UP)) cameraY += 4;
    if (OxInputCheckTriggered(VK_SPACE)) {
      blendMode = (blendMode + 1) % 3;
      printf("Blend mode: %s\n", blendNames[blendMode]);
      OxAudioPlay(laser, effects, 0.8f, 1.0f, 0);
    }
    if (OxInputCheckTriggered(VK_RETURN)) OxAudioPlay(explosion, effects, 1.0f, 1.0f, 0);
    if (OxInputCheckTriggered('P')) musicPaused = !musicPaused;
    if (OxInputCheckTriggered(VK_OEM_PLUS) || OxInputCheckTriggered(VK_ADD))
      musicVolume = OxMin(musicVolume + 0.1f, 1.0f);
    if (OxInputCheckTriggered(VK_OEM_MINUS) || OxInputCheckTriggered(VK_SUBTRACT))
      musicVolume = OxMax(musicVolume - 0.1f, 0.0f);
    OxAudioSetGroupVolume(musicGroup, musicVolume);
    // Everything pauses while the window has no focus; the music also with P.
    bool unfocused = !OxSysIsFocus();
    if (unfocused != focusPaused) {
      focusPaused = unfocused;
      if (focusPaused) OxAudioPauseGroup(effects); else OxAudioResumeGroup(effects);
    }
    if (musicPaused || focusPaused) OxAudioPauseGroup(musicGroup);
    else OxAudioResumeGroup(musicGroup);
    // The camera reaches the view at the first program switch below.
    OxGfxSetCamPosition(cameraX, cameraY);
    angle += 1.5f;

    OxMtx33 identity, rotation, translation, transform;
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeNone);
    OxGfxSetColorToMultiply(1, 1, 1, 1);
    OxGfxSetTransparency(1.0f);
    scroll += 0.004f;
    if (scroll > 1.0f) scroll -= 1.0f;
    OxGfxTextureSet(background, scroll, scroll * 0.5f);
    OxMtx33Trans(&translation, cameraX, cameraY);
    OxGfxSetTransform(&translation);
    OxGfxMeshDraw(backdrop, OxGfxMeshDrawModeTriangles);

    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetTransparency(1.0f);
    OxMtx33Identity(&identity);
    OxGfxSetTransform(&identity);
    OxGfxMeshDraw(grid, OxGfxMeshDrawModeLines);

    // Three squares spinning on a row, drawn with the chosen blend mode and
    // half transparent, over an opaque glow square in the middle.
    OxMtx33RotDeg(&rotation, -angle);
    OxMtx33Trans(&translation, 0, 0);
    OxMtx33Concat(&transform, &translation, &rotation);
    OxGfxSetTransform(&transform);
    OxGfxMeshDraw(glow, OxGfxMeshDrawModeTriangles);

    OxGfxSetBlendMode(blendMode);
    OxGfxSetTransparency(0.6f);
    for (int i = -1; i <= 1; ++i) {
      OxMtx33RotDeg(&rotation, angle * static_cast<float>(i + 2));
      OxMtx33Trans(&translation, static_cast<float>(i * 110), static_cast<float>(i * 30));
      OxMtx33Concat(&transform, &translation, &rotation);
      OxGfxSetTransform(&transform);
      // The middle square fades towards white with the blend colour.
      OxGfxSetBlendColor(1, 1, 1, i == 0 ? 0.5f : 0.0f);
      OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
    }
    OxGfxSetBlendColor(0, 0, 0, 0);

    // Text in normalised device coordinates: (-1, -1) is the bottom-left.
    char rate[64];
    snprintf(rate, sizeof(rate), "%.1f frames per second", OxFrameRateControllerGetFrameRate());
    OxGfxPrint(titleFont, "Oxlen Engine demo", -0.95f, 0.88f, 1.0f, 1, 1, 1, 1);
    OxGfxPrint(smallFont, rate, -0.95f, 0.80f, 1.0f, 1.0f, 0.85f, 0.3f, 1);
    OxGfxPrint(smallFont, "Arrows move the camera, Space changes the blend mode, Escape quits",
               -0.95f, -0.95f, 1.0f, 0.8f, 0.8f, 0.9f, 0.9f);

    OxSysFrameEnd();
    ++frames;
    if (frameLimit && frames >= frameLimit) break;
  }
  printf("Frames run: %lu\n", frames);
  OxGfxMeshFree(grid);
  OxGfxMeshFree(square);
  OxGfxMeshFree(glow);
  OxGfxMeshFree(backdrop);
  OxGfxTextureUnload(background);
  OxGfxDestroyFont(titleFont);
  OxGfxDestroyFont(smallFont);
  OxAudioStopGroup(effects);
  OxAudioStopGroup(musicGroup);
  OxAudioUnloadAudio(laser);
  OxAudioUnloadAudio(explosion);
  OxAudioUnloadAudio(music);
  OxAudioUnloadAudioGroup(effects);
  OxAudioUnloadAudioGroup(musicGroup);
  OxSysExit();
  return 0;
}
