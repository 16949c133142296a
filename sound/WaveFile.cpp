#include "sound/WaveFile.h"

#include <cmath>
#include <cstring>

namespace {

DWORD ReadU32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (DWORD(p[3]) << 24); }

bool IsTag(const unsigned char* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

}  // namespace

bool ParseWave(const void* bytes, size_t size, WaveData& wave) {
  wave = WaveData();
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  if (!p || size < 12 || !IsTag(p, "RIFF") || !IsTag(p + 8, "WAVE")) return false;
  // The form's own size may claim more than is there; only the bytes present count.
  size_t end = 8 + static_cast<size_t>(ReadU32(p + 4));
  if (end > size || end < 12) end = size;

  const unsigned char* format = nullptr;
  DWORD formatSize = 0;
  size_t offset = 12;
  while (offset + 8 <= end) {
    const unsigned char* chunk = p + offset;
    size_t available = end - offset - 8;
    size_t chunkSize = ReadU32(chunk + 4);
    if (IsTag(chunk, "fmt ") && !format) {
      if (chunkSize > available) return false;
      format = chunk + 8;
      formatSize = static_cast<DWORD>(chunkSize);
    } else if (IsTag(chunk, "data") && !wave.samples) {
      // A data chunk cut short by the end of the bytes keeps what is there.
      wave.samples = chunk + 8;
      wave.sampleBytes = static_cast<DWORD>(chunkSize < available ? chunkSize : available);
    }
    if (chunkSize > available) break;
    offset += 8 + chunkSize + (chunkSize & 1);  // chunks are padded to even sizes
  }
  if (!format || !wave.samples) return false;
  if (formatSize < 16) return false;  // not even a PCM format

  // A WAVEFORMATEX from the chunk's real size: 16 bytes (plain PCM) have no cbSize; the
  // extra bytes a longer chunk announces are kept only as far as the chunk holds them.
  WORD extra = 0;
  if (formatSize >= sizeof(WAVEFORMATEX)) {
    WORD announced = static_cast<WORD>(format[16] | (format[17] << 8));
    DWORD held = formatSize - static_cast<DWORD>(sizeof(WAVEFORMATEX));
    extra = static_cast<WORD>(announced < held ? announced : held);
  }
  wave.formatBytes.assign(sizeof(WAVEFORMATEX) + extra, 0);
  std::memcpy(wave.formatBytes.data(), format, 16);
  if (extra) std::memcpy(wave.formatBytes.data() + sizeof(WAVEFORMATEX), format + sizeof(WAVEFORMATEX), extra);
  WAVEFORMATEX* fx = reinterpret_cast<WAVEFORMATEX*>(wave.formatBytes.data());
  fx->cbSize = extra;
  if (fx->nChannels == 0 || fx->nBlockAlign == 0 || fx->nAvgBytesPerSec == 0) return false;
  return true;
}

unsigned WaveDurationHundredths(unsigned long long bytes, unsigned long bytesPerSecond) {
  if (bytesPerSecond == 0) return 0;
  double hundredths = std::floor(static_cast<double>(bytes) * 100.0 / bytesPerSecond + 0.5);
  return hundredths >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<unsigned>(hundredths);
}
