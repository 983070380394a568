// Audio module: placeholder lifecycle until the mixer lands.
#include "OxAudio.h"

int OxAudioInit(void) { return 1; }
void OxAudioUpdate(void) {}
void OxAudioExit(void) {}
