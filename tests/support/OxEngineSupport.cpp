// Frame and message-recording helpers over the engine's exported API.
#include "OxEngineSupport.h"

#include "OxX11Support.h"

#include <chrono>
#include <thread>

namespace oxtest {

bool RepeatUntil(const std::function<void()>& step, const std::function<bool()>& done,
                 int timeoutMs)
{
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    step();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void RunFrame()
{
  OxSysFrameStart();
  OxSysFrameEnd();
}

std::vector<RecordedMessage>& RecordedMessages()
{
  static std::vector<RecordedMessage> messages;
  return messages;
}

LRESULT CALLBACK RecordingWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  RecordedMessages().push_back(RecordedMessage{message, wParam, lParam});
  // As the library's own procedure does, a lone Alt or F10 (WM_SYSCOMMAND
  // 0x0112 with SC_KEYMENU 0xF100 and no character) does not enter the system
  // menu's modal loop, which would hold the test's pump until another key.
  if (message == 0x0112 && (wParam & 0xFFF0) == 0xF100 && lParam == 0) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

int CountMessages(UINT message)
{
  int count = 0;
  for (const RecordedMessage& recorded : RecordedMessages())
    if (recorded.message == message) ++count;
  return count;
}

bool PumpUntilMessage(UINT message, int already, int timeoutMs)
{
  return RepeatUntil([] { OxSysUpdate(); }, [&] { return CountMessages(message) > already; },
                     timeoutMs);
}

}  // namespace oxtest
