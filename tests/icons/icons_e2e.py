"""The player's desktop icons, tray menu and settings dialog, end to end: the player runs in
the stand-in desktop's icon view, a second process acts as the user (tray callbacks, menu
commands, dialog clicks), and the checks look at what a user would see: the X screen, the
stand-in's list view, the registry.

    icons_e2e.py            the icon layer, tray and dialog (Windows versions after 5.x)
    icons_e2e.py --xp       the Windows 5.x road: Explorer's own list view over the player
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "pylib"))
import twtest  # noqa: E402
from twtest import (PLAYER, STILL_PLAYER, Player, StandIn, check, end_player, holds_for,  # noqa: E402
                    reg_get, twctl, wait_for)

XP = "--xp" in sys.argv
URL_RECORD = os.path.join(tempfile.gettempdir(), "tw_icons_url.txt")


def probe(*args):
    return twtest.tool("icons_probe.exe", *args, timeout=30)


def items(which):
    """The own list view (or, for "standin", the stand-in's, read through list-view messages)."""
    code, out = probe("items", which)
    if code != 0:
        return None
    lines = out.splitlines()
    head = lines[0].split()
    result = {"visible": int(head[3]), "exstyle": int(head[5], 16), "count": int(head[7]),
              "items": {}}
    for line in lines[1:]:
        f = line.split(" ", 4)
        result["items"][f[4]] = (int(f[1]), int(f[2]), int(f[3]))  # index, x, y
    return result


def own_visible():
    own = items("own")
    return own["visible"] if own else None


def dialog():
    code, out = probe("dialog")
    if code != 0:
        return None
    lines = out.splitlines()
    d = {"visible": int(lines[0].split()[3]), "controls": {}}
    for line in lines[1:]:
        f = line.split(" ", 9)
        d["controls"][int(f[1])] = {"checked": int(f[3]), "sel": int(f[5]), "pos": int(f[7]),
                                    "text": f[9] if len(f) > 9 else ""}
    return d


def control(id, field):
    d = dialog()
    return d["controls"][id][field] if d and id in d["controls"] else None


def menus_open():
    code, out = probe("menu")
    return int(out.split()[2]) if code == 0 else -1


def luma_sum(p):
    return p[0] + p[1] + p[2]


def label_box(x, y):
    # An icon's label lies under its 32-pixel icon, centred on it.
    return (x - 16, y + 32, x + 64, y + 64)


# Places of the scene where no icon, dialog or balloon lies. The still player shows the same
# picture in every frame, so nothing there may change while the icons come and go.
CONTROL_BOXES = [(300, 150, 380, 182), (200, 560, 280, 592), (1000, 600, 1080, 632),
                 (1100, 300, 1180, 332)]


def changed_pixels(a, b, box, threshold=30):
    x0, y0, x1, y1 = box
    return sum(1 for y in range(max(0, y0), min(a.height, y1))
               for x in range(max(0, x0), min(a.width, x1))
               if abs(luma_sum(a.pixel(x, y)) - luma_sum(b.pixel(x, y))) > threshold)


def label_pixels(over, under, box):
    """The pixels of a box that a white label makes clearly brighter: `over` is the screen
    with the icons, `under` the same moment of the scene without them."""
    x0, y0, x1, y1 = box
    return [(x, y) for y in range(max(0, y0), min(over.height, y1))
            for x in range(max(0, x0), min(over.width, x1))
            if luma_sum(over.pixel(x, y)) - luma_sum(under.pixel(x, y)) > 120]


def white(p):
    return min(p) >= 250


def share_white(shot, pixels):
    """The share of `pixels` that are white in the screenshot."""
    return sum(1 for x, y in pixels if white(shot.pixel(x, y))) / len(pixels) if pixels else 0.0


def same_in(a, b, boxes):
    return all(changed_pixels(a, b, box) < 20 for box in boxes)


def settled_screenshot(condition, boxes, timeout):
    """Screenshots until one satisfies condition(shot) and agrees with the one before it in
    the boxes: a frame that was presented whole and stays. Returns (ok, shot, seconds taken)."""
    t0 = time.monotonic()
    previous = [None]

    def good(shot):
        ok = previous[0] is not None and condition(shot) and same_in(previous[0], shot, boxes)
        previous[0] = shot
        return ok
    ok, shot = twtest.screenshot_when(good, timeout)
    return ok, shot, time.monotonic() - t0


def covering_windows():
    """Rectangles of the other visible top-level windows (the dialog, a tray balloon) that
    may lie over the icons."""
    code, out = probe("toplevels")
    rects = []
    for line in out.splitlines() if code == 0 else []:
        # "window CLASS X Y W H": the class may hold spaces or be empty (a window that
        # went away while it was listed), so the rectangle is read from the end.
        f = line.split()
        if len(f) < 5 or f[0] != "window":
            continue
        x, y, w, h = (int(v) for v in f[-4:])
        if w < 1200:  # not the stand-in's full-screen windows
            rects.append((x, y, x + w, y + h))
    return rects


def uncovered(boxes, rects):
    def overlaps(a, b):
        return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
    return {n: b for n, b in boxes.items() if not any(overlaps(b, r) for r in rects)}


def player_in_view(standin, player):
    """Waits until the player's window is a child of the stand-in's icon view."""
    def there():
        if player.poll() is not None:
            return True  # ended: nothing to wait for
        rep = standin.report()
        return rep is not None and any(c == "TarnwickWnd" for c, _ in rep["children"])
    return wait_for(there, 60, 0.5) and player.poll() is None


def set_defaults():
    for name, value in (("showdialog", 1), ("smoothing", 0), ("picpos", 2), ("mute", 1),
                        ("volume", 100), ("sleep", 1)):
        twctl("set", name, value)
    twctl("delete", "autorun", "--key", "run")


def main_road(work, out_dir):
    standin = StandIn(folder=work)
    player = None
    try:
        explorer = standin.started()
        if not check(explorer is not None, "stand-in up"):
            return
        names = [n for n, _ in twtest.DESKTOP_ITEMS]
        check(all(n in explorer["items"] for n in names), "stand-in lists its icons")
        # The browser command the player starts inherits this and records its command line.
        player = Player(STILL_PLAYER, limit=250,
                        env=dict(os.environ, TW_RECORD_FILE=twtest.win_path(URL_RECORD)))
        if not check(player_in_view(standin, player), "player window inside the stand-in's view"):
            return

        # The own view lists the Desktop folder; its items take Explorer's places, and the
        # ones Explorer does not list (My Computer...) are parked far outside the view. The
        # probe reads item after item while the player runs, so it waits for one read that
        # sees every item in place.
        def placed(own):
            return own and all(n in own["items"] and own["items"][n][1:] ==
                               explorer["items"][n][1:] for n in names)

        def parked(own):
            return [n for n in own["items"] if n not in explorer["items"]]
        own = wait_for(lambda: (lambda o: o if placed(o) and all(
            o["items"][n][1:] == (10000, 10000) for n in parked(o)) else None)(items("own")),
            60, 0.5)
        if not own:
            last = items("own")
            print("own", last, "explorer", standin.report())
            check(placed(last), "own icons at the stand-in's positions")
            check(False, "items Explorer does not list are parked at (10000, 10000)")
            return
        check(True, "own icons at the stand-in's positions")
        print("own items Explorer does not list:", parked(own))
        check(len(parked(own)) > 0, "items Explorer does not list are parked at (10000, 10000)")

        # Icons over the scene: white labels where the stand-in has its icons; gone when
        # hidden from the menu, back when shown again. The still player draws the same
        # picture in every frame, so screenshots seconds apart compare pixel for pixel; each
        # is taken once the screen shows the state it stands for (a frame that stays), which
        # under load may take a good while after the list view changed.
        positions = {n: explorer["items"][n][1:] for n in names}
        boxes = uncovered({n: label_box(*positions[n]) for n in names}, covering_windows())
        print("labels not covered by other windows:", sorted(boxes))
        watched = list(boxes.values()) + CONTROL_BOXES

        def labels_in(over, under):
            return {n: label_pixels(over, under, b) for n, b in boxes.items()}

        def all_lit(lit):
            return len(boxes) >= 3 and all(len(v) >= 40 for v in lit.values())

        # The labels are pure white (sampled by nearest point) and the still picture holds no
        # pure white, so they are there once every box shows some.
        def labels_white(shot):
            return all(sum(1 for y in range(b[1], b[3]) for x in range(b[0], b[2])
                           if white(shot.pixel(x, y))) >= 8 for b in boxes.values())
        drawn, shown, took = settled_screenshot(labels_white, watched, 30)
        print("icons drawn and settled after %.1f s more" % took, flush=True)
        probe("command", 40009)
        gone = wait_for(lambda: own_visible() == 0, 10)
        off, hidden, took = settled_screenshot(lambda shot: all_lit(labels_in(shown, shot)), watched, 30)
        print("labels gone from the screen %.1f s after the list view was hidden" % took, flush=True)
        unchecked = wait_for(lambda: control(1017, "checked") == 0, 5)
        probe("command", 40009)
        back = wait_for(lambda: own_visible() == 1, 10)
        on, again, took = settled_screenshot(lambda shot: all_lit(labels_in(shot, hidden)), watched, 30)
        print("labels back on the screen %.1f s after the list view was shown" % took, flush=True)
        check(gone, "menu's Show desktop icons hides the own list view")
        check(unchecked, "dialog's icons check box follows the menu")
        check(back, "shown again from the menu")
        if out_dir:
            os.makedirs(out_dir, exist_ok=True)
            shown.save_png(os.path.join(out_dir, "icons-shown.png"))
            hidden.save_png(os.path.join(out_dir, "icons-hidden.png"))
            again.save_png(os.path.join(out_dir, "icons-shown-again.png"))
        # A window that came up meanwhile (a tray balloon) hides what lies under it.
        boxes = uncovered(boxes, covering_windows())
        lit, lit_again = labels_in(shown, hidden), labels_in(again, hidden)
        print("label pixels: shown", {n: len(v) for n, v in lit.items()},
              "again", {n: len(v) for n, v in lit_again.items()})
        check(drawn and all_lit(lit), "labels drawn over the scene at the stand-in's positions")
        check(all_lit(lit_again), "labels back when shown again")
        check(same_in(shown, hidden, CONTROL_BOXES) and same_in(hidden, again, CONTROL_BOXES),
              "nothing drawn where there are no icons")

        # Icon smoothing. The labels' white pixels are opaque in the icon texture: sampled by
        # nearest point they stay pure white whatever the scene does behind them, as in the
        # screenshot above (smoothing was off); the anisotropic filter blends them with their
        # neighbours, so the scene shows through their edges.
        # A label pixel is white in both screenshots with the labels shown; white that was
        # in only one of them belonged to a window (a tray balloon) that came and went.
        pixels = [p for n in boxes for p in lit[n]
                  if white(shown.pixel(*p)) and white(again.pixel(*p))]
        held = {}

        def shared(shot):
            # Only the pixels no window lies over when the shot is taken count.
            rects = covering_windows()
            held[id(shot)] = share_white(shot, [p for p in pixels if not any(
                r[0] <= p[0] < r[2] and r[1] <= p[1] < r[3] for r in rects)])
            return held[id(shot)]
        mute = reg_get("mute")
        probe("command", 40012)
        check(wait_for(lambda: reg_get("smoothing") == 1, 10), "smoothing on stored")
        check(reg_get("mute") == mute, "smoothing leaves mute as it was")
        _, smooth = twtest.screenshot_when(lambda shot: shared(shot) <= 0.6, 30)
        probe("command", 40012)
        check(wait_for(lambda: reg_get("smoothing") == 0, 10), "smoothing off stored")
        _, sharp = twtest.screenshot_when(lambda shot: shared(shot) >= 0.9, 30)
        if out_dir:
            smooth.save_png(os.path.join(out_dir, "icons-smoothing-on.png"))
            sharp.save_png(os.path.join(out_dir, "icons-smoothing-off.png"))
        kept_on, kept_off = held[id(smooth)], held[id(sharp)]
        print("white label pixels (%d) still white: smoothing on %.2f, off %.2f" %
              (len(pixels), kept_on, kept_off))
        check(len(pixels) >= 20 and kept_off >= 0.9 and kept_on <= kept_off - 0.3,
              "point sampling without smoothing, filtered with it")

        # Dragging: the user drags Notes.txt in the player's view; the drop moves it there,
        # and the next frame writes the new place into Explorer's list view.
        index = own["items"]["Notes.txt"][0]
        probe("drag", index, 200, 100)
        target = (positions["Notes.txt"][0] + 200, positions["Notes.txt"][1] + 100)

        def notes_place():
            now = items("own")
            return now["items"]["Notes.txt"][1:] if now and "Notes.txt" in now["items"] else None
        wait_for(lambda: notes_place() not in (None, positions["Notes.txt"]), 5)
        now = notes_place() or positions["Notes.txt"]
        if now == positions["Notes.txt"]:
            # Wine's drop onto the same folder leaves the icon where it was; the move is the
            # drop's part, made here as the view would make it.
            print("the drop left the icon in place; moved as the view would move it")
            probe("setpos", "own", index, *target)
        else:
            target = now
        def written_back():
            rep = standin.report()
            return rep is not None and rep["items"]["Notes.txt"][1:] == tuple(target)
        check(wait_for(written_back, 15),
              "a dragged icon's new place is written back to Explorer's list view")

        # The tray menu opens on the button-up callbacks only.
        for msg, opens in ((0x200, False), (0x201, False), (0x203, False), (0x206, False),
                           (0x202, True), (0x205, True)):
            if opens:
                got = probe("tray", msg)[0] == 0 and wait_for(lambda: menus_open() > 0, 10)
            else:
                # Sent: the player has handled it when the probe returns, and the window
                # for a menu to show starts there.
                got = probe("tray", msg, "--send")[0] != 0 or not holds_for(lambda: menus_open() == 0, 1.5)
            check(bool(got) == opens, "tray message 0x%x %s the menu" %
                  (msg, "opens" if opens else "does not open"))
            probe("closemenu")
            wait_for(lambda: menus_open() == 0, 5)

        # Picture position from the menu: stored and shown in the dialog's combo.
        for cmd, pos in ((40014, 0), (40015, 1), (40016, 2)):
            probe("command", cmd)
            check(wait_for(lambda: reg_get("picpos") == pos, 10),
                  "menu command %d stores PicPos %d" % (cmd, pos))
            check(wait_for(lambda: control(1032, "sel") == pos, 5),
                  "dialog's picture position follows (%d)" % pos)

        # The settings dialog, driven as a user's clicks would drive it.
        d = dialog()
        if check(d is not None, "settings dialog exists"):
            check(d["visible"] == 1, "dialog shown at start (Show dialog 1)")
            check(d["controls"][1009]["text"] == "Don\u2019t show this at startup", "dialog texts")
            check(d["controls"][1020]["pos"] == 100, "volume trackbar at the stored volume")
            probe("click", 1009)
            check(wait_for(lambda: reg_get("showdialog") == 0, 5),
                  "Don't show checked writes Show dialog 0")
            probe("click", 1009)
            check(wait_for(lambda: reg_get("showdialog") == 1, 5),
                  "unchecked writes Show dialog 1")
            probe("click", 1007)
            run = wait_for(lambda: reg_get("autorun", "run"), 5)
            # The program that runs, quoted, with the autorun start's switch.
            expected = 'sz "%s" -d' % twtest.win_path(os.path.join(twtest.BIN, STILL_PLAYER))
            check(isinstance(run, str) and run.lower() == expected.lower(),
                  "autorun writes the Run value (%r)" % (run,))
            probe("click", 1007)
            check(wait_for(lambda: reg_get("autorun", "run") is None, 5),
                  "autorun off deletes the Run value")
            before = reg_get("mute")
            probe("click", 1016)
            check(wait_for(lambda: reg_get("mute") == 1 - before, 5),
                  "mute check box toggles mute")
            probe("click", 1016)
            # The probe sends the notifications: the dialog has handled one when it returns.
            probe("combo", 1022, 0, 1)  # CBN_SELCHANGE: nothing yet
            check(holds_for(lambda: reg_get("sleep") == 1, 1.0), "priority combo ignores CBN_SELCHANGE")
            probe("combo", 1022, 0, 9)  # CBN_SELENDOK
            check(wait_for(lambda: reg_get("sleep") == 0, 5),
                  "priority combo stores on CBN_SELENDOK")
            probe("combo", 1032, 1, 10)  # CBN_SELENDCANCEL
            check(holds_for(lambda: reg_get("picpos") == 2, 1.0),
                  "picture combo ignores a cancelled selection")
            probe("combo", 1032, 1, 9)
            check(wait_for(lambda: reg_get("picpos") == 1, 5),
                  "picture combo stores on CBN_SELENDOK")
            probe("volume", 40)
            check(wait_for(lambda: reg_get("volume") == 40, 5),
                  "volume trackbar stores the volume")
            probe("click", 1017)
            check(wait_for(lambda: own_visible() == 0, 5), "icons check box hides the icons")
            probe("click", 1017)
            check(wait_for(lambda: own_visible() == 1, 5), "icons check box shows them again")
            probe("click", 2)
            check(wait_for(lambda: (dialog() or {}).get("visible") == 0, 5),
                  "Hide this window hides the dialog")
            probe("command", 40008)
            check(wait_for(lambda: (dialog() or {}).get("visible") == 1, 5),
                  "tray's Settings shows it again")

        # The web links: the menu's "Get more wallpapers" and the dialog's two buttons start
        # the system's browser command (a recorder here) with the gallery and help pages.
        browser = ("--root", "HKCR", "--key", "http\\shell\\open\\command")
        code, before = twctl("get", "@", *browser)
        twctl("set-sz", "@", '"%s" "%%1"' % twtest.win_path(os.path.join(twtest.BIN, "url_recorder.exe")),
              *browser)
        try:
            for act, what, page in ((("command", 40006), "menu's Get more wallpapers", "/gallery.php?page=wallpaper&"),
                                    (("click", 1004), "dialog's gallery button", "/gallery.php?page=wallpaper&"),
                                    (("click", 1005), "dialog's help button", "/faq.php?product=quorvel&")):
                if os.path.exists(URL_RECORD):
                    os.remove(URL_RECORD)
                probe(*act)
                opened = wait_for(lambda: os.path.exists(URL_RECORD), 20)
                line = open(URL_RECORD, encoding="utf-16-le").read() if opened else ""
                check(page in line, "%s opens %s (%r)" % (what, page, line[-120:]))
        finally:
            if code == 0 and before.startswith("sz "):
                twctl("set-sz", "@", before[3:], *browser)
            else:
                twctl("delete", "@", *browser)

        # Exit from the menu ends the player cleanly.
        code = end_player(player, lambda: probe("command", 40001))
        check(code == 0, "Exit ends the player with exit code 0 (got %r)" % (code,))
    finally:
        end_player(player, lambda: twctl("close"))
        standin.close()


def xp_road(work):
    # Only the player sees Windows XP: an override for its image name, removed afterwards.
    key = "HKCU\\Software\\Wine\\AppDefaults\\" + PLAYER
    subprocess.run(["wine64", "reg", "add", key, "/v", "Version", "/d", "winxp64", "/f"],
                   capture_output=True, timeout=60)
    standin = StandIn(folder=work)
    player = None
    try:
        if not check(standin.started() is not None, "stand-in up"):
            return
        player = Player()
        check(player_in_view(standin, player), "player window inside the stand-in's view")

        def regional():
            rep = standin.report()
            return rep is not None and rep["exstyle"] & 0x200 != 0

        def explorer_visible():
            rep = standin.report()
            return rep["visible"] if rep else None
        check(wait_for(regional, 60), "LVS_EX_REGIONAL set at start")
        check(wait_for(lambda: probe("zorder")[1].endswith("below 0"), 10),
              "player window at the bottom of its siblings (%s)" % probe("zorder")[1])
        check(probe("items", "own")[0] == 2, "no own icon view on Windows 5.x")
        probe("command", 40009)
        check(wait_for(lambda: explorer_visible() == 0, 10),
              "icon toggle hides Explorer's list view")
        probe("command", 40009)
        check(wait_for(lambda: explorer_visible() == 1, 10), "and shows it again")
        twctl("stop")
        check(wait_for(lambda: not regional(), 10), "LVS_EX_REGIONAL cleared on stop")
        twctl("resume")
        check(wait_for(regional, 10), "LVS_EX_REGIONAL set again on resume")
        check(wait_for(lambda: probe("zorder")[1].endswith("below 0"), 10),
              "window at the bottom after resume")
        code = end_player(player, lambda: twctl("close"))
        check(code == 0, "player ends with 0 (got %r)" % (code,))
        check(not regional(), "LVS_EX_REGIONAL cleared at exit")
    finally:
        end_player(player, lambda: twctl("close"))
        standin.close()
        subprocess.run(["wine64", "reg", "delete", key, "/f"], capture_output=True, timeout=60)


def main():
    exe = os.path.join(twtest.BIN, PLAYER if XP else STILL_PLAYER)
    if not os.path.exists(exe):
        print("skipped: the player is not built:", exe)
        return 77
    set_defaults()
    work = tempfile.mkdtemp()
    try:
        with twtest.desktop_items():
            if XP:
                xp_road(work)
            else:
                main_road(work, os.environ.get("TW_OUT"))
    finally:
        set_defaults()
        shutil.rmtree(work, ignore_errors=True)
    return twtest.finish()


if __name__ == "__main__":
    sys.exit(main())
