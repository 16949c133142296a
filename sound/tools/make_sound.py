#!/usr/bin/env python3
"""Makes the sounds that the tests and the demo scene play, at build time (no sound file
is kept in the repository).

  make_sound.py tone OUT.wav --freq 440 [--seconds 1] [--rate 22050] [--channels 1] [--amp 0.5]
  make_sound.py tones OUT.wav --freq 440,660 [--seconds 0.5]   (one tone after the other)
  make_sound.py speech OUT.wav --text "words"                  (espeak-ng, then sox to 22050 Hz mono)
  make_sound.py mp3 IN.wav OUT.mp3 [--kbps 64]                 (LAME through ctypes)
"""
import argparse
import ctypes
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave


def write_wav(path, frames, rate, channels):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)


def tone_frames(freq, seconds, rate, channels, amp):
    n = int(round(seconds * rate))
    fade = min(n // 2, int(rate * 0.01))  # 10 ms ramps: no clicks between tones
    out = bytearray()
    for i in range(n):
        env = 1.0
        if i < fade:
            env = i / fade
        elif i >= n - fade:
            env = (n - 1 - i) / fade
        v = int(32767 * amp * env * math.sin(2 * math.pi * freq * i / rate))
        out += struct.pack("<h", v) * channels
    return bytes(out)


def speech(path, text):
    with tempfile.TemporaryDirectory() as tmp:
        raw = os.path.join(tmp, "speech.wav")
        subprocess.run(["espeak-ng", "-w", raw, text], check=True)
        subprocess.run(["sox", raw, "-r", "22050", "-c", "1", "-b", "16", path], check=True)


def mp3(src, dst, kbps):
    lame = ctypes.CDLL("libmp3lame.so.0")
    lame.lame_init.restype = ctypes.c_void_p
    for name in ("lame_set_in_samplerate", "lame_set_num_channels", "lame_set_brate",
                 "lame_set_quality", "lame_set_mode", "lame_init_params", "lame_close"):
        getattr(lame, name).argtypes = [ctypes.c_void_p] + ([ctypes.c_int] if name.startswith("lame_set") else [])
    with wave.open(src, "rb") as w:
        channels, width, rate, n = w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()
        pcm = w.readframes(n)
    if width != 2 or channels not in (1, 2):
        sys.exit("mp3: need 16-bit mono or stereo input")
    g = ctypes.c_void_p(lame.lame_init())
    lame.lame_set_in_samplerate(g, rate)
    lame.lame_set_num_channels(g, channels)
    lame.lame_set_brate(g, kbps)
    lame.lame_set_quality(g, 5)
    lame.lame_set_mode(g, 3 if channels == 1 else 1)  # mono / joint stereo
    if lame.lame_init_params(g) != 0:
        sys.exit("mp3: LAME refused the parameters")
    out = ctypes.create_string_buffer(int(1.25 * n) + 7200)
    if channels == 2:
        got = lame.lame_encode_buffer_interleaved(g, ctypes.c_char_p(pcm), n, out, len(out))
    else:
        got = lame.lame_encode_buffer(g, ctypes.c_char_p(pcm), ctypes.c_char_p(pcm), n, out, len(out))
    if got < 0:
        sys.exit("mp3: encoding failed (%d)" % got)
    data = out.raw[:got]
    got = lame.lame_encode_flush(g, out, len(out))
    data += out.raw[:max(got, 0)]
    lame.lame_close(g)
    with open(dst, "wb") as f:
        f.write(data)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kind", choices=["tone", "tones", "speech", "mp3"])
    ap.add_argument("out")
    ap.add_argument("out2", nargs="?")
    ap.add_argument("--freq", default="440")
    ap.add_argument("--seconds", type=float, default=1.0)
    ap.add_argument("--rate", type=int, default=22050)
    ap.add_argument("--channels", type=int, default=1)
    ap.add_argument("--amp", type=float, default=0.5)
    ap.add_argument("--text", default="Tarnwick")
    ap.add_argument("--kbps", type=int, default=64)
    a = ap.parse_args()
    if a.kind in ("tone", "tones"):
        frames = b"".join(tone_frames(float(f), a.seconds, a.rate, a.channels, a.amp)
                          for f in a.freq.split(","))
        write_wav(a.out, frames, a.rate, a.channels)
    elif a.kind == "speech":
        speech(a.out, a.text)
    else:
        mp3(a.out, a.out2, a.kbps)


if __name__ == "__main__":
    main()
