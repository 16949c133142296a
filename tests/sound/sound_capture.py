#!/usr/bin/env python3
"""End to end: what the player's sound code plays reaches the sound device.

Each run of sound_probe.exe here gets a HOME of its own whose sound card writes a file
(soundcheck.capture_env), so the checks hear what was played: content and order, never
durations.

Tones are recognised with the Goertzel filter at the build's tone frequencies (440, 550,
660, 880 Hz), window by window, so mixtures can be told apart too.
"""
import math
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soundcheck import (capture_env, goertzel, peak, read_capture, run_unless_stalled,  # noqa: E402
                        twtest)
from twtest import check  # noqa: E402

FIXTURES = os.path.join(twtest.BIN, "sound_fixtures")
TONES = (440, 550, 660, 880)
WINDOW = 1024  # frames at the device's rate (after decimation by 2)


def fixture(name):
    return twtest.win_path(os.path.join(FIXTURES, name))


def play(*args, ms=2000):
    """Runs the probe with the captured device; returns (probe output, left-channel samples
    as floats in -1..1 at the device rate / 2, device rate / 2). A run that Wine's
    DirectShow stalls (soundcheck) says nothing about what the player plays: it is run again."""
    with tempfile.TemporaryDirectory() as home:
        env, capture = capture_env(home)

        def fresh_capture():
            if os.path.exists(capture):
                os.remove(capture)

        # A passing run takes a few seconds.
        code, out = run_unless_stalled("sound_probe.exe", ["--ms", str(ms), *args], env, 30, fresh_capture)
        assert code == 0, "sound_probe %s: exit %r\n%s" % (" ".join(args[:2]), code, out)
        return out, *read_capture(capture)


def windows(samples, rate):
    """Per window: (rms, the tones present in it): a tone is present when it holds at least a
    tenth of the window's power (three mixed tones hold a third each)."""
    result = []
    for i in range(0, len(samples) - WINDOW + 1, WINDOW):
        block = samples[i:i + WINDOW]
        energy = sum(x * x for x in block) / WINDOW
        present = set()
        if energy > 1e-8:
            for tone in TONES:
                # A pure tone of power P gives a Goertzel power of about P / 2 here.
                if goertzel(block, tone, rate) > 0.05 * energy:
                    present.add(tone)
        result.append((math.sqrt(energy), present))
    return result


def tone_sequence(samples, rate, min_windows=3):
    """The tones heard one after another (a tone counts after min_windows windows)."""
    seq, run_tone, run = [], None, 0
    for _, present in windows(samples, rate):
        tone = next(iter(present)) if len(present) == 1 else None
        if tone is None:
            continue  # silence between tracks, or a window across two tracks
        run = run + 1 if tone == run_tone else 1
        run_tone = tone
        if run == min_windows and (not seq or seq[-1] != tone):
            seq.append(tone)
    return seq


def typical_level(samples, rate):
    """The median rms of the windows that are not silent."""
    levels = sorted(rms for rms, _ in windows(samples, rate) if rms > 0)
    return levels[len(levels) // 2] if levels else 0.0


def heard(samples, rate):
    tones = set()
    for _, present in windows(samples, rate):
        tones |= present
    return tones


def main():
    # The playlist: three tracks play in order and the fourth is the first again.
    out, samples, rate = play("--music", ",".join(fixture("tone%d.mp3" % f) for f in (440, 660, 880)), ms=3000)
    seq = tone_sequence(samples, rate)
    check(seq[:4] == [440, 660, 880, 440], "music: three tracks play 1, 2, 3, 1", "heard %s; probe said %r" % (seq, out))

    # Mute: the device still runs (the file grows) but only with zeros.
    out, samples, rate = play("--mute", "--music", fixture("tone440.mp3"), "--wav", fixture("tone660.wav"),
                              "--mp3", fixture("tone880.mp3"), ms=1500)
    check(len(samples) > rate // 2, "mute: the device runs", "%d samples" % len(samples))
    check(peak(samples) == 0.0, "mute: nothing but zeros", "peak %g" % peak(samples))

    # The sound objects, alone and mixed with the music.
    out, samples, rate = play("--wav", fixture("tone660.wav"), ms=1500)
    check(heard(samples, rate) == {660}, "WAV sound object is heard", "heard %s" % heard(samples, rate))
    out, samples, rate = play("--mp3", fixture("tone880.mp3"), ms=1500)
    check(heard(samples, rate) == {880}, "MP3 sound object is heard", "heard %s" % heard(samples, rate))
    out, samples, rate = play("--music", fixture("tone440.mp3"), "--wav", fixture("tone660.wav"),
                              "--mp3", fixture("tone880.mp3"), ms=2000)
    check(heard(samples, rate) == {440, 660, 880}, "music, WAV and MP3 together", "heard %s" % heard(samples, rate))

    # The master volume: 50 is -25 dB (an amplitude of 0.056) against 100.
    _, loud, rate = play("--volume", "100", "--wav", fixture("tone660.wav"), ms=1000)
    _, soft, _ = play("--volume", "50", "--wav", fixture("tone660.wav"), ms=1000)
    ratio = typical_level(soft, rate) / max(typical_level(loud, rate), 1e-9)
    check(0.04 < ratio < 0.08, "master volume 50 attenuates by 25 dB", "amplitude ratio %.4f" % ratio)

    # Stop: an eight-second track stopped early leaves the rest of the capture silent.
    out, samples, rate = play("--music", fixture("long550.wav"), "--stop-at", "300", ms=2500)
    w = windows(samples, rate)
    audible = [i for i, (rms, present) in enumerate(w) if rms > 1e-4]
    check(550 in heard(samples, rate), "stop: the track was playing", out)
    tail = w[len(w) * 2 // 3:]
    check(tail and all(rms == 0.0 for rms, _ in tail), "stop: silence after the stop",
          "audible windows %d of %d; probe said %r" % (len(audible), len(w), out))
    check(len(audible) * WINDOW < 8 * rate, "stop: the track did not play to its end",
          "%.1f s audible" % (len(audible) * WINDOW / rate))

    return twtest.finish()


if __name__ == "__main__":
    sys.exit(main())
