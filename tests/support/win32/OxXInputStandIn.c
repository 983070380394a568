/* A stand-in for xinput1_4.dll that the XInput pad test puts beside itself:
   four user slots whose state the test sets, read through XInputGetState and
   through ordinal 100 (the call that also reports the guide button), as the
   system's DLL reads real pads. */
#include <windows.h>
#include <xinput.h>

static XINPUT_STATE gStates[XUSER_MAX_COUNT];
static BOOL gConnected[XUSER_MAX_COUNT];

DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE* state)
{
  if (user >= XUSER_MAX_COUNT || !state) return ERROR_BAD_ARGUMENTS;
  if (!gConnected[user]) return ERROR_DEVICE_NOT_CONNECTED;
  *state = gStates[user];
  return ERROR_SUCCESS;
}

/* Plugs a pad into the user slot with this state, or unplugs it (null). */
void WINAPI OxStandInSetPad(DWORD user, const XINPUT_STATE* state)
{
  if (user >= XUSER_MAX_COUNT) return;
  gConnected[user] = state != NULL;
  if (state) {
    gStates[user] = *state;
    ++gStates[user].dwPacketNumber;
  }
}
