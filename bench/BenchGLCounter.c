/* Preloaded into bench_engine: counts what the library hands OpenGL each
   frame. Draw calls, the vertices and indices they draw, and the bytes:
   buffer data, client-side index arrays, and the client-side vertex arrays a
   draw reads (the enabled attributes' sizes times the vertices it reaches).
   Frames are counted by glClear (the library clears once a frame); what comes
   before the first clear (building the scene) is not counted. At exit it
   prints "BENCH gl" and the figures per frame. Core OpenGL 1.1 entry points
   are taken by symbol, the later ones through glXGetProcAddressARB, as GLEW
   asks for them. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

typedef unsigned int Enum;
typedef void (*Function)(void);

enum {
  kArrayBuffer = 0x8892,
  kElementBuffer = 0x8893,
  kUnsignedByte = 0x1401,
  kUnsignedShort = 0x1403,
  kAttributes = 16
};

struct Attribute {
  int enabled, client, bytes;
};

static struct {
  unsigned long frames, draws, vertices, indices, bytes;
  unsigned int arrayBuffer, elementBuffer;
  struct Attribute attributes[kAttributes];
} gCount;

static void* Next(const char* name) { return dlsym(RTLD_NEXT, name); }

static int TypeBytes(Enum type)
{
  if (type == kUnsignedByte || type == 0x1400) return 1;
  if (type == kUnsignedShort || type == 0x1402) return 2;
  return 4;
}

/* Bytes a draw reaching count vertices reads from the program's memory. */
static void CountVertices(unsigned long count)
{
  if (!gCount.frames) return;
  gCount.vertices += count;
  for (int i = 0; i < kAttributes; ++i)
    if (gCount.attributes[i].enabled && gCount.attributes[i].client)
      gCount.bytes += count * (unsigned long)gCount.attributes[i].bytes;
}

__attribute__((visibility("default"))) void glClear(unsigned int mask)
{
  static void (*real)(unsigned int);
  if (!real) real = Next("glClear");
  ++gCount.frames;
  real(mask);
}

__attribute__((visibility("default"))) void glDrawArrays(Enum mode, int first, int count)
{
  static void (*real)(Enum, int, int);
  if (!real) real = Next("glDrawArrays");
  if (gCount.frames) ++gCount.draws;
  CountVertices((unsigned long)count);
  real(mode, first, count);
}

__attribute__((visibility("default"))) void glDrawElements(Enum mode, int count, Enum type,
                                                           const void* indices)
{
  static void (*real)(Enum, int, Enum, const void*);
  if (!real) real = Next("glDrawElements");
  if (gCount.frames) {
    ++gCount.draws;
    gCount.indices += (unsigned long)count;
  }
  /* Client-side indices: the draw reaches the vertices from the lowest to the
     highest; in a buffer they cannot be read here, so each index counts. */
  unsigned long reached = (unsigned long)count;
  if (!gCount.elementBuffer && count > 0 && type == kUnsignedShort) {
    const unsigned short* index = indices;
    unsigned short low = index[0], high = index[0];
    for (int i = 1; i < count; ++i) {
      if (index[i] < low) low = index[i];
      if (index[i] > high) high = index[i];
    }
    reached = (unsigned long)(high - low) + 1;
    if (gCount.frames) gCount.bytes += (unsigned long)count * 2;
  }
  CountVertices(reached);
  real(mode, count, type, indices);
}

static void (*gBindBuffer)(Enum, unsigned int);
static void BindBuffer(Enum target, unsigned int buffer)
{
  if (target == kArrayBuffer) gCount.arrayBuffer = buffer;
  if (target == kElementBuffer) gCount.elementBuffer = buffer;
  gBindBuffer(target, buffer);
}

static void (*gBufferData)(Enum, ptrdiff_t, const void*, Enum);
static void BufferData(Enum target, ptrdiff_t size, const void* data, Enum usage)
{
  if (gCount.frames && data) gCount.bytes += (unsigned long)size;
  gBufferData(target, size, data, usage);
}

static void (*gBufferSubData)(Enum, ptrdiff_t, ptrdiff_t, const void*);
static void BufferSubData(Enum target, ptrdiff_t offset, ptrdiff_t size, const void* data)
{
  if (gCount.frames) gCount.bytes += (unsigned long)size;
  gBufferSubData(target, offset, size, data);
}

static void (*gVertexAttribPointer)(unsigned int, int, Enum, unsigned char, int, const void*);
static void VertexAttribPointer(unsigned int index, int size, Enum type, unsigned char normalized,
                                int stride, const void* pointer)
{
  if (index < kAttributes) {
    gCount.attributes[index].client = gCount.arrayBuffer == 0;
    gCount.attributes[index].bytes = size * TypeBytes(type);
  }
  gVertexAttribPointer(index, size, type, normalized, stride, pointer);
}

static void (*gEnableArray)(unsigned int);
static void EnableArray(unsigned int index)
{
  if (index < kAttributes) gCount.attributes[index].enabled = 1;
  gEnableArray(index);
}

static void (*gDisableArray)(unsigned int);
static void DisableArray(unsigned int index)
{
  if (index < kAttributes) gCount.attributes[index].enabled = 0;
  gDisableArray(index);
}

/* The wrapper of a counted entry point, keeping the real one in *real. */
static Function Wrap(const char* name, Function real)
{
  static const struct {
    const char* name;
    void** real;
    Function wrapper;
  } kWrapped[] = {
      {"glBindBuffer", (void**)&gBindBuffer, (Function)BindBuffer},
      {"glBufferData", (void**)&gBufferData, (Function)BufferData},
      {"glBufferSubData", (void**)&gBufferSubData, (Function)BufferSubData},
      {"glVertexAttribPointer", (void**)&gVertexAttribPointer, (Function)VertexAttribPointer},
      {"glEnableVertexAttribArray", (void**)&gEnableArray, (Function)EnableArray},
      {"glDisableVertexAttribArray", (void**)&gDisableArray, (Function)DisableArray},
  };
  if (!real) return real;
  for (size_t i = 0; i < sizeof(kWrapped) / sizeof(kWrapped[0]); ++i)
    if (strcmp(name, kWrapped[i].name) == 0) {
      *kWrapped[i].real = (void*)real;
      return kWrapped[i].wrapper;
    }
  return real;
}

__attribute__((visibility("default"))) Function glXGetProcAddressARB(const unsigned char* name)
{
  static Function (*real)(const unsigned char*);
  if (!real) real = Next("glXGetProcAddressARB");
  return Wrap((const char*)name, real(name));
}

__attribute__((visibility("default"))) Function glXGetProcAddress(const unsigned char* name)
{
  static Function (*real)(const unsigned char*);
  if (!real) real = Next("glXGetProcAddress");
  return Wrap((const char*)name, real(name));
}

__attribute__((destructor)) static void Report(void)
{
  if (!gCount.frames) return;
  double frames = (double)gCount.frames;
  printf("BENCH gl draws %.1f vertices %.0f indices %.0f bytes %.0f (per frame, %lu frames)\n",
         gCount.draws / frames, gCount.vertices / frames, gCount.indices / frames,
         gCount.bytes / frames, gCount.frames);
}
