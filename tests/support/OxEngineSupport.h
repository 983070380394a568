// Helpers for tests that drive the engine's frame loop: one whole frame, and
// a game window procedure that records every message it is sent.
#pragma once
#include <functional>
#include <vector>

#include "Oxlen.h"

namespace oxtest {

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// OxSysFrameStart then OxSysFrameEnd.
void RunFrame();
// A game window procedure: records the message, then DefWindowProcA.
LRESULT CALLBACK RecordingWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Everything RecordingWindowProcedure was sent, oldest first.
std::vector<RecordedMessage>& RecordedMessages();
// How many recorded messages have this type.
int CountMessages(UINT message);
// Pumps (OxSysUpdate) until a message of this type has been recorded more
// than `already` times; false after timeoutMs.
bool PumpUntilMessage(UINT message, int already, int timeoutMs = 3000);

}  // namespace oxtest
