#include "sound/SoundDevice.h"

#include <dsound.h>

#include <cstring>

namespace {

// I is IDirectSoundBuffer (the primary buffer) or IDirectSoundBuffer8 (secondary ones),
// which the headers declare apart although the second extends the first.
template <class I>
class DirectSoundBuffer final : public SoundBuffer {
public:
  explicit DirectSoundBuffer(I* buffer) : m_Buffer(buffer) {}
  ~DirectSoundBuffer() override {
    if (m_Buffer) m_Buffer->Release();
  }
  DirectSoundBuffer(const DirectSoundBuffer&) = delete;
  DirectSoundBuffer& operator=(const DirectSoundBuffer&) = delete;

  bool GetStatus(DWORD* status) override { return SUCCEEDED(m_Buffer->GetStatus(status)); }
  bool SetCurrentPosition(DWORD position) override {
    return SUCCEEDED(m_Buffer->SetCurrentPosition(position));
  }
  bool Play(DWORD flags) override { return SUCCEEDED(m_Buffer->Play(0, 0, flags)); }
  bool Stop() override { return SUCCEEDED(m_Buffer->Stop()); }
  bool SetVolume(LONG volume) override { return SUCCEEDED(m_Buffer->SetVolume(volume)); }
  bool SetPan(LONG pan) override { return SUCCEEDED(m_Buffer->SetPan(pan)); }

private:
  I* m_Buffer;
};

class DirectSoundDevice final : public SoundDevice {
public:
  explicit DirectSoundDevice(IDirectSound8* device) : m_Device(device) {}
  ~DirectSoundDevice() override { m_Device->Release(); }
  DirectSoundDevice(const DirectSoundDevice&) = delete;
  DirectSoundDevice& operator=(const DirectSoundDevice&) = delete;

  std::unique_ptr<SoundBuffer> CreatePrimaryBuffer(DWORD flags) override {
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags | DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(m_Device->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer) return nullptr;
    return std::make_unique<DirectSoundBuffer<IDirectSoundBuffer>>(buffer);
  }

  std::shared_ptr<SoundBuffer> CreateBuffer(DWORD flags, const WAVEFORMATEX& format, const void* pcm,
                                            DWORD size) override {
    if (!pcm || size == 0) return nullptr;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags;
    desc.dwBufferBytes = size;
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(&format);
    IDirectSoundBuffer* created = nullptr;
    if (FAILED(m_Device->CreateSoundBuffer(&desc, &created, nullptr)) || !created) return nullptr;
    IDirectSoundBuffer8* buffer8 = nullptr;
    HRESULT hr = created->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&buffer8));
    created->Release();
    if (FAILED(hr) || !buffer8) return nullptr;
    // The wrapper owns the buffer from here on, so every early return releases it.
    auto wrapper = std::make_shared<DirectSoundBuffer<IDirectSoundBuffer8>>(buffer8);
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED(buffer8->Lock(0, 0, &part1, &bytes1, &part2, &bytes2, DSBLOCK_ENTIREBUFFER))) return nullptr;
    // Locking the entire buffer gives one part of exactly its size; copy no more than
    // either side holds all the same.
    std::memcpy(part1, pcm, bytes1 < size ? bytes1 : size);
    if (FAILED(buffer8->Unlock(part1, bytes1, part2, bytes2))) return nullptr;
    return wrapper;
  }

private:
  IDirectSound8* m_Device;
};

}  // namespace

std::unique_ptr<SoundDevice> CreateDirectSoundDevice(HWND window) {
  IDirectSound8* device = nullptr;
  if (FAILED(DirectSoundCreate8(nullptr, &device, nullptr)) || !device) return nullptr;
  auto wrapper = std::make_unique<DirectSoundDevice>(device);
  // A failed cooperative level leaves the device usable for the normal level's purposes;
  // DirectSound then refuses the buffers, which leaves the sounds silent.
  device->SetCooperativeLevel(window ? window : GetDesktopWindow(), DSSCL_NORMAL);
  return wrapper;
}
