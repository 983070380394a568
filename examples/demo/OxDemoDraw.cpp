// Drawing for the demo game: coloured meshes placed with per-object world
// transforms and tints, a repeating texture scrolled through its offset,
// additive glows for shots and sparks, and text in DejaVuSans.
#include "OxDemoDraw.h"

#include <math.h>
#include <stdio.h>

namespace demo {

namespace {

struct Look {
  OxGfxVertexList* background = nullptr;
  OxGfxVertexList* arena = nullptr;
  OxGfxVertexList* ship = nullptr;
  OxGfxVertexList* flame = nullptr;
  OxGfxVertexList* rocks[kRockShapes] = {};
  OxGfxVertexList* shot = nullptr;
  OxGfxVertexList* glow = nullptr;
  OxGfxTexture* stars = nullptr;
  OxGfxFontId font = -1;
  OxGfxFontId bigFont = -1;
} gLook;

const float kTwoPi = 6.2831853f;
const float kTileSize = 256.0f;  // the background image's size in pixels

// A window-sized quad whose texture coordinates repeat the image at its own
// pixel size.
OxGfxVertexList* BackgroundMesh()
{
  const float w = 400, h = 300, u = 2 * w / kTileSize, v = 2 * h / kTileSize;
  OxGfxMeshStart();
  OxGfxTriAdd(-w, -h, 0xFFFFFFFF, 0, v, w, -h, 0xFFFFFFFF, u, v, w, h, 0xFFFFFFFF, u, 0);
  OxGfxTriAdd(-w, -h, 0xFFFFFFFF, 0, v, w, h, 0xFFFFFFFF, u, 0, -w, h, 0xFFFFFFFF, 0, 0);
  return OxGfxMeshEnd();
}

// The arena's walls as a line loop in two colours.
OxGfxVertexList* ArenaMesh()
{
  const float w = kArenaHalfWidth, h = kArenaHalfHeight;
  const float x[4] = {-w, -w, w, w}, y[4] = {-h, h, h, -h};
  OxGfxMeshStart();
  for (int i = 0; i < 4; ++i) {
    OxGfxVertexAdd(x[i], y[i], 0xFF40C0FF, 0, 0);
    OxGfxVertexAdd(x[(i + 1) % 4], y[(i + 1) % 4], 0xFFB040FF, 0, 0);
  }
  return OxGfxMeshEnd();
}

// An arrow pointing along +x with a notch at the back.
OxGfxVertexList* ShipMesh()
{
  OxGfxMeshStart();
  OxGfxTriAdd(20, 0, 0xFFFFFFFF, 0, 0, -12, 12, 0xFF2060FF, 0, 0, -5, 0, 0xFF80C0FF, 0, 0);
  OxGfxTriAdd(20, 0, 0xFFFFFFFF, 0, 0, -5, 0, 0xFF80C0FF, 0, 0, -12, -12, 0xFF2060FF, 0, 0);
  return OxGfxMeshEnd();
}

OxGfxVertexList* FlameMesh()
{
  OxGfxMeshStart();
  OxGfxTriAdd(-6, 6, 0xFFFF8020, 0, 0, -6, -6, 0xFFFF8020, 0, 0, -26, 0, 0x00FFE040, 0, 0);
  return OxGfxMeshEnd();
}

// A lumpy rock of radius about 1: a fan from a light centre to a dark rim.
OxGfxVertexList* RockMesh(int seed)
{
  const int corners = 11;
  float radius[corners];
  for (int i = 0; i < corners; ++i)
    radius[i] = 0.78f + 0.24f * (0.5f + 0.5f * sinf(static_cast<float>(seed * 7 + i * i * 3)));
  OxGfxMeshStart();
  for (int i = 0; i < corners; ++i) {
    int j = (i + 1) % corners;
    float a0 = kTwoPi * i / corners, a1 = kTwoPi * j / corners;
    OxGfxTriAdd(0, 0, 0xFFE0D0B0, 0, 0, radius[i] * cosf(a0), radius[i] * sinf(a0), 0xFF806A58,
                0, 0, radius[j] * cosf(a1), radius[j] * sinf(a1), 0xFF9A8670, 0, 0);
  }
  return OxGfxMeshEnd();
}

// A thin bright diamond along +x.
OxGfxVertexList* ShotMesh()
{
  OxGfxMeshStart();
  OxGfxTriAdd(9, 0, 0xFFFFFFFF, 0, 0, 0, 3, 0xFF60E0FF, 0, 0, -9, 0, 0x0060E0FF, 0, 0);
  OxGfxTriAdd(9, 0, 0xFFFFFFFF, 0, 0, -9, 0, 0x0060E0FF, 0, 0, 0, -3, 0xFF60E0FF, 0, 0);
  return OxGfxMeshEnd();
}

// A disc of radius 1, opaque white in the middle fading to nothing.
OxGfxVertexList* GlowMesh()
{
  const int segments = 20;
  OxGfxMeshStart();
  for (int i = 0; i < segments; ++i) {
    float a0 = kTwoPi * i / segments, a1 = kTwoPi * (i + 1) / segments;
    OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, 0, cosf(a0), sinf(a0), 0x00FFFFFF, 0, 0, cosf(a1), sinf(a1),
                0x00FFFFFF, 0, 0);
  }
  return OxGfxMeshEnd();
}

// Translation, then rotation (degrees), then scale: the usual object matrix.
void Place(float x, float y, float angle, float scaleX, float scaleY)
{
  OxMtx33 translation, rotation, scale, turned, transform;
  OxMtx33Trans(&translation, x, y);
  OxMtx33RotDeg(&rotation, angle);
  OxMtx33Scale(&scale, scaleX, scaleY);
  OxMtx33Concat(&turned, &translation, &rotation);
  OxMtx33Concat(&transform, &turned, &scale);
  OxGfxSetTransform(&transform);
}

// Text centred horizontally at NDC height y.
void PrintCentred(OxGfxFontId font, const char* text, float y, float scale, float red,
                  float green, float blue)
{
  float width = 0;
  OxGfxGetPrintSize(font, text, scale, &width, nullptr);
  OxGfxPrint(font, text, -width / 2, y, scale, red, green, blue, 1);
}

}  // namespace

bool LoadLook(const char* backgroundPath, const char* fontPath)
{
  gLook.background = BackgroundMesh();
  gLook.arena = ArenaMesh();
  gLook.ship = ShipMesh();
  gLook.flame = FlameMesh();
  for (int i = 0; i < kRockShapes; ++i) gLook.rocks[i] = RockMesh(i + 1);
  gLook.shot = ShotMesh();
  gLook.glow = GlowMesh();
  gLook.stars = OxGfxTextureLoad(backgroundPath);
  if (!gLook.stars) printf("Demo: no background image at %s\n", backgroundPath);
  gLook.font = OxGfxCreateFont(fontPath, 20);
  gLook.bigFont = OxGfxCreateFont(fontPath, 48);
  return gLook.font != -1 && gLook.bigFont != -1;
}

void FreeLook()
{
  OxGfxMeshFree(gLook.background);
  OxGfxMeshFree(gLook.arena);
  OxGfxMeshFree(gLook.ship);
  OxGfxMeshFree(gLook.flame);
  for (OxGfxVertexList* rock : gLook.rocks) OxGfxMeshFree(rock);
  OxGfxMeshFree(gLook.shot);
  OxGfxMeshFree(gLook.glow);
  OxGfxTextureUnload(gLook.stars);
  if (gLook.font != -1) OxGfxDestroyFont(gLook.font);
  if (gLook.bigFont != -1) OxGfxDestroyFont(gLook.bigFont);
  gLook = Look{};
}

void DrawWorld(const World& world, const Hud& hud, float time)
{
  // Background: the star tile repeated over the window, drifting downwards
  // through the texture offset (kept in [0, 1) so it never loses precision).
  if (gLook.stars) {
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxSetBlendMode(OxGfxBlendModeNone);
    // Each program keeps its own colours: the texture program's are set here,
    // dimmed so that the rocks stand out.
    OxGfxSetTransparency(1);
    OxGfxSetColorToMultiply(0.55f, 0.55f, 0.65f, 1);
    OxGfxSetColorToAdd(0, 0, 0, 0);
    OxGfxSetBlendColor(0, 0, 0, 0);
    OxGfxTextureSet(gLook.stars, 0.0f, -fmodf(time * 0.05f, 1.0f) + 1.0f);
    OxGfxSetTextureMode(OxGfxTextureModeLinear);
    Place(0, 0, 0, 1, 1);
    OxGfxMeshDraw(gLook.background, OxGfxMeshDrawModeTriangles);
  }

  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  OxGfxSetTransparency(1);
  OxGfxSetColorToMultiply(1, 1, 1, 1);
  OxGfxSetColorToAdd(0, 0, 0, 0);
  OxGfxSetBlendColor(0, 0, 0, 0);
  Place(0, 0, 0, 1, 1);
  OxGfxMeshDraw(gLook.arena, OxGfxMeshDrawModeLines);

  // Rocks: one mesh per shape, each rock with its own transform and tint.
  for (const Rock& rock : world.rocks) {
    if (!rock.alive) continue;
    OxGfxSetColorToMultiply(rock.red, rock.green, rock.blue, 1);
    Place(rock.position.x, rock.position.y, rock.angle, rock.radius, rock.radius);
    OxGfxMeshDraw(gLook.rocks[rock.shape], OxGfxMeshDrawModeTriangles);
  }
  OxGfxSetColorToMultiply(1, 1, 1, 1);

  // Effects add light: shots with a halo, then the sparks fading out.
  OxGfxSetBlendMode(OxGfxBlendModeAdd);
  for (const Shot& shot : world.shots) {
    if (!shot.alive) continue;
    float angle = OxRadToDeg(atan2f(shot.velocity.y, shot.velocity.x));
    OxGfxSetColorToMultiply(0.3f, 0.8f, 1.0f, 0.6f);
    Place(shot.position.x, shot.position.y, 0, 9, 9);
    OxGfxMeshDraw(gLook.glow, OxGfxMeshDrawModeTriangles);
    OxGfxSetColorToMultiply(1, 1, 1, 1);
    Place(shot.position.x, shot.position.y, angle, 1.3f, 1.3f);
    OxGfxMeshDraw(gLook.shot, OxGfxMeshDrawModeTriangles);
  }
  for (const Spark& spark : world.sparks) {
    if (!spark.alive) continue;
    float fade = spark.life / spark.startLife;
    OxGfxSetColorToMultiply(spark.red, spark.green, spark.blue, 1);
    OxGfxSetTransparency(fade);
    Place(spark.position.x, spark.position.y, 0, spark.size * (0.5f + fade), spark.size * (0.5f + fade));
    OxGfxMeshDraw(gLook.glow, OxGfxMeshDrawModeTriangles);
  }
  OxGfxSetTransparency(1);
  OxGfxSetColorToMultiply(1, 1, 1, 1);

  // The ship, blinking while its respawn shield is up, with its flame.
  const Ship& ship = world.ship;
  bool shown = !world.gameOver && (ship.invulnerable <= 0 || fmodf(time, 0.25f) < 0.16f);
  if (shown) {
    if (ship.thrusting) {
      Place(ship.position.x, ship.position.y, ship.angle, 1.0f + 0.25f * sinf(time * 40), 1);
      OxGfxMeshDraw(gLook.flame, OxGfxMeshDrawModeTriangles);
    }
    OxGfxSetColorToMultiply(0.2f, 0.5f, 1.0f, 0.35f);
    Place(ship.position.x, ship.position.y, 0, 26, 26);
    OxGfxMeshDraw(gLook.glow, OxGfxMeshDrawModeTriangles);
    OxGfxSetColorToMultiply(1, 1, 1, 1);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    Place(ship.position.x, ship.position.y, ship.angle, 1, 1);
    OxGfxMeshDraw(gLook.ship, OxGfxMeshDrawModeTriangles);
  }
  OxGfxSetBlendMode(OxGfxBlendModeBlend);

  // Text: score, lives and frame rate on top, the keys at the bottom.
  if (gLook.font == -1) return;
  char line[160];
  snprintf(line, sizeof line, "Score %d", world.score);
  OxGfxPrint(gLook.font, line, -0.96f, 0.93f, 1, 1, 1, 1, 1);
  snprintf(line, sizeof line, "Lives %d   Wave %d", world.lives, world.wave);
  PrintCentred(gLook.font, line, 0.93f, 1, 1.0f, 0.85f, 0.3f);
  snprintf(line, sizeof line, "%.0f fps", hud.frameRate);
  float width = 0;
  OxGfxGetPrintSize(gLook.font, line, 1, &width, nullptr);
  OxGfxPrint(gLook.font, line, 0.96f - width, 0.93f, 1, 0.5f, 1, 0.5f, 1);
  snprintf(line, sizeof line,
           "%sarrows steer  space/click fire  P pause  +/- music %d%%  [ ] effects %d%%  "
           "F11 full screen  Esc quit",
           hud.autoPilot ? "AUTO-PILOT  " : "", static_cast<int>(hud.musicVolume * 100 + 0.5f),
           static_cast<int>(hud.effectsVolume * 100 + 0.5f));
  PrintCentred(gLook.font, line, -0.97f, 0.62f, 0.75f, 0.8f, 0.95f);
  if (world.gameOver) {
    PrintCentred(gLook.bigFont, "GAME OVER", 0.05f, 1, 1, 0.3f, 0.2f);
    PrintCentred(gLook.font, "press Enter to play again", -0.08f, 1, 1, 1, 1);
  } else if (hud.paused) {
    PrintCentred(gLook.bigFont, "PAUSED", 0.0f, 1, 1, 1, 1);
  }
}

}  // namespace demo
