#pragma once
// The narrow face of DirectSound that the player uses: one device, its looping primary
// buffer (the master volume) and the secondary buffers of the WAV sounds. Tests put
// recording doubles behind it; the player uses the DirectSound implementation below.

#include <windows.h>
#include <mmreg.h>

#include <memory>

class SoundBuffer {
public:
  virtual ~SoundBuffer() = default;
  // Each returns false when DirectSound reports a failure.
  virtual bool GetStatus(DWORD* status) = 0;  // DSBSTATUS_ flags
  virtual bool SetCurrentPosition(DWORD position) = 0;
  virtual bool Play(DWORD flags) = 0;  // DSBPLAY_ flags
  virtual bool Stop() = 0;
  virtual bool SetVolume(LONG hundredthsOfDecibel) = 0;
  virtual bool SetPan(LONG pan) = 0;
};

class SoundDevice {
public:
  virtual ~SoundDevice() = default;
  // The primary buffer (DSBCAPS_PRIMARYBUFFER is added to flags); null on failure.
  virtual std::unique_ptr<SoundBuffer> CreatePrimaryBuffer(DWORD flags) = 0;
  // A secondary buffer of the format holding a copy of the PCM bytes; null on any
  // failure (creation, the IDirectSoundBuffer8 query, locking).
  virtual std::shared_ptr<SoundBuffer> CreateBuffer(DWORD flags, const WAVEFORMATEX& format,
                                                    const void* pcm, DWORD size) = 0;
};

// DirectSoundCreate8 on the default device with the normal cooperative level for the
// window; null when DirectSound cannot be had.
std::unique_ptr<SoundDevice> CreateDirectSoundDevice(HWND window);
