/* Oxlen Engine audio: sounds, music streams and channel groups. Every
   function belongs to the game's thread. */
#ifndef OX_AUDIO_H
#define OX_AUDIO_H

#include "OxExport.h"

OX_EXTERN_C_BEGIN
OX_API int OxAudioInit(void);
OX_API void OxAudioUpdate(void);
OX_API void OxAudioExit(void);
OX_EXTERN_C_END

#endif
