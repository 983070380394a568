// Diagnostics: the last-error text, the diagnostic mode and its per-message
// rate limit. Leans on the platform clock; prints with printf only.
#include "diagnostics/OxDiagnostics.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "OxSystem.h"
#include "platform/OxPlatformClock.h"

bool gOxDiagnosticsOn = false;

namespace {

// ---- Module state ----------------------------------------------------------

// Longest last error or diagnostic kept, in bytes with its zero; longer
// texts are cut.
constexpr size_t kTextBytes = 512;
// Messages whose last printing is remembered; once full, the one printed
// longest ago makes room.
constexpr int kRememberedMessages = 64;

struct Printed {
  uint64_t hash;  // 0: empty slot
  int64_t tick;   // the clock when it was printed
};

struct DiagnosticsState {
  char lastError[kTextBytes] = "";
  OxDiagStage stage = OxDiagStage::NotStarted;
  Printed printed[kRememberedMessages] = {};
} gDiag;

// ---- Helpers ---------------------------------------------------------------

uint64_t HashOf(const char* text)
{
  uint64_t hash = 14695981039346656037ull;
  for (; *text; ++text) hash = (hash ^ static_cast<unsigned char>(*text)) * 1099511628211ull;
  return hash ? hash : 1;
}

// Whether the message may print now: not printed within the last second.
// Records the printing when it may.
bool MayPrint(const char* text)
{
  uint64_t hash = HashOf(text);
  int64_t now = OxPlatformQueryCounter();
  int64_t second = OxPlatformQueryFrequency();
  Printed* oldest = &gDiag.printed[0];
  for (Printed& slot : gDiag.printed) {
    if (slot.hash == hash) {
      if (now - slot.tick < second) return false;
      slot.tick = now;
      return true;
    }
    if (slot.hash == 0 || (oldest->hash != 0 && slot.tick < oldest->tick)) oldest = &slot;
  }
  oldest->hash = hash;
  oldest->tick = now;
  return true;
}

void PrintDiagnostic(const char* text)
{
  if (!gOxDiagnosticsOn || !MayPrint(text)) return;
  printf("Diagnostics: %s\n", text);
  fflush(stdout);
}

void KeepLastError(const char* text)
{
  snprintf(gDiag.lastError, sizeof(gDiag.lastError), "%s", text);
  size_t length = strlen(gDiag.lastError);
  if (length > 0 && gDiag.lastError[length - 1] == '\n') gDiag.lastError[length - 1] = '\0';
}

}  // namespace

// ---- Internal functions ----------------------------------------------------

void OxDiagSetStage(OxDiagStage stage) { gDiag.stage = stage; }

void OxDiagReadEnvironment()
{
  const char* value = getenv("OX_DIAGNOSTICS");
  if (value && strcmp(value, "1") == 0) gOxDiagnosticsOn = true;
}

void OxDiagPrintFailure(const char* format, ...)
{
  char text[kTextBytes];
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  vprintf(format, arguments);
  vsnprintf(text, sizeof(text), format, copy);
  va_end(copy);
  va_end(arguments);
  KeepLastError(text);
}

void OxDiagSilentFailure(const char* format, ...)
{
  char text[kTextBytes];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  KeepLastError(text);
  PrintDiagnostic(text);
}

void OxDiagTrap(const char* format, ...)
{
  if (!gOxDiagnosticsOn) return;
  char text[kTextBytes];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  PrintDiagnostic(text);
}

void OxDiagNotRunning(const char* function, bool returnsFailure)
{
  static const char* const kWhen[] = {"before OxSysInit", "while its module is stopped",
                                      "after OxSysInit failed", "after OxSysExit"};
  const char* when = kWhen[static_cast<int>(gDiag.stage)];
  if (returnsFailure)
    OxDiagSilentFailure("%s called %s", function, when);
  else
    OxDiagTrap("%s called %s", function, when);
}

// ---- Public functions ------------------------------------------------------

const char* OxSysGetLastError(void) { return gDiag.lastError; }

void OxSysClearLastError(void) { gDiag.lastError[0] = '\0'; }

int OxSysSetDiagnostics(int on)
{
  int previous = gOxDiagnosticsOn ? 1 : 0;
  gOxDiagnosticsOn = on != 0;
  return previous;
}
