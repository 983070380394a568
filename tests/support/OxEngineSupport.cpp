// Frame and message-recording helpers over the engine's exported API.
#include "OxEngineSupport.h"

#include "OxX11Support.h"

namespace oxtest {

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
