// The built-in shader programs: the colour, texture and font programs in
// numbered slots, which slot is in use, and per-program caches of uniform and
// attribute locations and of each program's uniform values. In deferred mode
// (the batched draw path) switching programs and setting uniforms only
// records what the programs should hold; Sync sends it. Leans on OpenGL.
#pragma once

#include "platform/OxPlatformGLApi.h"

// Program slots; slots 1 and 2 coincide with the render modes.
enum OxShaderSlot : unsigned int {
  kShaderSlotNone = 0,
  kShaderSlotColor = 1,
  kShaderSlotTexture = 2,
  kShaderSlotFont = 3,
  kShaderSlotCount = 4
};

// Every uniform a built-in program declares, for the cached setters.
enum OxShaderUniform : unsigned int {
  kUniformPMatrix,            // "uPMatrix", mat4
  kUniformVMatrix,            // "uVMatrix", mat4
  kUniformWorldMatrix,        // "uWorldMatrix", mat4
  kUniformBlendColor,         // "uBlendColor", vec4
  kUniformTransparencyValue,  // "uTransparencyValue", float
  kUniformMultiplyColor,      // "uMultiplyColor", vec4
  kUniformAddColor,           // "uAddColor", vec4
  kUniformTexture,            // "uTexture", sampler2D (int)
  kUniformTextureOffset,      // "uTextureOffset", vec2
  kUniformFontColor,          // "uFontColor", vec4
  kUniformCount
};

// Every attribute a built-in program declares.
enum OxShaderAttribute : unsigned int {
  kAttributePosition,           // "aPosition"
  kAttributeColor,              // "aColor"
  kAttributeTextureCoordinate,  // "aTextureCoordinate"
  kAttributeCoords,             // "aCoords"
  kAttributeCount
};

// The embedded sources, indexed by slot; entry 0 is empty and never compiled.
extern const char* const kVertexShaderSources[kShaderSlotCount];
extern const char* const kFragmentShaderSources[kShaderSlotCount];

class Shader {
 public:
  Shader();
  // Does nothing: the programs are released only by Destroy.
  ~Shader();

  // Builds slots 1, 2 and 3 from the source tables; halts on a compile failure.
  void BuildPrograms();
  // Compiles one shader and attaches it to the slot's program, or halts with
  // "FAILED Shader compilation !".
  void AddShaderFromString(int slot, const char* source, GLenum type);
  // Makes the slot's program current. True only when the program in use
  // changed to a real program (the caller then uploads projection and view).
  // No OpenGL call when the slot is already current, nor in deferred mode.
  bool Use(unsigned int slot);
  // glUseProgram(0); no slot current. In deferred mode only recorded.
  void Unuse();
  unsigned int GetCurrentProgram() const { return mCurrentSlot; }
  // Locations in the program in use, -1 when none is in use. The named forms
  // ask OpenGL every time; the enumerated forms ask once per program.
  GLint GetUniformLocation(const char* name) const;
  GLint GetAttribLocation(const char* name) const;
  GLint GetUniformLocation(OxShaderUniform uniform);
  GLint GetAttribLocation(OxShaderAttribute attribute);
  // Deletes every program and its attached shaders; checks for errors after
  // each program. No slot is current afterwards.
  void Destroy();

  // Deferred mode: Use, Unuse and the uniform setters record only; OpenGL is
  // left to whoever draws (the batched path) until Sync. Leaving it sends
  // every unsent value and puts the current slot's program in use.
  void SetDeferred(bool deferred);
  bool IsDeferred() const { return mDeferred; }
  // Sends every program's unsent uniform values and makes the current slot's
  // program the one OpenGL uses (glUseProgram(0) for no slot).
  void Sync();
  // Someone else put a program in use: the next Sync or Use calls glUseProgram.
  void ForgetProgramInUse() { mProgramInUse = kProgramUnknown; }
  // The value a program holds for a uniform (what it was last set to, or the
  // zeros OpenGL gives a freshly linked program).
  const float* Value(unsigned int slot, OxShaderUniform uniform) const
  {
    return mCaches[slot].values[uniform];
  }
  // A number that changes whenever the slot's projection or view changes
  // (and is never the number of another camera), so that a caller can tell
  // cheaply whether they did.
  unsigned int CameraGeneration(unsigned int slot) const { return mCaches[slot].cameraGeneration; }

  // Uniform setters for the program in use. Every uniform write of the
  // library goes through them (never glUniform* directly), or the cached
  // values would no longer match the programs. With no program in use they make
  // no OpenGL call (a glUniform call without a program is an OpenGL error);
  // at location -1 they change nothing. A value equal to the one last sent to
  // that program is not sent again. Error checks are the caller's.
  void SetUniform1f(OxShaderUniform uniform, float x);
  void SetUniform1i(OxShaderUniform uniform, int x);
  void SetUniform2f(OxShaderUniform uniform, float x, float y);
  void SetUniform4f(OxShaderUniform uniform, float x, float y, float z, float w);
  // 16 floats in the order OpenGL reads them (column by column).
  void SetUniformMatrix4(OxShaderUniform uniform, const float* columns);

 private:
  // What one program's locations and uniform values are known to be.
  struct ProgramCache {
    GLint uniformLocations[kUniformCount];
    GLint attributeLocations[kAttributeCount];
    // Recorded in deferred mode and not yet sent to OpenGL.
    bool valueUnsent[kUniformCount];
    // How many floats of each value are known; 0 while it is unknown.
    unsigned int valueSizes[kUniformCount];
    float values[kUniformCount][16];
    unsigned int cameraGeneration;
  };
  // A location not yet asked of OpenGL.
  static const GLint kLocationUnknown = -2;
  // mProgramInUse when the program OpenGL uses is not one of the slots'.
  static const unsigned int kProgramUnknown = 0xFFFFFFFFu;

  // Forgets every cached location and value (programs built or deleted).
  void ResetCaches();
  // For the program in use: whether the value must be sent (a program is in
  // use, the uniform exists, and the value differs from the one last sent),
  // recording it as sent when it must; *location receives the location.
  template <unsigned int kSize>
  bool PrepareUpload(OxShaderUniform uniform, const float* value, GLint* location);
  // The uniform's location in the slot's program (asked once).
  GLint LocationIn(unsigned int slot, OxShaderUniform uniform)
  {
    GLint location = mCaches[slot].uniformLocations[uniform];
    return location != kLocationUnknown ? location : AskLocation(slot, uniform);
  }
  GLint AskLocation(unsigned int slot, OxShaderUniform uniform);
  // glUseProgram of the slot's program (0 for none) unless it is in use.
  void PutInUse(unsigned int slot);
  // Sends the slot's unsent values; its program must be in use.
  void SendUnsent(unsigned int slot);

  GLuint mPrograms[kShaderSlotCount];
  unsigned int mCurrentSlot;
  // The slot whose program OpenGL has in use (differs from mCurrentSlot only
  // in deferred mode), or kProgramUnknown.
  unsigned int mProgramInUse;
  bool mDeferred;
  ProgramCache mCaches[kShaderSlotCount];
};
