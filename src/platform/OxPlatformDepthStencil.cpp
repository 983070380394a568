// The depth and stencil choice for windows and contexts yet to be created,
// the same for every backend: each reads it when it makes a window's pixel
// format or GL attributes.
#include "platform/OxPlatformGL.h"

namespace {
bool gDepthStencilWanted = true;
}  // namespace

void OxPlatformSetDepthStencil(bool wanted) { gDepthStencilWanted = wanted; }
bool OxPlatformWantsDepthStencil() { return gDepthStencilWanted; }
