/*
 * Smoke test of the Web build's third-party libraries (scripts/web-deps.sh):
 * links every one of them from the cache, uses each once in the browser and
 * prints one line per library, then "web-deps-check: N passed, N failed".
 * SDL's audio output runs last, for a few seconds at most.
 *
 * Build (DEPS is the folder web-deps.sh prints; the font is preloaded into
 * the program's file system):
 *   export PKG_CONFIG_LIBDIR=$DEPS/lib/pkgconfig PKG_CONFIG_PATH=
 *   mods="sdl2 SDL2_image freetype2 sndfile libpng16 libjpeg libwebp zlib"
 *   emcc -O2 scripts/web-deps-check.c $(pkg-config --cflags $mods) \
 *     $(pkg-config --static --libs $mods) -sALLOW_MEMORY_GROWTH=1 \
 *     --preload-file /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf@/fonts/DejaVuSans.ttf \
 *     -o index.html
 * and open index.html through a local web server.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <GLES2/gl2.h>
#include <emscripten.h>
#include <SDL.h>
#include <SDL_image.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>
#include <png.h>
#include <sndfile.h>
#include <webp/encode.h>
#include <zlib.h>

static int passed;
static int failed;

static void report(const char *library, int ok, const char *detail) {
  printf("%-10s %s %s\n", library, ok ? "ok  " : "FAIL", detail);
  if (ok) passed++;
  else failed++;
}

/* SDL2: a window with an OpenGL ES 2 (WebGL 1) context, cleared to a colour
 * that is read back. */
static void check_sdl(void) {
  char detail[256];
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_TIMER) != 0) {
    snprintf(detail, sizeof detail, "SDL_Init: %s", SDL_GetError());
    report("SDL2", 0, detail);
    return;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_Window *window = SDL_CreateWindow("web-deps-check", SDL_WINDOWPOS_UNDEFINED,
                                        SDL_WINDOWPOS_UNDEFINED, 64, 48, SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : NULL;
  if (!context) {
    snprintf(detail, sizeof detail, "window or context: %s", SDL_GetError());
    report("SDL2", 0, detail);
    return;
  }
  glViewport(0, 0, 64, 48);
  glClearColor(0.2f, 0.4f, 0.8f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char pixel[4] = {0};
  glReadPixels(32, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  Uint32 ticks = SDL_GetTicks();
  SDL_version linked;
  SDL_GetVersion(&linked);
  int ok = abs(pixel[0] - 51) <= 1 && abs(pixel[1] - 102) <= 1 && abs(pixel[2] - 204) <= 1;
  snprintf(detail, sizeof detail,
           "%d.%d.%d, video driver %s, %s (%s), pixel %d,%d,%d, %d joysticks, ticks %u",
           linked.major, linked.minor, linked.patch, SDL_GetCurrentVideoDriver(),
           (const char *)glGetString(GL_VERSION), (const char *)glGetString(GL_RENDERER),
           pixel[0], pixel[1], pixel[2], SDL_NumJoysticks(), (unsigned)ticks);
  report("SDL2", ok, detail);
  SDL_GL_SwapWindow(window);
}

/* SDL2_image: a BMP that SDL writes and a lossless WebP that libwebp
 * encodes, both loaded back through SDL_image's own loaders. */
static void check_sdl_image(void) {
  char detail[256];
  int flags = IMG_Init(IMG_INIT_WEBP);
  SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormat(0, 4, 3, 32, SDL_PIXELFORMAT_RGBA32);
  SDL_FillRect(surface, NULL, SDL_MapRGBA(surface->format, 10, 200, 30, 255));
  unsigned char bmp[1024];
  SDL_RWops *out = SDL_RWFromMem(bmp, sizeof bmp);
  SDL_SaveBMP_RW(surface, out, 0);
  Sint64 bmp_size = SDL_RWtell(out);
  SDL_RWclose(out);
  SDL_Surface *from_bmp = IMG_LoadBMP_RW(SDL_RWFromConstMem(bmp, (int)bmp_size));

  uint8_t *webp = NULL;
  size_t webp_size = WebPEncodeLosslessRGBA(surface->pixels, 4, 3, surface->pitch, &webp);
  SDL_RWops *webp_in = SDL_RWFromConstMem(webp, (int)webp_size);
  int is_webp = IMG_isWEBP(webp_in);
  SDL_Surface *from_webp = IMG_LoadWEBP_RW(webp_in);
  const SDL_version *version = IMG_Linked_Version();
  int ok = (flags & IMG_INIT_WEBP) && from_bmp && from_bmp->w == 4 && from_webp &&
           from_webp->w == 4 && from_webp->h == 3 && is_webp;
  snprintf(detail, sizeof detail, "%d.%d.%d, BMP %s, WebP (%u bytes, libwebp %06x) %s",
           version->major, version->minor, version->patch,
           from_bmp ? "loaded" : IMG_GetError(), (unsigned)webp_size,
           (unsigned)WebPGetEncoderVersion(), from_webp ? "loaded" : IMG_GetError());
  report("SDL2_image", ok, detail);
  SDL_FreeSurface(from_bmp);
  SDL_FreeSurface(from_webp);
  SDL_FreeSurface(surface);
  WebPFree(webp);
  IMG_Quit();
}

/* FreeType: the preloaded font, one glyph rendered. */
static void check_freetype(void) {
  char detail[256];
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0 ||
      FT_New_Face(library, "/fonts/DejaVuSans.ttf", 0, &face) != 0) {
    report("FreeType", 0, "cannot open /fonts/DejaVuSans.ttf");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, 32);
  int rendered = FT_Load_Char(face, 'A', FT_LOAD_RENDER) == 0;
  FT_Int major, minor, patch;
  FT_Library_Version(library, &major, &minor, &patch);
  snprintf(detail, sizeof detail, "%d.%d.%d, %s %s, %ld glyphs, 'A' at 32 px: %ux%u", major,
           minor, patch, face->family_name, face->style_name, face->num_glyphs,
           face->glyph->bitmap.width, face->glyph->bitmap.rows);
  report("FreeType", rendered && face->glyph->bitmap.rows > 10, detail);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

/* libsndfile: one second of a tone written into the in-memory file system
 * in each format and read back (FLAC, Vorbis and Opus through their
 * libraries, MP3 written by LAME and read by mpg123). */
static void check_sndfile(void) {
  static const struct {
    const char *name;
    const char *path;
    int format;
  } formats[] = {
      {"WAV", "/tmp/tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
      {"FLAC", "/tmp/tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
      {"Vorbis", "/tmp/tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
      {"Opus", "/tmp/tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
      {"MP3", "/tmp/tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
  };
  enum { kRate = 48000, kFrames = 48000 };
  static float tone[kFrames], back[kFrames];
  for (int i = 0; i < kFrames; i++) tone[i] = 0.5f * sinf(2.0f * 3.14159265f * 440.0f * i / kRate);
  char detail[512];
  int length = snprintf(detail, sizeof detail, "%s:", sf_version_string());
  int ok = 1;
  for (size_t f = 0; f < sizeof formats / sizeof formats[0]; f++) {
    SF_INFO info = {.samplerate = kRate, .channels = 1, .format = formats[f].format};
    SNDFILE *file = sf_open(formats[f].path, SFM_WRITE, &info);
    sf_count_t written = file ? sf_writef_float(file, tone, kFrames) : 0;
    if (file) sf_close(file);
    SF_INFO read_info = {0};
    file = sf_open(formats[f].path, SFM_READ, &read_info);
    sf_count_t read = file ? sf_readf_float(file, back, kFrames) : 0;
    /* The tone's energy survives every codec. */
    double energy = 0;
    for (sf_count_t i = 0; i < read; i++) energy += back[i] * back[i];
    int format_ok = written == kFrames && read > kFrames * 9 / 10 &&
                    fabs(energy / read - 0.125) < 0.02;
    length += snprintf(detail + length, sizeof detail - length, " %s %s (%lld frames)",
                       formats[f].name, format_ok ? "ok" : file ? "bad" : sf_strerror(NULL),
                       (long long)read);
    if (file) sf_close(file);
    ok &= format_ok;
  }
  report("sndfile", ok, detail);
}

/* libpng with zlib: a small image encoded into memory and decoded again. */
static void check_png(void) {
  char detail[256];
  unsigned char pixels[8 * 8 * 4];
  for (size_t i = 0; i < sizeof pixels; i++) pixels[i] = (unsigned char)(i * 7);
  png_image image = {.version = PNG_IMAGE_VERSION, .width = 8, .height = 8,
                     .format = PNG_FORMAT_RGBA};
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, NULL, &size, 0, pixels, 0, NULL);
  unsigned char *encoded = malloc(size);
  int ok = png_image_write_to_memory(&image, encoded, &size, 0, pixels, 0, NULL);
  png_image decoded = {.version = PNG_IMAGE_VERSION};
  unsigned char back[sizeof pixels];
  ok = ok && png_image_begin_read_from_memory(&decoded, encoded, size);
  decoded.format = PNG_FORMAT_RGBA;
  ok = ok && png_image_finish_read(&decoded, NULL, back, 0, NULL) &&
       memcmp(back, pixels, sizeof pixels) == 0;
  snprintf(detail, sizeof detail, "libpng %s, zlib %s, 8x8 RGBA through %u bytes",
           png_get_libpng_ver(NULL), zlibVersion(), (unsigned)size);
  report("libpng", ok, detail);
  free(encoded);
}

/* libjpeg: a grey ramp compressed into memory and decompressed again. */
static void check_jpeg(void) {
  char detail[256];
  enum { kSize = 16 };
  unsigned char pixels[kSize * kSize];
  for (int i = 0; i < kSize * kSize; i++) pixels[i] = (unsigned char)(i % kSize * 16);
  struct jpeg_error_mgr errors;
  struct jpeg_compress_struct compress;
  compress.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compress);
  unsigned char *encoded = NULL;
  unsigned long size = 0;
  jpeg_mem_dest(&compress, &encoded, &size);
  compress.image_width = kSize;
  compress.image_height = kSize;
  compress.input_components = 1;
  compress.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&compress);
  jpeg_set_quality(&compress, 95, TRUE);
  jpeg_start_compress(&compress, TRUE);
  while (compress.next_scanline < kSize) {
    JSAMPROW row = pixels + compress.next_scanline * kSize;
    jpeg_write_scanlines(&compress, &row, 1);
  }
  jpeg_finish_compress(&compress);
  jpeg_destroy_compress(&compress);

  struct jpeg_decompress_struct decompress;
  decompress.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompress);
  jpeg_mem_src(&decompress, encoded, size);
  jpeg_read_header(&decompress, TRUE);
  jpeg_start_decompress(&decompress);
  unsigned char back[kSize * kSize];
  while (decompress.output_scanline < kSize) {
    JSAMPROW row = back + decompress.output_scanline * kSize;
    jpeg_read_scanlines(&decompress, &row, 1);
  }
  jpeg_finish_decompress(&decompress);
  jpeg_destroy_decompress(&decompress);
  int worst = 0;
  for (int i = 0; i < kSize * kSize; i++) {
    int difference = abs(back[i] - pixels[i]);
    if (difference > worst) worst = difference;
  }
  snprintf(detail, sizeof detail, "libjpeg %d, 16x16 grey through %lu bytes, largest error %d",
           JPEG_LIB_VERSION, size, worst);
  report("libjpeg", worst < 16, detail);
  free(encoded);
}

/* SDL2 audio: the browser calls SDL's callback through the runtime's
 * dynCall once its audio context runs (headless browsers need
 * --autoplay-policy=no-user-gesture-required for that). */
static volatile int audio_callbacks;
static SDL_AudioDeviceID audio_device;
static Uint32 audio_started;

static void audio_callback(void *userdata, Uint8 *stream, int length) {
  (void)userdata;
  memset(stream, 0, (size_t)length);
  audio_callbacks++;
}

static void finish(void) {
  printf("web-deps-check: %d passed, %d failed\n", passed, failed);
}

static void wait_for_audio(void) {
  if (audio_callbacks < 1 && SDL_GetTicks() - audio_started < 5000) return;
  char detail[128];
  snprintf(detail, sizeof detail, "driver %s, %d callbacks", SDL_GetCurrentAudioDriver(),
           audio_callbacks);
  report("SDL2 audio", audio_callbacks >= 1, detail);
  SDL_CloseAudioDevice(audio_device);
  emscripten_cancel_main_loop();
  finish();
}

static int start_audio(void) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    report("SDL2 audio", 0, SDL_GetError());
    return 0;
  }
  SDL_AudioSpec wanted = {.freq = 48000, .format = AUDIO_F32SYS, .channels = 2,
                          .samples = 1024, .callback = audio_callback};
  SDL_AudioSpec got;
  audio_device = SDL_OpenAudioDevice(NULL, 0, &wanted, &got, 0);
  if (audio_device == 0) {
    report("SDL2 audio", 0, SDL_GetError());
    return 0;
  }
  SDL_PauseAudioDevice(audio_device, 0);
  audio_started = SDL_GetTicks();
  return 1;
}

int main(void) {
  check_sdl();
  check_sdl_image();
  check_freetype();
  check_sndfile();
  check_png();
  check_jpeg();
  if (start_audio()) {
    emscripten_set_main_loop(wait_for_audio, 0, 0);
  } else {
    finish();
  }
  return 0;
}
