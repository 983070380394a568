// A peer of examples/minimal_game written against SFML 2.5: an 800 x 600
// sf::RenderWindow with vertical sync and a 60 frames a second limit, a
// triangle with one colour per corner (an sf::VertexArray) turning a degree a
// frame, one line of DejaVuSans at 32 pixels (sf::Text), and a 0.2 s 440 Hz
// beep made from samples (sf::SoundBuffer) played at start (sf::Sound).
// "bench_game_sfml N" ends after N frames (0 or none: when the window closes
// or Escape is pressed); scripts/bench_exit.sh times whole runs of it.
#include <math.h>
#include <stdlib.h>

#include <vector>

#include <SFML/Audio.hpp>
#include <SFML/Graphics.hpp>

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  const unsigned int width = 800, height = 600;
  sf::RenderWindow window(sf::VideoMode(width, height), "bench_game_sfml");
  if (!window.isOpen()) return 1;
  window.setVerticalSyncEnabled(true);
  window.setFramerateLimit(60);

  // The triangle in world pixels (y up, origin at the window's centre),
  // turned by the window's transform each frame.
  sf::VertexArray triangle(sf::Triangles, 3);
  const float corners[3][2] = {{-80, -60}, {80, -60}, {0, 90}};
  const sf::Color colors[3] = {sf::Color(255, 64, 64), sf::Color(64, 255, 64), sf::Color(64, 128, 255)};
  for (int k = 0; k < 3; ++k) {
    triangle[k].position = sf::Vector2f(corners[k][0], -corners[k][1]);
    triangle[k].color = colors[k];
  }

  sf::Font font;
  if (!font.loadFromFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")) return 1;
  sf::Text text("Hello from Oxlen", font, 32);
  text.setFillColor(sf::Color::White);
  // The baseline where the engine's game starts its pen, normalised device
  // coordinates (-0.4, 0.8); sf::Text puts the baseline a character size
  // below its position.
  text.setPosition((1 - 0.4f) * width / 2, (1 - 0.8f) * height / 2 - 32);

  // The beep: 0.2 s of 440 Hz, 16-bit mono at 22050 Hz.
  const unsigned int rate = 22050;
  std::vector<sf::Int16> samples(rate / 5);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<sf::Int16>(8000 * sin(6.2831853 * 440 * i / rate));
  sf::SoundBuffer buffer;
  if (!buffer.loadFromSamples(samples.data(), samples.size(), 1, rate)) return 1;
  sf::Sound beep(buffer);
  beep.play();

  float angle = 0;
  for (unsigned long frame = 0; window.isOpen(); ++frame) {
    if (frameLimit && frame >= frameLimit) break;
    sf::Event event;
    bool quit = false;
    while (window.pollEvent(event)) {
      if (event.type == sf::Event::Closed) quit = true;
      if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Escape) quit = true;
      if (event.type == sf::Event::KeyPressed && event.key.code == sf::Keyboard::Space) beep.play();
    }
    if (quit) break;

    window.clear(sf::Color(26, 26, 51));
    sf::Transform transform;
    transform.translate(width / 2.0f, height / 2.0f).rotate(-(angle += 1.0f));
    window.draw(triangle, transform);
    window.draw(text);
    window.display();  // also sleeps out the rest of the 60 fps frame
  }

  beep.stop();
  window.close();
  return 0;
}
