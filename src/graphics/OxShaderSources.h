// The sources of the engine's OpenGL programs (src/graphics/OxShaderSources.cpp):
// the faithful path's three, one per render mode (graphics/Shader.cpp builds
// them), and the batched path's one pair, compiled once per set of defines
// (graphics/OxBatch.cpp).
#pragma once

extern const char kColorVertexSource[];
extern const char kColorFragmentSource[];
extern const char kTextureVertexSource[];
extern const char kTextureFragmentSource[];
extern const char kFontVertexSource[];
extern const char kFontFragmentSource[];

// The batched programs: KIND_FONT, KIND_TEXTURE, WORLD_3D and HAS_BLEND,
// HAS_MULTIPLY, HAS_ADD, HAS_TRANSPARENCY pick what each variant computes.
extern const char kBatchVertexSource[];
extern const char kBatchFragmentSource[];
