#!/usr/bin/env python3
"""The player end to end, by ear: tarnwick.exe plays the demo scene inside the desktop
stand-in with a sound card that writes a file (soundcheck.capture_env), and the checks
listen to that file.

The demo scene's first slide (tools/demo/make_demo.py) has a music track, an eight-note
melody G4 A4 B4 C5 D5 C5 B4 A4 (392 to 587 Hz) that repeats; a spoken greeting as a WAV
sound; and a chime (880 Hz, then 1320 Hz) as an MP3 sound at volume 80. Both sounds start
with the slide and come back after their hidden times.

  1. Sound on ("Mute" 0, volume 100): the melody, the greeting and the chime are heard,
     the chime 8 dB below the music; a stop request (WM_USER+2) ends playback: the capture
     goes on with zeros only; WM_CLOSE then ends the player with exit code 0.
  2. Muted ("Mute" 1): the capture holds zeros only.

The greeting is told from the music by its low voice: the melody and the chime have
nothing below 392 Hz, while the speech carries its pitch and first harmonics at 100 to
300 Hz. Wine's DirectShow now and then stalls a graph (see soundcheck); a player run that
stalls there is tried again. Every program started here is ended here. The captures
are kept in $TW_OUT when it is set.
"""
import math
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "shell"))
from soundcheck import (ATTEMPTS, capture_env, data_offset, goertzel, peak,  # noqa: E402
                        platform_fault, read_capture, stalled_in_graph, summary, twtest,
                        wine_backtrace, zeros_only)
from twtest import (Player, StandIn, check, holds_for, settings, twctl, wait_for,  # noqa: E402
                    wait_shown)

PLAYER = "tarnwick.exe"
# Seconds of the first slide to hear: the sounds start with the slide, the chime comes back
# after about 6 s and the greeting after about 9.5 s; the slide changes after 11 s.
PLAY_SECONDS = 10.5
# After the stop, counted in sound the device took (the file's clock, not the wall's: under
# load the mixer falls behind, and alone it runs ahead): what was mixed before the stop may
# still be on its way for a while, and then the capture is listened to for a while longer.
CAPTURE_BYTES_PER_SECOND = 48000 * 2 * 4
SETTLE_SECONDS = 2
LISTEN_SECONDS = 8

MELODY = {392: "G", 440: "A", 494: "B", 523: "C", 587: "D"}
CHIME = {880: "x", 1320: "y"}
NOTES = {**MELODY, **CHIME}
VOICE = [100 + 20 * k for k in range(11)]  # Hz: the greeting's pitch and first harmonics
# Analysis at 6 kHz in windows of 256 samples (43 ms, 23 Hz apart), Hann-weighted so that a
# tone of the melody leaks nothing measurable into the voice band.
STEP = 4
RATE = 48000 // (2 * STEP)
WINDOW = 256
HANN = [0.5 - 0.5 * math.cos(2 * math.pi * k / WINDOW) for k in range(WINDOW)]
VOICE_POWER = 1e-4  # in the voice band: speech; the music alone stays below 1e-5
MIN_RUN = 3  # windows a note must last to count
# A tone's amplitude that counts as heard beside the music: the chime is 0.14 at volume 80;
# the melody's notes leak nothing there and the voice stays below 0.03.
TONE_PRESENT = 0.06


class Stalled(Exception):
    """Wine's DirectShow stalled the player: the run says nothing about the player."""


# ---- Running the player --------------------------------------------------------------------

def end(proc):
    if proc.poll() is None:
        proc.kill()


def give_up(proc, home, why):
    """The player does not answer: a stall of Wine's graphs (Stalled), or a fault."""
    trace = wine_backtrace(PLAYER)
    end(proc)
    print("note  the player %s; its main thread:\n    %s" % (why, summary(trace, PLAYER)), flush=True)
    if stalled_in_graph(trace, PLAYER):
        raise Stalled(why)
    raise AssertionError("the player %s outside DirectShow; its log: %s" % (why, log_tail(home)))


def log_text(home):
    try:
        return open(os.path.join(home, "player.log"), errors="replace").read()
    except OSError:
        return ""


def log_tail(home):
    """The player's own output, without the sound libraries' chatter."""
    lines = log_text(home).splitlines()
    return " | ".join(l for l in lines if l.strip() and "ALSA lib" not in l and "GStreamer" not in l)[-2000:]


def play_scene(home, stop):
    """Runs the player in the stand-in for PLAY_SECONDS, then (stop) sends a stop request and
    listens on (SETTLE_SECONDS and LISTEN_SECONDS of sound), then closes it. Returns what
    happened."""
    env, capture = capture_env(home)
    if os.path.exists(capture):
        os.remove(capture)
    result = {"capture": capture}
    standin = StandIn()
    with open(os.path.join(home, "player.log"), "w") as log:
        proc = Player(env=env, log=log)
    started = time.time()
    try:
        if not wait_shown(60):
            give_up(proc, home, "never showed its window")
        holds_for(lambda: proc.poll() is None, PLAY_SECONDS, interval=0.5)
        code = proc.poll()
        if code is not None:
            # Wine's fault report names the faulting thread; the main thread's id (from the
            # runner) tells the program's own faults from those of the platform's threads.
            out = log_text(home)
            if proc.main_thread():
                out += "\nmain thread %s\n" % proc.main_thread()
            fault = platform_fault(code, out)
            if fault:
                raise Stalled("ended by the platform: " + fault)
            raise AssertionError("the player ended by itself (exit %r): %s" % (code, log_tail(home)))
        if stop:
            if twctl("stop")[0] != 0:
                give_up(proc, home, "did not answer the stop request")
            result["wall"] = time.time() - started

            def size():
                return os.path.getsize(capture) if os.path.exists(capture) else 0

            def grown_by(start, seconds):
                return wait_for(lambda: size() >= start + seconds * CAPTURE_BYTES_PER_SECOND, 60)
            grown_by(size(), SETTLE_SECONDS)
            result["stop_offset"] = size()
            grown_by(result["stop_offset"], LISTEN_SECONDS)
        twctl("close")
        try:
            result["exit"] = proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            give_up(proc, home, "did not end after WM_CLOSE")
        return result
    finally:
        end(proc)
        standin.close()


def play_unless_stalled(what, **settings_values):
    """play_scene under the settings, tried again while Wine's DirectShow stalls it."""
    for attempt in range(1, ATTEMPTS + 1):
        # The captures stay in $TW_OUT when it is set, for listening afterwards.
        out = os.environ.get("TW_OUT")
        home = os.path.join(out, "sound-%s-%d" % (what, attempt)) if out else tempfile.mkdtemp(prefix="tw-sound-")
        try:
            with settings(showdialog=0, **settings_values):
                return play_scene(home, stop=what == "audible")
        except Stalled as stall:
            print("note  %s run %d: Wine's DirectShow stalled the player (%s)" % (what, attempt, stall), flush=True)
    check(False, what + ": a player run that Wine does not stall", "every run stalled")
    return None


# ---- Listening -----------------------------------------------------------------------------

class Window:
    def __init__(self, block):
        self.rms = math.sqrt(sum(x * x for x in block) / len(block))
        weighted = [x * h for x, h in zip(block, HANN)]
        self.voice = sum(goertzel(weighted, f, RATE) for f in VOICE) if self.rms > 1e-5 else 0.0
        # A Hann-weighted pure tone of amplitude a gives a Goertzel power of a^2 / 16.
        self.tones = {f: 4 * math.sqrt(goertzel(weighted, f, RATE)) for f in NOTES} if self.rms > 1e-3 else {}
        # The melody's note: the one that holds at least half the window's power.
        melody = {f: a for f, a in self.tones.items() if f in MELODY}
        best = max(melody, key=melody.get) if melody else None
        self.note = best if best and melody[best] > self.rms else None


def listen(capture, end_offset=None):
    """The capture (up to end_offset bytes) as analysis windows."""
    samples, rate = read_capture(capture)
    assert rate == RATE * STEP, rate
    start = data_offset(capture)
    if end_offset is not None and start is not None:
        # 8 bytes per stereo frame of 32-bit floats, every second frame kept.
        samples = samples[:max(0, end_offset - start) // 16]
    low = [sum(samples[i:i + STEP]) / STEP for i in range(0, len(samples) - STEP + 1, STEP)]
    return [Window(low[i:i + WINDOW]) for i in range(0, len(low) - WINDOW + 1, WINDOW)], samples


def runs(flags):
    """(first window, length) of every run of MIN_RUN or more true flags."""
    found, start = [], None
    for i, flag in enumerate(list(flags) + [False]):
        if flag and start is None:
            start = i
        elif not flag and start is not None:
            if i - start >= MIN_RUN:
                found.append((start, i - start))
            start = None
    return found


def melody_sequence(windows):
    """The melody's notes one after another (each lasting MIN_RUN windows), as letters."""
    seq, run_note, run = [], None, 0
    for w in windows:
        run = run + 1 if w.note == run_note else 1
        run_note = w.note
        if w.note and run == MIN_RUN:
            seq.append(MELODY[w.note])
    return "".join(seq)


def chimes(windows):
    """The chimes heard: 880 Hz followed at once by 1320 Hz, each loud enough to stand out
    of the music beside it. Returns (count, their tone amplitudes)."""
    high = runs(w.tones.get(1320, 0.0) > TONE_PRESENT for w in windows)
    count, levels = 0, []
    for start, length in runs(w.tones.get(880, 0.0) > TONE_PRESENT for w in windows):
        follow = [(s, n) for s, n in high if start < s <= start + length + 2]
        if follow:
            count += 1
            levels += [w.tones[880] for w in windows[start:start + length]]
            levels += [w.tones[1320] for w in windows[follow[0][0]:follow[0][0] + follow[0][1]]]
    return count, levels


def median(values):
    values = sorted(values)
    return values[len(values) // 2] if values else 0.0


def db(amplitude):
    return 20 * math.log10(amplitude) if amplitude > 0 else float("-inf")


def seconds(windows_count):
    return windows_count * WINDOW / RATE


# ---- The runs ------------------------------------------------------------------------------

def audible():
    print("== sound on", flush=True)
    run = play_unless_stalled("audible", mute=0, volume=100)
    if not run:
        return
    windows, samples = listen(run["capture"], run["stop_offset"])
    seq = melody_sequence(windows)
    speech = [w for w in windows if w.voice > VOICE_POWER]
    music = [w.tones[w.note] for w in windows if w.note]
    chime_count, chime = chimes(windows)
    quiet_speech = [w.rms for w in speech if not w.note]
    heard = len(samples) / (RATE * STEP)
    print("captured %.1f s of sound in %.1f s of play (%.1f times real time); peak %.2f" % (
        heard, run["wall"], heard / run["wall"], peak(samples)))
    print("melody notes in order: " + seq)
    print("melody: amplitude %.3f (%.1f dBFS); chime heard %d times, amplitude %.3f (%.1f dBFS); "
          "speech: %.1f s of the capture, rms %.3f where no note dominates (%.1f dBFS)" % (
              median(music), db(median(music)), chime_count, median(chime), db(median(chime)),
              seconds(len(speech)), median(quiet_speech), db(median(quiet_speech))), flush=True)

    check(peak(samples) > 0.05, "sound on: the capture is not silent", "peak %g" % peak(samples))
    check("GABCDCBA" in seq, "music: the melody G A B C D C B A plays in order", seq)
    check(seq.count("GABCDCBA") >= 2, "music: the track repeats", seq)
    check(seconds(len(speech)) >= 0.5, "WAV sound: the spoken greeting is heard",
          "%.2f s of speech" % seconds(len(speech)))
    check(chime_count >= 1, "MP3 sound: the chime is heard, 880 Hz then 1320 Hz")
    # The chime's volume 80 is trunc((80 * 100 - 10000) * 0.4) = -800 hundredths of a decibel
    # against the music's 0: an amplitude ratio of 0.40 (both made at the same amplitude).
    ratio = median(chime) / max(median(music), 1e-9)
    check(0.3 < ratio < 0.52, "MP3 sound: the chime's volume 80 is 8 dB under the music",
          "amplitude ratio %.3f" % ratio)
    zeros, after = zeros_only(run["capture"], run["stop_offset"])
    print("after the stop: %d more bytes, %s" % (after, "all zero" if zeros else "not all zero"))
    check(zeros, "stop: playback ends, the capture goes on with zeros only", "%d bytes after the stop" % after)
    check(run["exit"] == 0, "stop: WM_CLOSE then ends the player with exit code 0", "exit %r" % run["exit"])


def muted():
    print("== muted", flush=True)
    run = play_unless_stalled("muted", mute=1, volume=100)
    if not run:
        return
    capture = run["capture"]
    size = os.path.getsize(capture) if os.path.exists(capture) else 0
    samples, _ = read_capture(capture)
    print("muted capture: %d bytes, peak %g" % (size, peak(samples)), flush=True)
    check(peak(samples) == 0.0, "mute: the capture stays silent (zeros only)", "peak %g" % peak(samples))
    check(run["exit"] == 0, "mute: WM_CLOSE ends the player with exit code 0", "exit %r" % run["exit"])


def main():
    audible()
    muted()
    return twtest.finish()


if __name__ == "__main__":
    sys.exit(main())
