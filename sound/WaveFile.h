#pragma once
// Reading a WAV sound's bytes (a RIFF form "WAVE") from the document. The bytes are
// untrusted: every chunk is checked against the bytes present.

#include <windows.h>
#include <mmreg.h>

#include <cstddef>
#include <vector>

struct WaveData {
  // The "fmt " chunk as a complete WAVEFORMATEX: a 16-byte PCM chunk gets cbSize 0, a
  // longer one keeps the extra bytes its cbSize counts (as many as the chunk holds).
  std::vector<unsigned char> formatBytes;
  // The "data" chunk's bytes, inside the parsed block (clamped to the bytes present).
  const unsigned char* samples = nullptr;
  DWORD sampleBytes = 0;

  const WAVEFORMATEX& Format() const { return *reinterpret_cast<const WAVEFORMATEX*>(formatBytes.data()); }
};

// Finds the RIFF "WAVE" form, its "fmt " and "data" chunks. False when a piece is missing
// or the format cannot describe audio (no channels, no block size or no byte rate).
bool ParseWave(const void* bytes, size_t size, WaveData& wave);

// Hundredths of a second that the bytes last: floor(bytes * 100 / byte rate + 0.5), in
// 64-bit arithmetic (long sounds must not wrap), at most 0xFFFFFFFF; 0 without a rate.
unsigned WaveDurationHundredths(unsigned long long bytes, unsigned long bytesPerSecond);
