#include "sound/DirectSound.h"

#include "sound/Music.h"
#include "sound/SoundVolume.h"

#include <dsound.h>

DWORD g_SoundFocusFlags = 0;
SoundDevice* g_DirectSound = nullptr;
SoundBuffer* g_PrimaryBuffer = nullptr;

namespace {

// Set by StopPrimaryBuffer: the primary buffer goes back to no attenuation when it is
// released, after the scene's sounds and the music are gone.
bool g_RestorePrimaryVolume = false;

}  // namespace

// The globals own what they point at. They are plain pointers on purpose: the shell
// releases them from its own static destructor, whose order against a static object of
// this file would be unspecified.

bool InitDirectSoundWith(std::unique_ptr<SoundDevice> device) {
  if (g_DirectSound) return true;
  g_SoundFocusFlags = DSBCAPS_STICKYFOCUS;
  ReleaseDirectSound();
  if (!device) return false;
  g_DirectSound = device.release();
  g_PrimaryBuffer = g_DirectSound->CreatePrimaryBuffer(DSBCAPS_CTRLVOLUME | g_SoundFocusFlags).release();
  return g_PrimaryBuffer && g_PrimaryBuffer->Play(DSBPLAY_LOOPING);
}

bool InitDirectSound(HWND window) {
  if (g_DirectSound) return true;
  return InitDirectSoundWith(CreateDirectSoundDevice(window));
}

void ReleaseDirectSound() {
  if (g_PrimaryBuffer && g_RestorePrimaryVolume) g_PrimaryBuffer->SetVolume(0);
  g_RestorePrimaryVolume = false;
  delete g_PrimaryBuffer;
  g_PrimaryBuffer = nullptr;
  delete g_DirectSound;
  g_DirectSound = nullptr;
}

void SetMasterVolume(unsigned volume, bool mute) {
  if (g_PrimaryBuffer) g_PrimaryBuffer->SetVolume(MasterVolume(volume, mute));
}

void ApplySoundVolume(unsigned volume, bool mute) {
  SetMusicVolume(volume, mute);
  SetMasterVolume(volume, mute);
}

void StopPrimaryBuffer() {
  if (!g_PrimaryBuffer) return;
  // The music and the scene's sounds still play here (WM_DESTROY removes them next), and
  // the secondary buffers go on mixing past the primary buffer's Stop: taking the master
  // attenuation away now would let a muted or quiet player sound at full volume as it
  // closes. The volume goes back to 0 when the buffer is released.
  g_PrimaryBuffer->Stop();
  g_RestorePrimaryVolume = true;
}
