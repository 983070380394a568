// JPEG decoding through libjpeg, from a whole file in memory: an error
// manager that ends the decode through a jump buffer and prints nothing, a
// source that treats the end of the bytes as an error instead of inventing
// an end marker, a bound on the scans a progressive file may have, and ink
// (CMYK, YCCK) converted to colour.
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "image/OxImageCheck.h"
#include "image/OxImageDecoders.h"

namespace {

// Scans a progressive file may have: real files have about ten; thousands
// of tiny scans would each walk the whole image.
const int kMostScans = 1000;
// Memory libjpeg may hold for one image (a progressive one keeps every
// coefficient), beyond which it fails instead of allocating.
const long kMostDecoderMemory = 1L << 30;

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

// What must outlive a jump out of the decode (the pixels to free, the
// source and progress records libjpeg points to), kept outside the function
// that calls setjmp.
struct JpegDecode {
  unsigned char* pixels;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
  longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void Quiet(j_common_ptr) {}
void QuietLevel(j_common_ptr, int) {}

// The whole file is the buffer from the start: asking for more means the
// file ended before its end marker.
void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr cinfo)
{
  cinfo->err->msg_code = JERR_INPUT_EOF;
  cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  return FALSE;
}
void SkipInput(j_decompress_ptr cinfo, long count)
{
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  if (static_cast<unsigned long>(count) > source->bytes_in_buffer) FillInput(cinfo);
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}
void TermSource(j_decompress_ptr) {}

void CountScans(j_common_ptr common)
{
  j_decompress_ptr cinfo = reinterpret_cast<j_decompress_ptr>(common);
  if (cinfo->is_decompressor && cinfo->input_scan_number > kMostScans) {
    cinfo->err->msg_code = JERR_NOTIMPL;
    cinfo->err->error_exit(common);
  }
}

// Ink to colour, in place over 4-byte pixels. Adobe's files store ink
// inverted (0 for full ink), which most programs assume of every CMYK file
// that carries the Adobe marker.
void InkToColor(unsigned char* pixels, size_t count, bool inverted)
{
  for (size_t i = 0; i < count; ++i) {
    unsigned char* p = pixels + 4 * i;
    // What each ink leaves of the paper's white, 255 for no ink.
    unsigned int underBlack = inverted ? p[3] : 255u - p[3];
    for (int c = 0; c < 3; ++c) {
      unsigned int under = inverted ? p[c] : 255u - p[c];
      p[c] = static_cast<unsigned char>((under * underBlack + 127) / 255);
    }
    p[3] = 255;
  }
}

bool Decode(jpeg_decompress_struct* cinfo, ErrorManager* errors, JpegDecode* decode,
            const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  if (setjmp(errors->jump)) return false;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kMostDecoderMemory;
  jpeg_source_mgr* source = &decode->source;
  source->init_source = InitSource;
  source->fill_input_buffer = FillInput;
  source->skip_input_data = SkipInput;
  source->resync_to_restart = jpeg_resync_to_restart;
  source->term_source = TermSource;
  source->next_input_byte = bytes;
  source->bytes_in_buffer = size;
  cinfo->src = source;
  decode->progress.progress_monitor = CountScans;
  cinfo->progress = &decode->progress;

  jpeg_read_header(cinfo, TRUE);
  if (!OxPlatformImageSizeAcceptable(cinfo->image_width, cinfo->image_height, maxSide))
    return false;
  bool ink = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = ink ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 4 ||
      !OxPlatformImageSizeAcceptable(cinfo->output_width, cinfo->output_height, maxSide))
    return false;
  size_t rowBytes = static_cast<size_t>(cinfo->output_width) * 4;
  decode->pixels = static_cast<unsigned char*>(malloc(rowBytes * cinfo->output_height));
  if (!decode->pixels) return false;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = decode->pixels + rowBytes * cinfo->output_scanline;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  if (ink) {
    InkToColor(decode->pixels,
                static_cast<size_t>(cinfo->output_width) * cinfo->output_height,
                cinfo->saw_Adobe_marker);
  }
  image->width = static_cast<int>(cinfo->output_width);
  image->height = static_cast<int>(cinfo->output_height);
  return true;
}

}  // namespace

bool OxDecodeJpeg(const unsigned char* bytes, size_t size, int maxSide, OxDecodedImage* image)
{
  jpeg_decompress_struct cinfo;
  memset(&cinfo, 0, sizeof cinfo);
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = Quiet;
  errors.base.emit_message = QuietLevel;
  JpegDecode decode;
  memset(&decode, 0, sizeof decode);
  bool decoded = Decode(&cinfo, &errors, &decode, bytes, size, maxSide, image);
  jpeg_destroy_decompress(&cinfo);
  if (!decoded) {
    free(decode.pixels);
    return false;
  }
  image->pixels = decode.pixels;
  return true;
}
