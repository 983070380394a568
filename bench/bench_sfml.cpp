// A peer: SFML's graphics module drawing the frame scenarios the way its
// documentation recommends for many objects: one vertex array a frame,
// transformed on the processor, drawn with one call; text as sf::Text.
// "bench_sfml SCENARIO WARMUP FRAMES TIMES_FILE" times frames as
// bench_engine does (clear to after the display).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include <valgrind/callgrind.h>

#include <SFML/Graphics.hpp>

#include "BenchCommon.h"

namespace {

using namespace bench;

// World (y up, origin at the centre) to SFML's window pixels (y down).
inline sf::Vector2f ToScreen(float x, float y)
{
  return sf::Vector2f(x + kWidth / 2.0f, kHeight / 2.0f - y);
}

sf::Uint8 Byte(float value)
{
  return static_cast<sf::Uint8>(value <= 0 ? 0 : value >= 1 ? 255 : value * 255.0f + 0.5f);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 5) {
    printf("usage: bench_sfml quads|sprites|text|big|bunnies WARMUP FRAMES TIMES_FILE\n");
    return 2;
  }
  int scenario = ParseScenario(argv[1]);
  int warmup = atoi(argv[2]), frames = atoi(argv[3]);
  if (scenario < 0 || warmup < 0 || frames <= 0) return 2;

  sf::RenderWindow window(sf::VideoMode(kWidth, kHeight), "sfml peer", sf::Style::Titlebar);
  window.setVerticalSyncEnabled(false);

  sf::Texture texture;
  sf::Font font;
  std::vector<sf::Text> lines;
  sf::VertexArray vertices(sf::Triangles);
  int bunnies = BunnyCount();
  if (scenario == kSprites) {
    static unsigned char pixels[kTextureSize * kTextureSize * 4];
    SpriteTexturePixels(pixels);
    texture.create(kTextureSize, kTextureSize);
    texture.update(pixels);
  } else if (scenario == kBunnies) {
    static unsigned char pixels[kBunnySize * kBunnySize * 4];
    BunnyTexturePixels(pixels);
    texture.create(kBunnySize, kBunnySize);
    texture.update(pixels);
  } else if (scenario == kText) {
    if (!font.loadFromFile(kFontPath)) return 1;
    lines.resize(kTextLines);
    for (int l = 0; l < kTextLines; ++l) {
      lines[l].setFont(font);
      lines[l].setCharacterSize(kFontPixels);
      lines[l].setFillColor(sf::Color::Black);
      // The baseline where the engine's pen starts.
      float x = (TextLineX() + 1) * kWidth / 2, y = (1 - TextLineY(l)) * kHeight / 2;
      lines[l].setPosition(x, y - kFontPixels);
    }
  } else if (scenario == kBig) {
    vertices.resize(kBigMeshVertices);
    for (int i = 0; i < kBigMeshVertices; ++i) {
      float x, y;
      unsigned int c;
      BigMeshVertex(i, &x, &y, &c);
      vertices[i].position = ToScreen(x, y);
      vertices[i].color = sf::Color(static_cast<sf::Uint8>(c >> 16), static_cast<sf::Uint8>(c >> 8),
                                    static_cast<sf::Uint8>(c), static_cast<sf::Uint8>(c >> 24));
    }
  }

  std::vector<double> times, cpuTimes;
  times.reserve(frames);
  cpuTimes.reserve(frames);
  float rows[2][3];
  sf::RenderStates opaque(sf::BlendNone);
  sf::RenderStates textured(sf::BlendAlpha);
  textured.texture = &texture;
  for (int frame = 0; frame < warmup + frames; ++frame) {
    // Under callgrind only the measured frames are counted.
    if (frame == warmup) CALLGRIND_ZERO_STATS;
    double start = Now(), cpuStart = ProcessCpu();
    window.clear(sf::Color::White);
    if (scenario == kQuads) {
      vertices.resize(kObjects * 6);
      const float h = kQuadSize / 2.0f;
      const float corners[6][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, -h}, {h, h}, {-h, h}};
      for (int i = 0; i < kObjects; ++i) {
        float rgba[4];
        ObjectTransform(i, frame, rows);
        ObjectColor(i, frame, rgba);
        unsigned int c = QuadMeshColor(i);
        sf::Color color(Byte(((c >> 16) & 0xFF) / 255.0f * rgba[0]),
                         Byte(((c >> 8) & 0xFF) / 255.0f * rgba[1]),
                         Byte((c & 0xFF) / 255.0f * rgba[2]), Byte(rgba[3]));
        for (int k = 0; k < 6; ++k) {
          sf::Vertex& vertex = vertices[i * 6 + k];
          vertex.position = ToScreen(rows[0][0] * corners[k][0] + rows[0][1] * corners[k][1] + rows[0][2],
                                     rows[1][0] * corners[k][0] + rows[1][1] * corners[k][1] + rows[1][2]);
          vertex.color = color;
        }
      }
      window.draw(vertices, opaque);
    } else if (scenario == kSprites) {
      vertices.resize(kObjects * 6);
      const float h = kSpriteSize / 2.0f;
      // Corners and their texels within a cell (v down the image, y up).
      const float corners[6][4] = {{-h, -h, 0, 16}, {h, -h, 16, 16}, {h, h, 16, 0},
                                   {-h, -h, 0, 16}, {h, h, 16, 0},   {-h, h, 0, 0}};
      for (int i = 0; i < kObjects; ++i) {
        float u, v;
        ObjectTransform(i, frame, rows);
        SpriteOffset(i, frame, &u, &v);
        for (int k = 0; k < 6; ++k) {
          sf::Vertex& vertex = vertices[i * 6 + k];
          vertex.position = ToScreen(rows[0][0] * corners[k][0] + rows[0][1] * corners[k][1] + rows[0][2],
                                     rows[1][0] * corners[k][0] + rows[1][1] * corners[k][1] + rows[1][2]);
          vertex.texCoords = sf::Vector2f(u * kTextureSize + corners[k][2], v * kTextureSize + corners[k][3]);
          vertex.color = sf::Color::White;
        }
      }
      window.draw(vertices, textured);
    } else if (scenario == kText) {
      char text[kLineChars + 1];
      for (int l = 0; l < kTextLines; ++l) {
        TextLine(l, frame, text);
        lines[l].setString(text);
        window.draw(lines[l]);
      }
    } else if (scenario == kBig) {
      window.draw(vertices, opaque);
    } else {
      vertices.resize(static_cast<size_t>(bunnies) * 6);
      const float h = kBunnySize / 2.0f, s = kBunnySize;
      const float corners[6][4] = {{-h, -h, 0, s}, {h, -h, s, s}, {h, h, s, 0},
                                   {-h, -h, 0, s}, {h, h, s, 0},  {-h, h, 0, 0}};
      for (int i = 0; i < bunnies; ++i) {
        float x, y;
        BunnyPosition(i, frame, &x, &y);
        for (int k = 0; k < 6; ++k) {
          sf::Vertex& vertex = vertices[i * 6 + k];
          vertex.position = ToScreen(x + corners[k][0], y + corners[k][1]);
          vertex.texCoords = sf::Vector2f(corners[k][2], corners[k][3]);
          vertex.color = sf::Color::White;
        }
      }
      window.draw(vertices, textured);
    }
    window.display();
    sf::Event event;
    while (window.pollEvent(event)) {
    }
    if (frame >= warmup) {
      times.push_back(Now() - start);
      cpuTimes.push_back(ProcessCpu() - cpuStart);
    }
  }
  CALLGRIND_DUMP_STATS_AT("measured");
  window.close();
  return AppendTimes(argv[4], times.data(), cpuTimes.data(), times.size()) ? 0 : 1;
}
