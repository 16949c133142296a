#pragma once
// The mappings from the player's percentages to what DirectSound and DirectShow take
// (hundredths of a decibel). Settings and documents are untrusted, so every percentage is
// clamped to 0..100 first: the devices refuse anything outside their ranges.

// The primary buffer's volume: mute -10000 (silence), else v*50 - 5000 (0 at 100).
long MasterVolume(unsigned volume, bool mute);
// The music graph's volume: mute -10000, else trunc((v*100 - 10000) * 0.4f).
long MusicVolume(unsigned volume, bool mute);
// A WAV sound's buffer: volume v*50 - 5000, pan b*100 - 5000 (50 is the centre).
long WavVolume(unsigned volume);
long WavPan(unsigned balance);
// An MP3 sound's graph: trunc((v*100 - 10000) * 0.4f) and trunc((b*200 - 10000) * 0.4f).
long Mp3Volume(unsigned volume);
long Mp3Balance(unsigned balance);
