#include "sound/SoundVolume.h"

namespace {

long Percent(unsigned value) { return value > 100 ? 100 : static_cast<long>(value); }

// The factor is the single-precision 0.4: the music and the MP3 sounds were tuned with it.
long Attenuate(long hundredths) { return static_cast<long>(static_cast<float>(hundredths) * 0.4f); }

}  // namespace

long MasterVolume(unsigned volume, bool mute) { return mute ? -10000 : Percent(volume) * 50 - 5000; }

long MusicVolume(unsigned volume, bool mute) {
  return mute ? -10000 : Attenuate(Percent(volume) * 100 - 10000);
}

long WavVolume(unsigned volume) { return Percent(volume) * 50 - 5000; }

long WavPan(unsigned balance) { return Percent(balance) * 100 - 5000; }

long Mp3Volume(unsigned volume) { return Attenuate(Percent(volume) * 100 - 10000); }

long Mp3Balance(unsigned balance) { return Attenuate(Percent(balance) * 200 - 10000); }
