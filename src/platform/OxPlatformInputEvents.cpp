// Input events gathered between two snapshots, the same for every backend:
// each backend notes the key-downs, wheel turns and typed characters of the
// messages it takes, and the input family takes them once a frame.
#include <limits.h>
#include <string.h>

#include "platform/OxPlatformWindow.h"

namespace {

struct InputEventsState {
  OxPlatformInputEvents gathered = {};
  // The wheel is summed wider, then held within an int when handed over.
  long long wheelY = 0, wheelX = 0;
};

InputEventsState gInputEvents;

int ClampedToInt(long long value)
{
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace

void OxPlatformNoteKeyDown(unsigned char key)
{
  gInputEvents.gathered.pressed[key >> 3] |= static_cast<unsigned char>(1 << (key & 7));
}

void OxPlatformNoteWheel(int deltaY, int deltaX)
{
  // Kept within a bound far beyond any frame's turns, so the sum cannot wrap.
  const long long bound = 1LL << 40;
  if (gInputEvents.wheelY > -bound && gInputEvents.wheelY < bound) gInputEvents.wheelY += deltaY;
  if (gInputEvents.wheelX > -bound && gInputEvents.wheelX < bound) gInputEvents.wheelX += deltaX;
}

void OxPlatformNoteTyped(unsigned int codePoint)
{
  OxPlatformInputEvents& gathered = gInputEvents.gathered;
  if (gathered.typedCount < kOxPlatformTypedMax) gathered.typed[gathered.typedCount++] = codePoint;
}

void OxPlatformTakeInputEvents(OxPlatformInputEvents* events)
{
  *events = gInputEvents.gathered;
  events->wheelY = ClampedToInt(gInputEvents.wheelY);
  events->wheelX = ClampedToInt(gInputEvents.wheelX);
  gInputEvents = InputEventsState();
}
