/* Oxlen Engine audio: sounds, music streams and channel groups. Every
   function belongs to the game's thread. A sound, once started, is controlled
   only through its group; playing channels are never exposed. */
#ifndef OX_AUDIO_H
#define OX_AUDIO_H

#include "OxExport.h"

/* A loaded sound or music stream: the mixer's sound handle, null when the
   load failed. 8 bytes, passed and returned by value. Copies share the
   sound: after OxAudioUnloadAudio through one copy, the others hold a
   released handle (which the mixer then rejects harmlessly). */
typedef struct OxAudio {
  void* sound;
} OxAudio;

/* A channel group: the mixer's group handle, null when creation failed.
   8 bytes, passed and returned by value; copies share the group. */
typedef struct OxAudioGroup {
  void* group;
} OxAudioGroup;

OX_EXTERN_C_BEGIN

/* Creates and starts the mixer (at most 64 channels playing at once). Where
   no audio device opens, the mixer runs on a silent clock (and tries the
   device again every second) and this still succeeds. Result: 1 on success, 0 when the mixer cannot be created or
   started (OxSysInit then prints "Audio module failed to initialize").
   Called by OxSysInit; a second call while the mixer runs keeps it and
   returns 1. */
OX_API int OxAudioInit(void);
/* Drives the mixer once (wakes the thread that decodes music ahead). A lost
   audio device is not an error: the mixer carries on silently and opens the
   default device again once there is one. On a mixer error releases the
   mixer, and audio stays off for the rest of the run: every later call meets
   no mixer and does nothing. Called by OxSysFrameStart. */
OX_API void OxAudioUpdate(void);
/* Releases the mixer if there is one; a second call does nothing. Sounds and
   groups the game did not unload are released with it; their records must
   not be used afterwards (doing so is harmless). Called by OxSysExit. */
OX_API void OxAudioExit(void);

/* 1 if the record's handle is not null, else 0. Nothing else is tested: a
   released handle still answers 1. */
OX_API int OxAudioIsValidAudio(OxAudio sound);
/* 1 if the record's handle is not null, else 0. Nothing else is tested. */
OX_API int OxAudioIsValidGroup(OxAudioGroup group);

/* A new, unnamed channel group. Result: the group, or a null record when
   there is no mixer or creation fails. No message. */
OX_API OxAudioGroup OxAudioCreateGroup(void);
/* Opens the file at path (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3, ...) and
   decodes it whole into memory. Result: the sound, or a null record when the
   file is missing, empty, damaged or not a sound file, for a null path, or
   when there is no mixer. No message; OxSysGetLastError names the file and
   the reason (a line in the diagnostic mode, OxSystem.h). */
OX_API OxAudio OxAudioLoadSound(const char* path);
/* Opens the file at path as a music stream, decoded progressively while it
   plays, never loaded whole. A stream plays on one channel at a time:
   playing it again restarts it. Result and failure as OxAudioLoadSound. */
OX_API OxAudio OxAudioLoadMusic(const char* path);

/* Starts one playing instance of sound in group with volume (linear gain),
   pitch (playback-rate factor: 1 normal, 2 an octave up, 0 or less holds it
   still) and loops (0 plays once, N > 0 plays N + 1 times, -1 or any other
   negative count forever). The channel starts paused and sounds only once
   its settings are in place; it starts on its first sample at full level.
   Music decodes only its first few thousand frames here; the mixer's thread
   decodes the rest. Does nothing when sound or
   group is null, or the mixer rejects the play (unknown handle, no mixer).
   With all 64 channels busy, the channel that started first is taken over.
   Values are handed on unchanged and not range-checked. */
OX_API void OxAudioPlay(OxAudio sound, OxAudioGroup group, float volume, float pitch, int loops);

/* The group calls below take effect within the next 5.3 ms mixing buffer
   and glide over 5 ms (pause, resume, stop, volume, pitch), so no change
   clicks; a stopped sound is silent once its fade-out has ended. */

/* If group is not null: unpauses it. */
OX_API void OxAudioResumeGroup(OxAudioGroup group);
/* If group is not null: pauses it; its channels fall silent and keep their
   positions until it resumes. */
OX_API void OxAudioPauseGroup(OxAudioGroup group);
/* If group is not null: ends every channel playing in it. */
OX_API void OxAudioStopGroup(OxAudioGroup group);
/* If group is not null: sets its volume, which multiplies into every
   channel's own volume. */
OX_API void OxAudioSetGroupVolume(OxAudioGroup group, float volume);
/* If group is not null: sets its pitch, which multiplies into every
   channel's own pitch. */
OX_API void OxAudioSetGroupPitch(OxAudioGroup group, float pitch);

/* Releases the sound and ends the channels that play it. A null, released or
   unknown record is handed to the mixer too, which rejects it harmlessly. */
OX_API void OxAudioUnloadAudio(OxAudio sound);
/* Releases the group; its playing channels move on to the mixer's master
   group. A null, released or unknown record is rejected harmlessly. */
OX_API void OxAudioUnloadAudioGroup(OxAudioGroup group);

OX_EXTERN_C_END

#endif
