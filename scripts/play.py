"""Plays the demo scene: the stand-in desktop, then the player (tarnwick.exe, which carries
the demo scene) inside its icon view.

On a virtual screen (no TW_USE_DISPLAY) it saves a few screenshots under $TW_OUT (out/):
the first slide and three later ones; the settings dialog is kept out of
those pictures for the run. On a real X display it simply plays until interrupted (Ctrl+C)
or until the player is closed from its tray menu.

Runs inside the Debian 13 root with TW_BIN set (scripts/play.sh does all of that).
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "pylib"))
import twtest  # noqa: E402
from twtest import StandIn, twctl  # noqa: E402

# Seconds after the window shows: the first slide (a still camera; god rays, birds, grass
# and flowers, glints, the sun's flickering glow), the second (a moving camera; fog, mist,
# snow and rain, clouds drifting in perspective, a waterfall, the lake's rocking
# reflection), the third (a camera on a key-frame path; sparkles, fish, a boat and gulls,
# rippling water with rings) and the last (a discharge bolt, sparks and lightning, fires and
# a haze over the sky).
SHOTS = [(5.0, "play-05s.png"), (16.0, "play-16s.png"), (33.0, "play-33s.png"), (48.0, "play-48s.png")]


def shown():
    code, out = twctl("find")
    return code == 0 and " visible 1 " in out


def stop(proc, close_first=True):
    if proc.poll() is not None:
        return
    if close_first:
        twctl("close")
        try:
            proc.wait(timeout=20)
            return
        except subprocess.TimeoutExpired:
            pass
    proc.kill()
    proc.wait(timeout=20)


def main():
    for exe in ("tarnwick.exe", "desktop_standin.exe", "twctl.exe"):
        if not os.path.exists(os.path.join(twtest.BIN, exe)):
            print("not built:", os.path.join(twtest.BIN, exe))
            return 1
    on_display = bool(os.environ.get("TW_USE_DISPLAY"))
    out_dir = os.environ.get("TW_OUT") or os.path.join(os.getcwd(), "out")
    dialog_before = None
    if not on_display:
        dialog_before = twctl("get", "showdialog")
        twctl("set", "showdialog", 0)

    # The player's own icon view lists the Desktop folder: give it the stand-in's icons.
    with twtest.desktop_items():
        return play(on_display, out_dir, dialog_before)


def play(on_display, out_dir, dialog_before):
    standin = StandIn()
    player = None
    try:
        if not standin.started():
            print("the stand-in desktop did not start")
            return 1
        player = twtest.start("tarnwick.exe")
        if not twtest.wait_for(shown, 60):
            print("the player did not show its window (exit code %r)" % (player.poll(),))
            return 1
        started = time.time()
        if on_display:
            print("Playing the demo scene; Ctrl+C or the tray menu's Exit ends it.", flush=True)
            try:
                player.wait()
            except KeyboardInterrupt:
                pass
            return 0
        os.makedirs(out_dir, exist_ok=True)
        for at, name in SHOTS:
            time.sleep(max(0.0, started + at - time.time()))
            if player.poll() is not None:
                print("the player ended early with exit code %r" % player.returncode)
                return 1
            path = os.path.join(out_dir, name)
            twtest.screenshot().save_png(path)
            print("saved", path, flush=True)
        return 0
    finally:
        if player:
            stop(player)
        standin.close()
        if dialog_before is not None:
            code, out = dialog_before
            if code == 0 and out.startswith("dword "):
                twctl("set", "showdialog", out.split()[1])
            else:
                twctl("delete", "showdialog")


if __name__ == "__main__":
    sys.exit(main())
