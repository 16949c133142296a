#pragma once
// The process-wide DirectSound device that the WAV sounds share, and its looping primary
// buffer, whose volume is the player's master volume and mute.
//
// The shell's calls, in order of a run:
//   start-up, before the Direct3D host:  InitDirectSound(window)
//   start-up and every settings change:  ApplySoundVolume(volume, mute)
//   WM_DESTROY:                          StopPrimaryBuffer()
//   exit, after the music graph:         ReleaseDirectSound()

#include "sound/SoundDevice.h"

#include <memory>

// Flags added to every buffer the player creates (DSBCAPS_STICKYFOCUS: keep playing
// while another program has the focus, as a wallpaper must).
extern DWORD g_SoundFocusFlags;
// Null until InitDirectSound succeeds, and whenever DirectSound is missing.
extern SoundDevice* g_DirectSound;
extern SoundBuffer* g_PrimaryBuffer;

// Creates DirectSound and starts the looping primary buffer. True when the buffer plays;
// a missing device leaves every sound silent. When a device exists already, true at once.
bool InitDirectSound(HWND window);
// The same with a device of the caller's (tests hand in recording doubles). Takes
// ownership; a null device leaves DirectSound missing.
bool InitDirectSoundWith(std::unique_ptr<SoundDevice> device);
// Releases the primary buffer, then the device. After StopPrimaryBuffer the primary buffer
// is first set back to no attenuation.
void ReleaseDirectSound();

// The primary buffer's volume: mute -10000, else volume*50 - 5000. Nothing without it.
void SetMasterVolume(unsigned volume, bool mute);
// The one way the shell sets the sound volume: the music graph's, then the master.
void ApplySoundVolume(unsigned volume, bool mute);
// On WM_DESTROY: the primary buffer stops; it goes back to no attenuation (volume 0) when
// ReleaseDirectSound lets it go, once nothing plays any more.
void StopPrimaryBuffer();
