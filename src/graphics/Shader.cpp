// The Shader class: builds the three built-in programs from their sources
// (graphics/OxShaderSources.cpp), switches between them, and caches per
// program the uniform and attribute locations and the uniform values last
// sent. Leans on the OpenGL API and on the graphics module's fatal reports.
#include "graphics/Shader.h"

#include <string.h>

#include "graphics/OxGraphicsInternal.h"
#include "graphics/OxShaderSources.h"

namespace {

const char* const kUniformNames[kUniformCount] = {
    "uPMatrix",      "uVMatrix",      "uWorldMatrix",   "uBlendColor",    "uTransparencyValue",
    "uMultiplyColor", "uAddColor",    "uTexture",       "uTextureOffset", "uFontColor"};

const char* const kAttributeNames[kAttributeCount] = {
    "aPosition", "aColor", "aTextureCoordinate", "aCoords"};

// Numbers every change of any program's projection or view, never reset, so
// that a number names one camera for the life of the process.
unsigned int gCameraChanges = 0;

}  // namespace

const char* const kVertexShaderSources[kShaderSlotCount] = {
    "", kColorVertexSource, kTextureVertexSource, kFontVertexSource};
const char* const kFragmentShaderSources[kShaderSlotCount] = {
    "", kColorFragmentSource, kTextureFragmentSource, kFontFragmentSource};

// ---- Shader ------------------------------------------------------------------

Shader::Shader() : mPrograms{0, 0, 0, 0}, mCurrentSlot(0), mProgramInUse(0), mDeferred(false)
{
  ResetCaches();
}

Shader::~Shader() {}

void Shader::ResetCaches()
{
  for (ProgramCache& cache : mCaches) {
    for (GLint& location : cache.uniformLocations) location = kLocationUnknown;
    for (GLint& location : cache.attributeLocations) location = kLocationUnknown;
    for (unsigned int& size : cache.valueSizes) size = 0;
    for (bool& unsent : cache.valueUnsent) unsent = false;
    // A freshly linked program holds zeros.
    memset(cache.values, 0, sizeof(cache.values));
    cache.cameraGeneration = ++gCameraChanges;
  }
}

void Shader::BuildPrograms()
{
  // Locations may differ from those of any earlier build.
  ResetCaches();
  for (int slot = 1; slot <= 3; ++slot) {
    mPrograms[slot] = glCreateProgram();
    AddShaderFromString(slot, kVertexShaderSources[slot], GL_VERTEX_SHADER);
    AddShaderFromString(slot, kFragmentShaderSources[slot], GL_FRAGMENT_SHADER);
    // The linker chooses the attribute locations; drawing asks for them.
    glLinkProgram(mPrograms[slot]);
  }
}

void Shader::AddShaderFromString(int slot, const char* source, GLenum type)
{
  GLuint shader = glCreateShader(type);
  const char* parts[2] = {kOxPlatformShaderPreamble, source};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  // A shader that could not be created leaves the status at 0 and halts too.
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status == GL_TRUE)
    glAttachShader(mPrograms[slot], shader);
  else
    HALT("Shader::AddShaderFromString", "FAILED Shader compilation !");
}

bool Shader::Use(unsigned int slot)
{
  if (slot == mCurrentSlot) return false;
  if (slot == kShaderSlotNone) {
    Unuse();
    return false;
  }
  if (slot >= kShaderSlotCount) return false;
  mCurrentSlot = slot;
  if (!mDeferred) {
    glUseProgram(mPrograms[slot]);
    mProgramInUse = slot;
  }
  return true;
}

void Shader::Unuse()
{
  mCurrentSlot = kShaderSlotNone;
  if (mDeferred) return;
  glUseProgram(0);
  mProgramInUse = kShaderSlotNone;
}

void Shader::SetDeferred(bool deferred)
{
  if (mDeferred == deferred) return;
  mDeferred = deferred;
  if (!deferred) Sync();
}

void Shader::PutInUse(unsigned int slot)
{
  if (mProgramInUse == slot) return;
  glUseProgram(mPrograms[slot]);
  mProgramInUse = slot;
}

void Shader::SendUnsent(unsigned int slot)
{
  ProgramCache& cache = mCaches[slot];
  for (unsigned int u = 0; u < kUniformCount; ++u) {
    if (!cache.valueUnsent[u]) continue;
    cache.valueUnsent[u] = false;
    OxShaderUniform uniform = static_cast<OxShaderUniform>(u);
    GLint location = LocationIn(slot, uniform);
    const float* value = cache.values[u];
    switch (uniform) {
      case kUniformPMatrix:
      case kUniformVMatrix:
      case kUniformWorldMatrix:
        glUniformMatrix4fv(location, 1, GL_FALSE, value);
        break;
      case kUniformTransparencyValue:
        glUniform1f(location, value[0]);
        break;
      case kUniformTexture: {
        int unit;
        memcpy(&unit, value, sizeof(unit));
        glUniform1i(location, unit);
        break;
      }
      case kUniformTextureOffset:
        glUniform2f(location, value[0], value[1]);
        break;
      default:
        glUniform4f(location, value[0], value[1], value[2], value[3]);
        break;
    }
  }
}

void Shader::Sync()
{
  for (unsigned int slot = 1; slot < kShaderSlotCount; ++slot) {
    bool unsent = false;
    for (bool value : mCaches[slot].valueUnsent) unsent = unsent || value;
    if (!unsent) continue;
    PutInUse(slot);
    SendUnsent(slot);
  }
  PutInUse(mCurrentSlot);
}

GLint Shader::GetUniformLocation(const char* name) const
{
  if (mCurrentSlot == kShaderSlotNone) return -1;
  return glGetUniformLocation(mPrograms[mCurrentSlot], name);
}

GLint Shader::GetAttribLocation(const char* name) const
{
  if (mCurrentSlot == kShaderSlotNone) return -1;
  return glGetAttribLocation(mPrograms[mCurrentSlot], name);
}

// The programs never relink, so each location is asked for once per program.
GLint Shader::GetUniformLocation(OxShaderUniform uniform)
{
  if (mCurrentSlot == kShaderSlotNone) return -1;
  return LocationIn(mCurrentSlot, uniform);
}

GLint Shader::AskLocation(unsigned int slot, OxShaderUniform uniform)
{
  GLint& location = mCaches[slot].uniformLocations[uniform];
  location = glGetUniformLocation(mPrograms[slot], kUniformNames[uniform]);
  return location;
}

GLint Shader::GetAttribLocation(OxShaderAttribute attribute)
{
  if (mCurrentSlot == kShaderSlotNone) return -1;
  GLint& location = mCaches[mCurrentSlot].attributeLocations[attribute];
  if (location == kLocationUnknown)
    location = glGetAttribLocation(mPrograms[mCurrentSlot], kAttributeNames[attribute]);
  return location;
}

void Shader::Destroy()
{
  for (unsigned int slot = 0; slot < kShaderSlotCount; ++slot) {
    GLuint program = mPrograms[slot];
    if (program == 0) continue;
    GLuint shaders[4] = {0, 0, 0, 0};
    GLsizei count = 0;
    glGetAttachedShaders(program, 4, &count, shaders);
    for (GLsizei i = 0; i < count && i < 4; ++i) glDeleteShader(shaders[i]);
    glDeleteProgram(program);
    CHECK_GL_ERROR("Shader::Destroy");
  }
  // The names stay in their slots; nothing about them is known any more.
  mCurrentSlot = kShaderSlotNone;
  mProgramInUse = kProgramUnknown;
  ResetCaches();
}

// ---- Cached uniform setters ----------------------------------------------------

// The size is a constant of each setter, so that the comparison and the
// copy of the value are written inline rather than called.
template <unsigned int kSize>
bool Shader::PrepareUpload(OxShaderUniform uniform, const float* value, GLint* location)
{
  if (mCurrentSlot == kShaderSlotNone) return false;
  *location = LocationIn(mCurrentSlot, uniform);
  // Setting a uniform at location -1 changes nothing, so nothing is sent.
  if (*location == -1) return false;
  ProgramCache& cache = mCaches[mCurrentSlot];
  float* held = cache.values[uniform];
  // Compared bit for bit: a NaN that is sent again is still the same value.
  if (cache.valueSizes[uniform] == kSize && memcmp(held, value, kSize * sizeof(float)) == 0)
    return false;
  memcpy(held, value, kSize * sizeof(float));
  cache.valueSizes[uniform] = kSize;
  if (uniform == kUniformPMatrix || uniform == kUniformVMatrix)
    cache.cameraGeneration = ++gCameraChanges;
  if (mDeferred) {
    cache.valueUnsent[uniform] = true;
    return false;
  }
  return true;
}

void Shader::SetUniform1f(OxShaderUniform uniform, float x)
{
  GLint location;
  if (PrepareUpload<1>(uniform, &x, &location)) glUniform1f(location, x);
}

void Shader::SetUniform1i(OxShaderUniform uniform, int x)
{
  float bits;
  static_assert(sizeof(bits) == sizeof(x), "an int is kept in a float's storage");
  memcpy(&bits, &x, sizeof(bits));
  GLint location;
  if (PrepareUpload<1>(uniform, &bits, &location)) glUniform1i(location, x);
}

void Shader::SetUniform2f(OxShaderUniform uniform, float x, float y)
{
  const float value[2] = {x, y};
  GLint location;
  if (PrepareUpload<2>(uniform, value, &location)) glUniform2f(location, x, y);
}

void Shader::SetUniform4f(OxShaderUniform uniform, float x, float y, float z, float w)
{
  const float value[4] = {x, y, z, w};
  GLint location;
  if (PrepareUpload<4>(uniform, value, &location)) glUniform4f(location, x, y, z, w);
}

void Shader::SetUniformMatrix4(OxShaderUniform uniform, const float* columns)
{
  GLint location;
  if (PrepareUpload<16>(uniform, columns, &location))
    glUniformMatrix4fv(location, 1, GL_FALSE, columns);
}
