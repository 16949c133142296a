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
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "shell"))
import twtest  # noqa: E402
from player_e2e import Player  # noqa: E402

XP = "--xp" in sys.argv
PLAYER = "tarnwick.exe"
failures = []
URL_RECORD = os.path.join(tempfile.gettempdir(), "tw_icons_url.txt")


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        failures.append(what)
    return cond


def tool(exe, *args, timeout=30):
    # A tool that gets no answer in time counts as a failed look; the callers poll again.
    try:
        r = twtest.run(exe, *args, timeout=timeout)
    except subprocess.TimeoutExpired:
        print("timed out:", exe, *args, flush=True)
        return None, ""
    return r.returncode, r.stdout.strip()


def probe(*args):
    return tool("icons_probe.exe", *[str(a) for a in args])


def twctl(*args):
    return tool("twctl.exe", *[str(a) for a in args])


def reg_get(name, key=None):
    args = ["get", name] + (["--key", key] if key else [])
    code, out = twctl(*args)
    if code != 0 or not out.startswith("dword"):
        return out if code == 0 else None
    return int(out.split()[1])


class Standin:
    """The stand-in desktop, read through its own report file: no message of ours reaches
    its list view, so a look at it never waits on its thread."""

    def __init__(self, work):
        self.path = os.path.join(work, "desktop.txt")
        self.seq = 0
        self.proc = twtest.start("desktop_standin.exe", "--report", twtest.win_path(self.path))

    def _read(self, timeout):
        def ready():
            try:
                with open(self.path, encoding="utf-8") as f:
                    lines = f.read().splitlines()
            except OSError:
                return None
            if not lines or lines[-1] != "end" or int(lines[0].split()[1]) <= self.seq:
                return None
            return lines
        lines = twtest.wait_for(ready, timeout, 0.1)
        if not lines:
            return None
        rep = {"items": {}, "children": []}
        for index, line in enumerate(l for l in lines if l.startswith("icon ")):
            f = line.split(" ", 3)
            rep["items"][f[3]] = (index, int(f[1]), int(f[2]))
        for line in lines:
            f = line.split(" ")
            if f[0] == "seq":
                self.seq = int(f[1])
            elif f[0] == "listview":
                rep["exstyle"] = int(f[5], 16)
                rep["count"] = int(f[7])
            elif f[0] == "child":
                rep["children"].append((f[2], int(f[4])))
        rep["visible"] = next((v for c, v in rep["children"] if c == "SysListView32"), 0)
        return rep

    def started(self):
        return self._read(60)

    def report(self):
        with open(self.path + ".req.tmp", "w") as f:
            f.write("report")
        os.replace(self.path + ".req.tmp", self.path + ".req")
        return self._read(30)

    def stop(self):
        if self.proc.poll() is None:
            with open(self.path + ".req", "w") as f:
                f.write("quit")
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()


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


# Places of the scene where no icon, dialog or balloon lies: while they stay the same, the scene
# did not change between two screenshots (the demo show moves on from slide to slide).
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


def same_scene(a, b):
    return all(changed_pixels(a, b, box) < 20 for box in CONTROL_BOXES)


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
    return twtest.wait_for(there, 60, 0.5) and player.poll() is None


def end_player(player, how):
    """Ends the player (`how`: a function that asks it to) and returns its exit code, or None
    when it had to be killed."""
    if player is None or player.poll() is not None:
        return player.poll() if player else None
    how()
    try:
        return player.wait(timeout=30)
    except subprocess.TimeoutExpired:
        player.kill()
        return None


def set_defaults():
    for name, value in (("showdialog", 1), ("smoothing", 0), ("picpos", 2), ("mute", 1),
                        ("volume", 100), ("sleep", 1)):
        twctl("set", name, value)
    twctl("delete", "autorun", "--key", "run")


def main_road(work, out_dir):
    standin = Standin(work)
    player = None
    try:
        explorer = standin.started()
        if not check(explorer is not None, "stand-in up"):
            return
        names = [n for n, _ in twtest.DESKTOP_ITEMS]
        check(all(n in explorer["items"] for n in names), "stand-in lists its icons")
        # The browser command the player starts inherits this and records its command line.
        player = Player(limit=250, env=dict(os.environ, TW_RECORD_FILE=twtest.win_path(URL_RECORD)))
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
        own = twtest.wait_for(lambda: (lambda o: o if placed(o) and all(
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
        # hidden from the menu, back when shown again. The screenshots of one comparison must
        # show the same moment of the scene, so a comparison across a slide change is taken
        # again.
        positions = {n: explorer["items"][n][1:] for n in names}
        time.sleep(1.5)
        for attempt in range(4):
            shown = twtest.screenshot()
            probe("command", 40009)
            gone = twtest.wait_for(lambda: own_visible() == 0, 10)
            time.sleep(1.0)
            hidden = twtest.screenshot()
            unchecked = twtest.wait_for(lambda: control(1017, "checked") == 0, 5)
            probe("command", 40009)
            back = twtest.wait_for(lambda: own_visible() == 1, 10)
            time.sleep(1.0)
            again = twtest.screenshot()
            if same_scene(shown, hidden) and same_scene(hidden, again):
                break
            print("the scene changed between the screenshots; again", flush=True)
        check(gone, "menu's Show desktop icons hides the own list view")
        check(unchecked, "dialog's icons check box follows the menu")
        check(back, "shown again from the menu")
        if out_dir:
            os.makedirs(out_dir, exist_ok=True)
            shown.save_png(os.path.join(out_dir, "icons-shown.png"))
            hidden.save_png(os.path.join(out_dir, "icons-hidden.png"))
        boxes = uncovered({n: label_box(*positions[n]) for n in names}, covering_windows())
        print("labels not covered by other windows:", sorted(boxes))
        lit = {n: label_pixels(shown, hidden, b) for n, b in boxes.items()}
        lit_again = {n: label_pixels(again, hidden, b) for n, b in boxes.items()}
        print("label pixels: shown", {n: len(v) for n, v in lit.items()},
              "again", {n: len(v) for n, v in lit_again.items()})
        check(len(boxes) >= 3 and all(len(v) >= 40 for v in lit.values()),
              "labels drawn over the scene at the stand-in's positions")
        check(len(boxes) >= 3 and all(len(v) >= 40 for v in lit_again.values()),
              "labels back when shown again")
        check(all(changed_pixels(shown, hidden, b) < 20 for b in CONTROL_BOXES),
              "nothing drawn where there are no icons")

        # Icon smoothing. The labels' white pixels are opaque in the icon texture: sampled by
        # nearest point they stay pure white whatever the scene does behind them, as in the
        # screenshot above (smoothing was off); the anisotropic filter blends them with their
        # neighbours, so the scene shows through their edges.
        mute = reg_get("mute")
        probe("command", 40012)
        check(twtest.wait_for(lambda: reg_get("smoothing") == 1, 10), "smoothing on stored")
        check(reg_get("mute") == mute, "smoothing leaves mute as it was")
        time.sleep(1.0)
        smooth = twtest.screenshot()
        probe("command", 40012)
        check(twtest.wait_for(lambda: reg_get("smoothing") == 0, 10), "smoothing off stored")
        time.sleep(1.0)
        sharp = twtest.screenshot()
        if out_dir:
            smooth.save_png(os.path.join(out_dir, "icons-smoothing-on.png"))
            sharp.save_png(os.path.join(out_dir, "icons-smoothing-off.png"))
        still = uncovered({n: label_box(*positions[n]) for n in lit}, covering_windows())
        pixels = [p for n in still for p in lit[n] if white(shown.pixel(*p))]
        kept_on, kept_off = share_white(smooth, pixels), share_white(sharp, pixels)
        print("white label pixels (%d) still white: smoothing on %.2f, off %.2f" %
              (len(pixels), kept_on, kept_off))
        check(len(pixels) >= 20 and kept_off >= 0.9 and kept_on <= kept_off - 0.3,
              "point sampling without smoothing, filtered with it")

        # Dragging: the user drags Notes.txt in the player's view; the drop moves it there,
        # and the next frame writes the new place into Explorer's list view.
        index = own["items"]["Notes.txt"][0]
        probe("drag", index, 200, 100)
        time.sleep(0.5)
        target = (positions["Notes.txt"][0] + 200, positions["Notes.txt"][1] + 100)
        now = (items("own") or own)["items"]["Notes.txt"][1:]
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
        check(twtest.wait_for(written_back, 15),
              "a dragged icon's new place is written back to Explorer's list view")

        # The tray menu opens on the button-up callbacks only.
        for msg, opens in ((0x200, False), (0x201, False), (0x203, False), (0x206, False),
                           (0x202, True), (0x205, True)):
            probe("tray", msg)
            got = twtest.wait_for(lambda: menus_open() > 0, 3 if opens else 1.5)
            check(bool(got) == opens, "tray message 0x%x %s the menu" %
                  (msg, "opens" if opens else "does not open"))
            probe("closemenu")
            twtest.wait_for(lambda: menus_open() == 0, 5)

        # Picture position from the menu: stored and shown in the dialog's combo.
        for cmd, pos in ((40014, 0), (40015, 1), (40016, 2)):
            probe("command", cmd)
            check(twtest.wait_for(lambda: reg_get("picpos") == pos, 10),
                  "menu command %d stores PicPos %d" % (cmd, pos))
            check(twtest.wait_for(lambda: control(1032, "sel") == pos, 5),
                  "dialog's picture position follows (%d)" % pos)

        # The settings dialog, driven as a user's clicks would drive it.
        d = dialog()
        if check(d is not None, "settings dialog exists"):
            check(d["visible"] == 1, "dialog shown at start (Show dialog 1)")
            check(d["controls"][1009]["text"] == "Don\u2019t show this at startup", "dialog texts")
            check(d["controls"][1020]["pos"] == 100, "volume trackbar at the stored volume")
            probe("click", 1009)
            check(twtest.wait_for(lambda: reg_get("showdialog") == 0, 5),
                  "Don't show checked writes Show dialog 0")
            probe("click", 1009)
            check(twtest.wait_for(lambda: reg_get("showdialog") == 1, 5),
                  "unchecked writes Show dialog 1")
            probe("click", 1007)
            run = twtest.wait_for(lambda: reg_get("autorun", "run"), 5)
            check(isinstance(run, str) and run.endswith('" -d') and PLAYER in run.lower(),
                  "autorun writes the Run value (%r)" % (run,))
            probe("click", 1007)
            check(twtest.wait_for(lambda: reg_get("autorun", "run") is None, 5),
                  "autorun off deletes the Run value")
            before = reg_get("mute")
            probe("click", 1016)
            check(twtest.wait_for(lambda: reg_get("mute") == 1 - before, 5),
                  "mute check box toggles mute")
            probe("click", 1016)
            probe("combo", 1022, 0, 1)  # CBN_SELCHANGE: nothing yet
            time.sleep(0.5)
            check(reg_get("sleep") == 1, "priority combo ignores CBN_SELCHANGE")
            probe("combo", 1022, 0, 9)  # CBN_SELENDOK
            check(twtest.wait_for(lambda: reg_get("sleep") == 0, 5),
                  "priority combo stores on CBN_SELENDOK")
            probe("combo", 1032, 1, 10)  # CBN_SELENDCANCEL
            time.sleep(0.5)
            check(reg_get("picpos") == 2, "picture combo ignores a cancelled selection")
            probe("combo", 1032, 1, 9)
            check(twtest.wait_for(lambda: reg_get("picpos") == 1, 5),
                  "picture combo stores on CBN_SELENDOK")
            probe("volume", 40)
            check(twtest.wait_for(lambda: reg_get("volume") == 40, 5),
                  "volume trackbar stores the volume")
            probe("click", 1017)
            check(twtest.wait_for(lambda: own_visible() == 0, 5), "icons check box hides the icons")
            probe("click", 1017)
            check(twtest.wait_for(lambda: own_visible() == 1, 5), "icons check box shows them again")
            probe("click", 2)
            check(twtest.wait_for(lambda: (dialog() or {}).get("visible") == 0, 5),
                  "Hide this window hides the dialog")
            probe("command", 40008)
            check(twtest.wait_for(lambda: (dialog() or {}).get("visible") == 1, 5),
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
                opened = twtest.wait_for(lambda: os.path.exists(URL_RECORD), 20)
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
        standin.stop()


def xp_road(work):
    # Only the player sees Windows XP: an override for its image name, removed afterwards.
    key = "HKCU\\Software\\Wine\\AppDefaults\\" + PLAYER
    subprocess.run(["wine64", "reg", "add", key, "/v", "Version", "/d", "winxp64", "/f"],
                   capture_output=True, timeout=60)
    standin = Standin(work)
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
        check(twtest.wait_for(regional, 60), "LVS_EX_REGIONAL set at start")
        check(twtest.wait_for(lambda: probe("zorder")[1].endswith("below 0"), 10),
              "player window at the bottom of its siblings (%s)" % probe("zorder")[1])
        check(probe("items", "own")[0] == 2, "no own icon view on Windows 5.x")
        probe("command", 40009)
        check(twtest.wait_for(lambda: explorer_visible() == 0, 10),
              "icon toggle hides Explorer's list view")
        probe("command", 40009)
        check(twtest.wait_for(lambda: explorer_visible() == 1, 10), "and shows it again")
        twctl("stop")
        check(twtest.wait_for(lambda: not regional(), 10), "LVS_EX_REGIONAL cleared on stop")
        twctl("resume")
        check(twtest.wait_for(regional, 10), "LVS_EX_REGIONAL set again on resume")
        check(twtest.wait_for(lambda: probe("zorder")[1].endswith("below 0"), 10),
              "window at the bottom after resume")
        code = end_player(player, lambda: twctl("close"))
        check(code == 0, "player ends with 0 (got %r)" % (code,))
        check(not regional(), "LVS_EX_REGIONAL cleared at exit")
    finally:
        end_player(player, lambda: twctl("close"))
        standin.stop()
        subprocess.run(["wine64", "reg", "delete", key, "/f"], capture_output=True, timeout=60)


def main():
    if not os.path.exists(os.path.join(twtest.BIN, PLAYER)):
        print("skipped: the player is not built:", os.path.join(twtest.BIN, PLAYER))
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
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
