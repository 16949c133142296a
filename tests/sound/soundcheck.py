"""What the sound tests share: a sound card that writes to a file, reading that file back,
tone detection, and telling Wine's own DirectShow stalls from the player's faults.

The build machine has no sound card. Wine plays through ALSA, and ALSA reads its
configuration per process from $HOME/.asoundrc; a program started with capture_env() gets
a HOME whose default device is ALSA's "file" plugin over the "null" device, so everything
it plays is written to a WAV file (48 kHz stereo, 32-bit floats). WINEPREFIX is set by the
harness, so the other HOME leaves Wine's prefix alone. The null device has no clock: the
file fills faster than real time (about 3.5 times here), so checks look at content and
order, never at durations.
"""
import math
import os
import re
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
import twtest  # noqa: E402,F401  (re-exported for the scripts)


def capture_env(home):
    """An environment whose sound goes to home/played.wav; returns (env, capture path)."""
    os.makedirs(home, exist_ok=True)
    capture = os.path.join(home, "played.wav")
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write('pcm.!default {\n  type file\n  slave.pcm "null"\n  file "%s"\n  format "wav"\n}\n' % capture)
    return dict(os.environ, HOME=home), capture


def data_offset(path):
    """Where the samples start in the capture (None while the header is not written)."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
        return head.index(b"data") + 8
    except (OSError, ValueError):
        return None


def read_capture(path, step=2):
    """The left channel of the capture as floats in -1..1, every step-th frame, with its
    rate; ([], 24000) when nothing was captured. Reading stops at the bytes present, so a
    capture that is still growing reads fine."""
    if not os.path.exists(path):
        return [], 48000 // step
    data = open(path, "rb").read()
    # The header is written when the device opens; its sizes may not be final, so the
    # format comes from the "fmt " chunk and the samples are whatever follows "data".
    fmt = data.index(b"fmt ")
    channels, rate = struct.unpack_from("<HI", data, fmt + 10)
    bits = struct.unpack_from("<H", data, fmt + 22)[0]
    start = data.index(b"data") + 8
    # Wine mixes in 32-bit floats; the file plugin's header calls them 32-bit PCM.
    assert bits == 32, "expected 32-bit samples, got %d" % bits
    frame = 4 * channels
    usable = (len(data) - start) // frame * frame
    values = struct.unpack_from("<%df" % (usable // 4), data, start)
    return list(values[0::channels * step]), rate // step


def zeros_only(path, offset):
    """Whether every byte of the file from offset on is zero (True when there are none)."""
    with open(path, "rb") as f:
        f.seek(offset)
        rest = f.read()
    return rest.count(0) == len(rest), len(rest)


def goertzel(block, freq, rate):
    """The power of one frequency in the block, normalised so that a pure tone of power P
    gives about P / 2."""
    w = 2 * math.pi * freq / rate
    coeff = 2 * math.cos(w)
    s1 = s2 = 0.0
    for x in block:
        s1, s2 = x + coeff * s1 - s2, s1
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (len(block) ** 2)


def peak(samples):
    return max((abs(x) for x in samples), default=0.0)


# ---- Wine's DirectShow stalls --------------------------------------------------------------
#
# Under Wine 10, IMediaControl::Stop on a graph that decodes MP3 now and then never returns:
# the MPEG splitter waits for its streaming thread, which is stuck inside the MPEG audio
# decoder on a sample queue that the decoder's own stop has already freed (Wine then
# reports a critical section "blocked by 0000"). It is a race in Wine's gstreamer filters,
# seen in about one run in ten of a short probe that changes tracks a few times, alone on
# the machine. A run that stalls there says nothing about the player's code, so the tests
# look at where the stalled program waits and then try again, up to ATTEMPTS runs in all.
# Programs write their output to files, never to pipes: a process Wine starts on the
# side could keep a pipe open after the program is gone.

ATTEMPTS = 5


def run_bounded(command, timeout, stdin_text="", env=None, on_timeout=None):
    """Runs a Linux command with its output in a file. Returns (exit code, output); the
    code is None when it was killed after timeout seconds (on_timeout, when given, is
    called first, while it still runs)."""
    with tempfile.TemporaryFile("w+", errors="replace") as out, tempfile.TemporaryFile("w+") as stdin:
        stdin.write(stdin_text)
        stdin.seek(0)
        try:
            proc = subprocess.Popen(command, stdin=stdin, stdout=out, stderr=subprocess.STDOUT, env=env)
        except OSError:
            return None, ""
        try:
            code = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            if on_timeout:
                on_timeout()
            # A Windows program's Linux process is the Windows process: killed, it is gone.
            proc.kill()
            proc.wait()
            code = None
        out.seek(0)
        return code, out.read()


def wine_backtrace(image, timeout=30):
    """winedbg's backtrace of every thread of the running process with that image name
    (e.g. "tarnwick.exe"); empty when it cannot be had."""
    procs = run_bounded(["wine64", "winedbg", "--command", "info proc"], timeout)[1]
    pids = [line.split()[0].lstrip("=") for line in procs.splitlines() if "'%s'" % image.lower() in line.lower()]
    if not pids:
        return ""
    return run_bounded(["wine64", "winedbg"], timeout, "attach 0x%s\nbt all\ndetach\nquit\n" % pids[0])[1]


def main_thread(backtrace, image):
    """The frames of the first thread of the image's process in a winedbg "bt all" (which
    may list other processes too)."""
    for part in re.split(r"Backtracing for thread", backtrace)[1:]:
        header = part.split("\n", 1)[0]
        if image.lower() in header.lower():
            return part
    return ""


def stalled_in_graph(backtrace, image):
    """Whether the program's main thread waits inside DirectShow's graph or Wine's
    gstreamer filters (the stall above), as opposed to anywhere in the program's own code."""
    frames = main_thread(backtrace, image)
    return "quartz" in frames or "winegstreamer" in frames


def summary(backtrace, image, lines=8):
    """The main thread's top frames, for the log."""
    frames = [l.strip() for l in main_thread(backtrace, image).splitlines() if re.match(r"\s*=?>?\s*\d+ 0x", l)]
    return "\n    ".join(frames[:lines]) or "(no backtrace)"


def run_program(exe, args, env, timeout):
    """Runs a program of the build (its output in a file) until it ends or timeout seconds
    pass. Returns (exit code, output, backtrace); when it hung, the code is None and it was
    looked at with winedbg (the backtrace) and killed, else the backtrace is empty."""
    traces = []
    code, out = run_bounded(["wine64", os.path.join(twtest.BIN, exe), *args], timeout, env=env,
                            on_timeout=lambda: traces.append(wine_backtrace(exe)))
    return code, out, "".join(traces)


# A Windows process that dies of an exception nobody handled ends with the exception's code,
# in full as Windows reports it (twctl run), its low byte as the Linux process's status:
# an access violation, an invalid handle, an illegal instruction, a non-continuable
# exception, a division by zero, a stack overflow.
EXCEPTION_CODES = (0xC0000005, 0xC0000008, 0xC000001D, 0xC0000025, 0xC0000094, 0xC00000FD)
EXCEPTION_EXITS = set(EXCEPTION_CODES) | {c & 0xFF for c in EXCEPTION_CODES}


def platform_fault(code, out):
    """Why a run that ended with a non-zero code was ended by the platform rather than by the
    program, else None. Three ways are known, all from the same race in Wine's gstreamer
    filters as the stalls above:
    - Wine's one-line fault report names a thread other than the main thread the program
      printed ("main thread XXXX"): the sound code starts no threads, so that thread is one
      of the platform's own;
    - an exception's exit code with no fault report at all: the exception came in one of
      gstreamer's native threads, which are no Windows threads (seen: a handle that a
      filter's stop had already closed, raised as a non-continuable exception; an access
      violation while a file that is no MP3 is opened), and the process ended without the
      report that every exception in a Windows thread, the program's own, gets;
    - the process was ended by a Linux signal (a negative code). Faults in the program's own
      code reach it as Windows exceptions, with Wine's report and a positive exit code; a
      signal ends it only from Wine's native side (a crash in one of gstreamer's threads).
    A process killed by this harness has no code at all (None), so it never counts here."""
    if not isinstance(code, int):
        return None
    if code < 0:
        return "ended by Linux signal %d" % -code
    reported = re.search(r"^wine: Unhandled", out, re.M)
    if code in EXCEPTION_EXITS and not reported:
        return "an exception outside the Windows threads (exit code %d, no fault report)" % code
    main = re.search(r"^main thread ([0-9a-f]+)$", out, re.M)
    fault = re.search(r"^wine: Unhandled .*\(thread ([0-9a-f]+)\)", out, re.M)
    if code and main and fault and int(fault.group(1), 16) != int(main.group(1), 16):
        return "a fault in a platform thread: " + fault.group(0)
    return None


def run_unless_stalled(exe, args, env, timeout, before_each=None):
    """run_program, again while Wine's DirectShow stalls it or ends it from one of its own
    threads (up to ATTEMPTS runs). Returns (exit code, output); the code is None when the
    program hung outside DirectShow or every run stalled, and the output then says which."""
    for attempt in range(1, ATTEMPTS + 1):
        if before_each:
            before_each()
        code, out, trace = run_program(exe, args, env, timeout)
        fault = platform_fault(code, out)
        if fault and attempt < ATTEMPTS:
            print("note  %s run %d: %s; its last lines:\n    %s" % (exe, attempt, fault, "\n    ".join(out.splitlines()[-4:])), flush=True)
            continue
        if code is not None:
            return code, out
        print("note  %s run %d stalled; its main thread:\n    %s" % (exe, attempt, summary(trace, exe)), flush=True)
        if not stalled_in_graph(trace, exe):
            return None, out + "\n%s hangs outside DirectShow" % exe
    return None, out + "\nWine's DirectShow stalled %s in every run" % exe

