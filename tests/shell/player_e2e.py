"""The player end to end, as a user sees it: tarnwick.exe runs inside the desktop stand-in's
icon view, twctl acts on it from another process, and the checks look at the X screen, the
window tree, the registry and the exit codes.

    player_e2e.py startup       first slide on screen, motion, a second player replaces the first
    player_e2e.py stop_resume   stop hides and halts, resume shows black, WM_CLOSE exits 0
    player_e2e.py failures      broken or missing document: the message box and exit 1;
                                no desktop view: exit 1 and no box; the autorun start's
                                wait; the view under "WorkerW"
    player_e2e.py settings      odd stored values do not crash the player
    player_e2e.py reset         a resized window resets the device and the scene goes on

Every program started here is ended here (WM_CLOSE first, then a kill). Screenshots go to
$TW_OUT when it is set.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "pylib"))
import twtest  # noqa: E402
from twtest import (PLAYER, STILL_PLAYER, Player, StandIn, check, end_player, find_player, holds_for,  # noqa: E402
                    player_visible, running, screenshot, settings, twctl, wait_for, wait_shown)

DESKTOP_COLOUR = (0x2B, 0x4C, 0x6F)  # the stand-in's list view background
# The stand-in's icons (top-left corners); the player's own icon layer may draw icons of the
# same names there, so pixel checks keep away from these places.
STANDIN_ICONS = [(20, 20), (20, 120), (20, 220), (120, 20), (-120, 20)]
OUT = os.environ.get("TW_OUT")


def save(shot, name):
    if OUT:
        os.makedirs(OUT, exist_ok=True)
        shot.save_png(os.path.join(OUT, name))


# ---- What the screen shows -----------------------------------------------------------------

def load_probes():
    path = os.path.join(twtest.BIN, "..", "demo", "demo_scene_probes.txt")
    probes = []
    for line in open(path):
        f = line.split()
        if not f or f[0].startswith("#") or f[0] in ("picture", "sprites", "particles", "under"):
            continue
        probes.append((float(f[0]), float(f[1]), tuple(int(x) for x in f[2:5])))
    return probes


def near_icon(x, y, screen_w):
    for ix, iy in STANDIN_ICONS:
        ix = ix if ix >= 0 else screen_w + ix
        if ix - 24 <= x <= ix + 80 and iy - 8 <= y <= iy + 80:
            return True
    return False


def load_sprite_region():
    """The region (fractions of the picture) where the first slide's birds fly, and their
    colour, from the probes file."""
    path = os.path.join(twtest.BIN, "..", "demo", "demo_scene_probes.txt")
    for line in open(path):
        f = line.split()
        if f and f[0] == "sprites":
            return tuple(float(v) for v in f[1:5]), tuple(int(v) for v in f[5:8])
    return None, None


def bird_pixels(shot, rect, step=2, tolerance=30):
    """The points of the birds' region (sampled every `step` pixels, icons left out) that
    show the birds' colour: near-black, which the sky behind them never is."""
    region, colour = load_sprite_region()
    x0, y0, w, h = rect
    l, r, t, b = region
    found = set()
    for y in range(y0 + int(t * h), y0 + int(b * h), step):
        for x in range(x0 + int(l * w), x0 + int(r * w), step):
            if 0 <= x < shot.width and 0 <= y < shot.height and not near_icon(x, y, shot.width) \
                    and twtest.close_enough(shot.pixel(x, y), colour, tolerance):
                found.add((x, y))
    return found


def load_particle_grid():
    """The picture's colour at a grid of points (fractions) in the region where the first
    slide's particles show, from the probes file."""
    path = os.path.join(twtest.BIN, "..", "demo", "demo_scene_probes.txt")
    grid = []
    for line in open(path):
        f = line.split()
        if f and f[0] == "under":
            grid.append((float(f[1]), float(f[2]), tuple(int(v) for v in f[3:6])))
    return grid


def particle_points(shot, rect, grid, tolerance=40):
    """The grid points (icons left out) where the screen is not the picture: particles."""
    x0, y0, w, h = rect
    found = set()
    for fx, fy, colour in grid:
        x, y = x0 + int(fx * w), y0 + int(fy * h)
        if 0 <= x < shot.width and 0 <= y < shot.height and not near_icon(x, y, shot.width) \
                and not twtest.close_enough(shot.pixel(x, y), colour, tolerance):
            found.add((x, y))
    return found


def mean_at(shot, x, y, r=2):
    return shot.region_mean(max(0, x - r), max(0, y - r), min(shot.width, x + r + 1),
                            min(shot.height, y + r + 1))


def first_slide_shown(shot, rect, tolerance=20):
    """Whether the first slide's probes show at their places in rect (stretched picture).
    Returns (ok, details)."""
    x0, y0, w, h = rect
    details = []
    ok = True
    checked = 0
    for fx, fy, colour in load_probes():
        x, y = x0 + int(fx * w), y0 + int(fy * h)
        if near_icon(x, y, shot.width) or not (0 <= x < shot.width and 0 <= y < shot.height):
            continue
        got = mean_at(shot, x, y)
        good = twtest.close_enough(got, colour, tolerance)
        ok = ok and good
        checked += 1
        details.append("(%d,%d) %s~%s" % (x, y, tuple(int(v) for v in got), colour))
    return ok and checked >= 3, " ".join(details)


def difference(a, b, rect, step=16):
    """Mean absolute colour difference over a grid of points inside rect."""
    x0, y0, w, h = rect
    total = n = 0
    for y in range(y0 + step // 2, y0 + h, step):
        for x in range(x0 + step // 2, x0 + w, step):
            pa, pb = a.pixel(x, y), b.pixel(x, y)
            total += sum(abs(p - q) for p, q in zip(pa, pb))
            n += 1
    return total / max(1, n)


def region_is(shot, rect, colour, tolerance=10):
    x0, y0, w, h = rect
    got = shot.region_mean(x0, y0, x0 + w, y0 + h)
    return twtest.close_enough(got, colour, tolerance), tuple(int(v) for v in got)


def screen_rect():
    shot = screenshot()
    return (0, 0, shot.width, shot.height)


# A part of the screen clear of icons, the settings dialog and the tray.
def clear_area(rect):
    x0, y0, w, h = rect
    return (x0 + w // 4, y0 + h // 2, w // 2, h // 3)


# ---- Cases -----------------------------------------------------------------------------------

def case_startup():
    with settings(picpos=0, showdialog=0), running() as started:
        standin = StandIn()
        started.append(standin)
        if not check(standin.started() is not None, "stand-in desktop up"):
            return
        first = Player()
        started.append(first)
        win = wait_shown()
        if not check(win is not None, "player window shown"):
            return
        check(win["parent_class"] == "SHELLDLL_DefView", "its parent is the desktop's icon view")
        full = screen_rect()
        check(win["rect"] == full, "it covers the view, the whole screen: %r" % (win["rect"],))
        top = standin.children()
        check(top and top[0][0] == "TarnwickWnd", "on top of the view's children: %r" % top)

        # The first slide: the probes of the demo's first picture, stretched over the window.
        shown, a = twtest.screenshot_when(lambda shot: first_slide_shown(shot, win["rect"])[0], 20)
        save(a, "player-startup.png")
        ok, details = first_slide_shown(a, win["rect"])
        check(shown and ok, "the demo's first slide is on the screen: " + details)

        # Its sprites: the birds are seen, and they move between two screenshots.
        seen, s1 = twtest.screenshot_when(lambda shot: len(bird_pixels(shot, win["rect"])) >= 20, 8)
        birds = bird_pixels(s1, win["rect"])
        check(seen, "the first slide's birds are on the screen (%d points)" % len(birds))
        moved, s2 = twtest.screenshot_when(
            lambda shot: len(bird_pixels(shot, win["rect"])) >= 20
            and len(birds ^ bird_pixels(shot, win["rect"])) >= 20, 8, interval=0.3)
        save(s2, "player-sprites.png")
        check(seen and moved, "the birds move between two screenshots (%d of %d points changed)"
              % (len(birds ^ bird_pixels(s2, win["rect"])), len(birds)))

        # Its particles: glints in the sky left of the birds, seen where the picture is not,
        # and changing between two screenshots as they grow, shrink and turn.
        grid = load_particle_grid()
        seen, p1 = twtest.screenshot_when(lambda shot: len(particle_points(shot, win["rect"], grid)) >= 8, 8)
        points = particle_points(p1, win["rect"], grid)
        check(seen, "the first slide's particles are on the screen (%d of %d points)" % (len(points), len(grid)))
        changed, p2 = twtest.screenshot_when(
            lambda shot: len(points ^ particle_points(shot, win["rect"], grid)) >= 8, 8, interval=0.3)
        save(p2, "player-particles.png")
        check(seen and changed, "the particles change between two screenshots (%d points changed)"
              % len(points ^ particle_points(p2, win["rect"], grid)))

        # Motion: the first slide stands for 10 s, then the show fades to the next one.
        moved, b = twtest.screenshot_when(lambda shot: difference(a, shot, win["rect"]) > 12, 25,
                                          interval=0.5)
        save(b, "player-later.png")
        check(moved, "a later screenshot differs (%.1f)" % difference(a, b, win["rect"]))
        check(first.poll() is None, "the first player still runs")

        # A second player closes the first and takes its place.
        second = Player()
        started.append(second)
        try:
            code = first.wait(timeout=30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "the first player got WM_CLOSE and exited with 0 (%r)" % (code,))
        win2 = wait_shown()
        check(win2 is not None and win2["hwnd"] != win["hwnd"],
              "the second player's window is shown: %r" % (win2,))
        kids = standin.children()
        check([c for c in kids if c[0] == "TarnwickWnd"] == [("TarnwickWnd", 1)],
              "one player window in the view: %r" % kids)
        shown = wait_for(lambda: first_slide_shown(screenshot(), win["rect"])[0], 20)
        check(shown, "the second player shows the first slide")
        check(second.poll() is None, "the second player runs")


def case_stop_resume():
    # The still player carries no sounds: a stop deletes the scene, and with it the sounds'
    # DirectShow graphs, which Wine's gstreamer filters now and then hold up for many
    # seconds when a graph stops right after it started (the sound tests cover stopping
    # with sound). What this case looks at is the window and the scene.
    with settings(picpos=0, showdialog=0), running() as started:
        standin = StandIn()
        started.append(standin)
        player = Player(STILL_PLAYER)
        started.append(player)
        win = wait_shown()
        if not check(win is not None, "player window shown"):
            return
        wait_for(lambda: first_slide_shown(screenshot(), win["rect"])[0], 20)
        area = clear_area(win["rect"])

        check(twctl("stop")[0] == 0, "stop request sent")
        hidden = wait_for(lambda: player_visible() == 0, 10)
        check(hidden, "stop hides the window")
        # The desktop shows where the player was, and many frame timer periods later the
        # player is still hidden. (Wine does not always paint the place of a hidden child
        # window that Direct3D drew on again, so the stand-in is asked to paint itself.)
        desktop = wait_for(lambda: region_is(screenshot(), area, DESKTOP_COLOUR)[0], 3)
        if not desktop:
            print("the desktop was not painted again by itself; asking it", flush=True)
            standin.request("redraw")
            desktop = wait_for(lambda: region_is(screenshot(), area, DESKTOP_COLOUR)[0], 10)
        check(("TarnwickWnd", 0) in standin.children(), "the view's report lists the player hidden")
        # Many frame timer periods, counted from when it was first seen hidden.
        stays_hidden = hidden and holds_for(lambda: player_visible() == 0, 1.5)
        stopped = screenshot()
        save(stopped, "player-stopped.png")
        check(stays_hidden, "a stopped player stays hidden")
        same, got = region_is(stopped, area, DESKTOP_COLOUR)
        check(desktop and same, "the desktop shows where the player was: %r" % (got,))
        check(player.poll() is None, "a stopped player still runs")

        check(twctl("resume")[0] == 0, "resume request sent")
        check(wait_for(lambda: player_visible() == 1, 10), "resume shows the window")
        # Below the top band, where the tray's balloon may show.
        x0, y0, w, h = win["rect"]
        below_top = (x0, y0 + 120, w, h - 120)
        last = []

        def black():
            last[:] = [screenshot()]
            return region_is(last[0], below_top, (0, 0, 0), 3)[0]
        drew_black = check(wait_for(black, 10), "a resumed player draws black: the scene is gone")
        stays_black = drew_black and holds_for(black, 1.0)
        save(last[0], "player-resumed.png")
        check(stays_black, "and stays black")

        # Repeated requests are safe: two stops (the scene already gone), then two resumes.
        check(all(twctl(c)[0] == 0 for c in ("stop", "stop", "resume", "resume")),
              "repeated stop and resume requests answered")
        check(player_visible() == 1 and player.poll() is None, "and the player runs on")

        check(twctl("close")[0] == 0, "WM_CLOSE posted")
        try:
            code = player.wait(timeout=30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "WM_CLOSE ends the player with exit code 0 (%r)" % (code,))
        check(find_player() is None, "no player window is left")


def case_failures():
    # A document the player cannot read: the one message box, then exit code 1.
    for exe, what in (("tarnwick_broken.exe", "truncated document"),
                      ("tarnwick_nodoc.exe", "no document")):
        with settings(showdialog=0), running() as started:
            standin = StandIn()
            started.append(standin)
            player = Player(exe)
            started.append(player)
            code, out = twctl("msgbox", "--timeout", "60", timeout=90)
            check(code == 0 and out.splitlines() == ["caption: Tarnwick",
                                                     "text: Cannot open file: Wrong file format."],
                  what + ": the message box and its text (%r %r)" % (code, out))
            try:
                rc = player.wait(timeout=30)
            except subprocess.TimeoutExpired:
                rc = None
            check(rc == 1, what + ": exit code 1 after the box (%r)" % (rc,))

    # No desktop view: exit 1, no message.
    with running() as started:
        standin = StandIn("noview")
        started.append(standin)
        player = Player()
        started.append(player)
        try:
            rc = player.wait(timeout=30)
        except subprocess.TimeoutExpired:
            rc = None
        check(rc == 1, "no desktop view: exit code 1 (%r)" % (rc,))
        code, out = twctl("msgbox", "--keep", "--timeout", "2")
        check(code == 3, "no desktop view: no message box (%r %r)" % (code, out))

    # The autorun start ("-d") waits 5 s before it looks for the desktop.
    with settings(showdialog=0), running() as started:
        standin = StandIn()
        started.append(standin)
        player = Player(PLAYER, "-d")
        started.append(player)
        # Counted from when the process exists: the program's own wait starts after that.
        check(player.started() and holds_for(lambda: find_player() is None, 4),
              "-d: no window within 4 s")
        check(wait_shown() is not None, "-d: the window comes after the wait")
        check(end_player(player) == 0, "-d: closes with exit code 0")

    # The view under a "WorkerW" is found past an empty one.
    with settings(showdialog=0), running() as started:
        standin = StandIn("workerw")
        started.append(standin)
        player = Player()
        started.append(player)
        win = wait_shown()
        check(win is not None and win["parent_class"] == "SHELLDLL_DefView",
              "the player starts in the view under WorkerW: %r" % (win,))
        check(end_player(player) == 0, "and closes with exit code 0")


def case_settings():
    # Odd stored values: out-of-range, wrong types and sizes. The player runs and shows the
    # scene (an unknown picture position falls back to fill).
    odd = dict(picpos=7, sleep=(4, "05"), mute=(1, "6f006e000000"), volume=(11, "3200000000000000"),
               smoothing=(3, "0100000000"), showdialog=0)
    with settings(**odd), running() as started:
        standin = StandIn()
        started.append(standin)
        player = Player()
        started.append(player)
        win = wait_shown()
        check(win is not None, "odd values: the player starts")
        if win:
            area = clear_area(win["rect"])
            def drawn():
                shot = screenshot()
                return not region_is(shot, area, (0, 0, 0), 8)[0] and \
                    not region_is(shot, area, DESKTOP_COLOUR, 8)[0]
            check(wait_for(drawn, 20), "odd values: the scene is drawn")
            save(screenshot(), "player-odd-settings.png")
        check(holds_for(lambda: player.poll() is None, 2), "odd values: still running after 2 s")
        check(twctl("get", "picpos") == (0, "dword 7"), "odd values: a stored value is not rewritten")
        check(end_player(player) == 0, "odd values: closes with exit code 0")

    # Hostile "Sleep time": huge frame intervals. The player starts, stops, resumes and
    # closes without crashing or hanging.
    for sleep in (0xFFFFFFFF, 0x80000000, 65536):
        with settings(sleep=sleep, showdialog=0), running() as started:
            standin = StandIn()
            started.append(standin)
            player = Player()
            started.append(player)
            win = wait_shown()
            check(win is not None, "Sleep time %#x: the player starts" % sleep)
            # A second of frames at that interval, then the requests.
            ran = holds_for(lambda: player.poll() is None, 1)
            check(twctl("stop")[0] == 0 and twctl("resume")[0] == 0,
                  "Sleep time %#x: answers stop and resume" % sleep)
            check(ran and player.poll() is None, "Sleep time %#x: still running" % sleep)
            check(end_player(player) == 0, "Sleep time %#x: closes with exit code 0" % sleep)


def case_reset():
    with settings(picpos=0, showdialog=0), running() as started:
        standin = StandIn()
        started.append(standin)
        player = Player()
        started.append(player)
        win = wait_shown()
        if not check(win is not None, "player window shown"):
            return
        full = win["rect"]
        check(wait_for(lambda: first_slide_shown(screenshot(), full)[0], 20),
              "first slide before the resize")

        # A smaller window: the device is reset for its new client size and the frames go on,
        # stretched into the new window; the desktop shows beside it.
        small = (0, 0, full[2] // 2, full[3] // 2)
        check(twctl("resize", small[2], small[3])[0] == 0, "player window resized")
        shown = wait_for(lambda: first_slide_shown(screenshot(), small)[0], 20)
        shot = screenshot()
        save(shot, "player-resized.png")
        check(shown, "after the reset the first slide fills the smaller window: " +
              first_slide_shown(shot, small)[1])
        # The stand-in repaints what the window no longer covers. Under Wine that repaint,
        # for a view uncovered by another process's child window, is now and then missed
        # and the old frame stays on the X screen; the view is then asked to repaint once.
        # The desktop can show only where the player's window no longer is.
        beside = (full[2] // 2 + 40, full[3] // 2 + 40, full[2] // 4, full[3] // 4)
        desktop_beside = lambda: region_is(screenshot(), beside, DESKTOP_COLOUR)[0]
        if not wait_for(desktop_beside, 5):
            print("note  the uncovered view was not repainted; it is asked to", flush=True)
            twctl("repaint")
            wait_for(desktop_beside, 5)
        same, got = region_is(screenshot(), beside, DESKTOP_COLOUR)
        check(same, "the desktop shows beside it: %r" % (got,))
        moved = wait_for(lambda: difference(shot, screenshot(), small) > 12, 25,
                                interval=0.5)
        check(moved, "the scene goes on moving after the reset")

        # Back to the full size: a second reset.
        check(twctl("resize", full[2], full[3])[0] == 0, "player window resized back")
        drawn = lambda: not region_is(screenshot(), beside, DESKTOP_COLOUR, 10)[0]
        check(wait_for(drawn, 20), "after the second reset the window is drawn whole")
        save(screenshot(), "player-resized-back.png")
        check(player.poll() is None, "the player still runs")
        check(end_player(player) == 0, "closes with exit code 0")


CASES = {"startup": case_startup, "stop_resume": case_stop_resume, "failures": case_failures,
         "settings": case_settings, "reset": case_reset}


def main():
    names = sys.argv[1:] or list(CASES)
    for name in names:
        print("== " + name, flush=True)
        CASES[name]()
    return twtest.finish()


if __name__ == "__main__":
    sys.exit(main())
