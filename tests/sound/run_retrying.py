#!/usr/bin/env python3
"""Runs a test program of the build that plays sound (run_retrying.py EXE [ARGS...]), with a
sound card that writes a file, and runs it again when Wine's DirectShow stalls it (see
soundcheck): a stalled run says nothing about the code under test. A program that fails,
or hangs anywhere else, fails the test at once."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soundcheck import capture_env, run_unless_stalled  # noqa: E402

TIMEOUT = 60  # seconds for one run; a run that passes takes about five


def noise(line):
    return not line.strip() or "ALSA lib" in line or "GStreamer-CRITICAL" in line


def main():
    exe, args = sys.argv[1], sys.argv[2:]
    with tempfile.TemporaryDirectory() as home:
        env, _ = capture_env(home)
        code, out = run_unless_stalled(exe, args, env, TIMEOUT)
    # A failed run keeps gstreamer's complaints: they may say why.
    print("\n".join(l for l in out.splitlines() if not noise(l) or (code != 0 and l.strip())))
    if code is None:
        print("FAIL")
        return 1
    if code != 0:
        print("FAIL  %s ended with exit code %d" % (exe, code))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
