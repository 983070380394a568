// What the backends that keep their own windows and queue share beyond
// OxPlatformWindowTable.h (SDL's, the null one): the key state that key and
// button messages change as they leave the queue, the character a key-down
// translates to, typed text noted, dispatching and the default window
// procedure.
#include "platform/OxPlatformWindowTable.h"
#include "text/OxUtf8.h"

namespace {

void SetKey(unsigned char state[256], unsigned char key, bool down)
{
  if (down) state[key] |= 0x80;
  else state[key] &= static_cast<unsigned char>(~0x80);
}

// The Latin-1 character of the first UTF-8 character of text, '?' beyond it.
unsigned int AnsiCharacter(const char* text)
{
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  if (bytes[0] < 0x80) return bytes[0];
  if ((bytes[0] & 0xE0) == 0xC0 && (bytes[1] & 0xC0) == 0x80) {
    unsigned int code = ((bytes[0] & 0x1Fu) << 6) | (bytes[1] & 0x3Fu);
    return code < 256 ? code : '?';
  }
  return '?';
}

}  // namespace

unsigned char OxPlatformGenericKey(unsigned char sideKey)
{
  switch (sideKey) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return sideKey;
  }
}

void OxPlatformApplyKeyMessage(const OxPlatformMessage& message, unsigned char state[256])
{
  bool down;
  switch (message.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
      down = true;
      break;
    case WM_KEYUP: case WM_SYSKEYUP: case WM_LBUTTONUP: case WM_RBUTTONUP:
    case WM_MBUTTONUP: case WM_XBUTTONUP:
      down = false;
      break;
    default:
      return;
  }
  unsigned char side = message.sideKey;
  SetKey(state, side, down);
  unsigned char generic = OxPlatformGenericKey(side);
  if (down) {
    OxPlatformNoteKeyDown(side);
    OxPlatformNoteKeyDown(generic);
  }
  if (generic == side) return;
  unsigned char left = 0, right = 0;
  if (generic == VK_SHIFT) { left = VK_LSHIFT; right = VK_RSHIFT; }
  if (generic == VK_CONTROL) { left = VK_LCONTROL; right = VK_RCONTROL; }
  if (generic == VK_MENU) { left = VK_LMENU; right = VK_RMENU; }
  SetKey(state, generic, (state[left] & 0x80) || (state[right] & 0x80));
}

unsigned int OxPlatformCharacterOfKey(const OxPlatformMessage& message,
                                      const unsigned char state[256])
{
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return 0;
  if (message.text[0]) return AnsiCharacter(message.text);
  bool system = message.message == WM_SYSKEYDOWN;
  unsigned char key = static_cast<unsigned char>(message.wParam);
  bool control = (state[VK_CONTROL] & 0x80) != 0;
  if (key == VK_RETURN || key == VK_BACK || key == VK_TAB || key == VK_ESCAPE) return key;
  if (control && key >= 'A' && key <= 'Z') return key - 'A' + 1;
  if (system && key >= 'A' && key <= 'Z') return (state[VK_SHIFT] & 0x80) ? key : key - 'A' + 'a';
  if (system && key >= '0' && key <= '9') return key;
  return 0;
}

void OxPlatformNoteTypedText(const char* utf8)
{
  const unsigned char* at = reinterpret_cast<const unsigned char*>(utf8);
  unsigned int code;
  while (*at && OxUtf8Decode(&at, &code)) OxPlatformNoteTyped(code);
}

OxPlatformMessage OxPlatformMakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  OxPlatformMessage result;
  memset(&result, 0, sizeof(result));
  result.window = window;
  result.message = message;
  result.wParam = wParam;
  result.lParam = lParam;
  return result;
}

LRESULT OxPlatformDispatchMessage(const OxPlatformMessage* message)
{
  return OxPlatformSendMessage(message->window, message->message, message->wParam,
                               message->lParam);
}

LRESULT OxPlatformDefaultWindowProcedure(HWND window, UINT message, WPARAM, LPARAM)
{
  switch (message) {
    case WM_CLOSE:
      OxPlatformDestroyWindow(window);
      break;
    case WM_PAINT:
      OxPlatformBeginPaint(window);
      OxPlatformEndPaint(window);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CALLBACK DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return OxPlatformDefaultWindowProcedure(window, message, wParam, lParam);
}
