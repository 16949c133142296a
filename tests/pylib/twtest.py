"""Helpers for end-to-end tests that run inside the Debian 13 root: Windows programs under
Wine, the tools that look at them (twctl, the desktop stand-in), screenshots of the virtual
X screen, checks, and polling with deadlines.

Waiting: a test never sleeps and then looks. It polls for what it waits for until a deadline
(wait_for), and a check that something does not happen polls for a whole window that starts
once the state it guards was seen (holds_for): on a loaded machine a fixed sleep is either
too short or says nothing."""
import atexit
import contextlib
import os
import select
import shutil
import subprocess
import tempfile
import time

BIN = os.environ.get("TW_BIN", "")
SOURCE = os.environ.get("TW_SOURCE", os.path.dirname(os.path.dirname(os.path.dirname(__file__))))
# Report files and other scratch of one test script.
WORK = tempfile.mkdtemp(prefix="tw-e2e-")
atexit.register(shutil.rmtree, WORK, True)


def win_path(path):
    """The Windows view of a Linux path (Wine maps / to Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start(exe, *args, **kw):
    """Starts a Windows program of the build under Wine; returns the Popen."""
    return subprocess.Popen(["wine64", os.path.join(BIN, exe), *args], **kw)


def run(exe, *args, timeout=60, **kw):
    return subprocess.run(["wine64", os.path.join(BIN, exe), *args], timeout=timeout,
                          capture_output=True, text=True, **kw)


# The stand-in desktop's icons (tools/desktop): the same names are put on the prefix's
# Desktop folder so that the player's own view of that folder lists them too. Folders where
# the stand-in shows folders.
DESKTOP_ITEMS = [("Recycle Bin", True), ("Documents", True), ("Notes.txt", False),
                 ("Holiday Photos", True), ("Readme.html", False)]


def desktop_folder():
    """The Linux path of the Wine prefix's Desktop folder (made when missing)."""
    out = subprocess.run(["wine64", "cmd", "/c", "echo %USERPROFILE%"], capture_output=True,
                         text=True, timeout=60).stdout.strip().splitlines()[-1].strip()
    unix = subprocess.run(["wine64", "winepath", "-u", out + "\\Desktop"], capture_output=True,
                          text=True, timeout=60).stdout.strip()
    os.makedirs(unix, exist_ok=True)
    return unix


@contextlib.contextmanager
def desktop_items():
    """Puts DESKTOP_ITEMS on the Desktop folder for the block; removes the ones it made."""
    folder = desktop_folder()
    made = []
    try:
        for name, is_dir in DESKTOP_ITEMS:
            path = os.path.join(folder, name)
            if not os.path.exists(path):
                os.mkdir(path) if is_dir else open(path, "w").close()
                made.append(path)
        yield folder
    finally:
        for path in made:
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def region_mean(self, x0, y0, x1, y1):
        n = 0
        acc = [0, 0, 0]
        for y in range(y0, y1):
            for x in range(x0, x1):
                p = self.pixel(x, y)
                acc[0] += p[0]; acc[1] += p[1]; acc[2] += p[2]
                n += 1
        return tuple(a / n for a in acc)

    def save_png(self, path):
        ppm = b"P6 %d %d 255\n" % (self.width, self.height) + bytes(self.rgb)
        subprocess.run(["convert", "ppm:-", path], input=ppm, check=True)


def screenshot(tries=4):
    """The whole virtual screen as RGB. xwd now and then fails to read the screen while
    windows change, so it is tried again."""
    for attempt in range(tries - 1):
        try:
            return _screenshot()
        except subprocess.CalledProcessError as e:
            print("screenshot failed (%s); again" % (e.stderr or b"").decode(errors="replace").strip(),
                  flush=True)
            time.sleep(0.3)
    return _screenshot()


def _screenshot():
    xwd = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True).stdout
    ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True,
                         check=True).stdout
    # P6 header: magic, width, height, maxval, separated by whitespace; '#' starts a comment.
    fields = []
    pos = 0
    while len(fields) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        if ppm[pos:pos + 1] == b"#":
            pos = ppm.index(b"\n", pos)
            continue
        start_pos = pos
        while not ppm[pos:pos + 1].isspace():
            pos += 1
        fields.append(ppm[start_pos:pos])
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    return Image(width, height, ppm[pos:pos + width * height * 3])


def wait_for(predicate, timeout, interval=0.2):
    """Polls predicate until it is true or the timeout passes; returns its last value."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(interval)
        value = predicate()
    return value


def holds_for(predicate, seconds, interval=0.2):
    """Whether predicate stays true for `seconds` from now: polled again and again, and once
    more when the window has passed; False as soon as it is false once. The window starts at
    the call, so call it once the state it guards was seen, not when it was asked for."""
    deadline = time.monotonic() + seconds
    while predicate():
        left = deadline - time.monotonic()
        if left <= 0:
            return True
        time.sleep(min(interval, left))
    return False


def close_enough(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


# ---- Checks --------------------------------------------------------------------------------

failures = []
STARTED = time.monotonic()


def check(cond, what, detail=""):
    """Prints the check's outcome (and, when it failed, the detail) with the seconds since
    the script started, and records a failure."""
    print(("ok   " if cond else "FAIL ") + what + ("   " + detail if detail and not cond else "") +
          "  [%.1f s]" % (time.monotonic() - STARTED), flush=True)
    if not cond:
        failures.append(what)
    return cond


def finish():
    """The test's exit code after its checks, with the count printed."""
    print("%d failed" % len(failures), flush=True)
    return 1 if failures else 0


# ---- Tools of the build --------------------------------------------------------------------

def tool(exe, *args, timeout=60):
    """Runs a tool of the build: (exit code, its output stripped). A tool that gets no answer
    in time gives (None, ""), a failed look that callers poll again."""
    try:
        r = run(exe, *[str(a) for a in args], timeout=timeout)
    except subprocess.TimeoutExpired:
        print("timed out:", exe, *args, flush=True)
        return None, ""
    return r.returncode, r.stdout.strip()


def twctl(*args, timeout=60):
    return tool("twctl.exe", *args, timeout=timeout)


def reg_get(name, key=None):
    """A settings value through twctl: an int for a DWORD, the text otherwise, None when it
    is missing."""
    code, out = twctl("get", name, *(["--key", key] if key else []))
    if code != 0:
        return None
    return int(out.split()[1]) if out.startswith("dword ") else out


def read_line(stream, timeout):
    """The next line of a pipe, or None when none came within the timeout."""
    ready, _, _ = select.select([stream], [], [], timeout)
    return stream.readline() if ready else None


# ---- The desktop stand-in ------------------------------------------------------------------

class StandIn:
    """desktop_standin.exe in one of its variants, read through its own report file: no
    message of ours reaches its windows, so a look at it never waits on its thread.

    A report is a dict: seq, variant, screen and view ([X, Y, W, H]; view None without one),
    style and exstyle and count of the list view, icons [(name, x, y)] in the list view's
    order, items {name: (index, x, y)}, children [(class, visible)] top of the z-order
    first, and visible (the list view's)."""

    def __init__(self, variant="progman", folder=None):
        self.path = os.path.join(folder or WORK, "desktop-%s.txt" % variant)
        for p in (self.path, self.path + ".req", self.path + ".req.tmp"):
            if os.path.exists(p):
                os.remove(p)
        self.seq = 0
        self.proc = start("desktop_standin.exe", "--variant", variant, "--report", win_path(self.path))
        self.first = self._read(60)

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
        lines = wait_for(ready, timeout, 0.1)
        if not lines:
            return None
        rep = {"icons": [], "items": {}, "children": [], "view": None}
        for line in lines:
            f = line.split(" ")
            if f[0] == "seq":
                rep["seq"] = self.seq = int(f[1])
            elif f[0] == "variant":
                rep["variant"] = f[1]
            elif f[0] == "screen":
                rep["screen"] = [int(x) for x in f[1:5]]
            elif f[0] == "view":
                rep["view"] = None if f[1] == "none" else [int(x) for x in f[2:6]]
            elif f[0] == "listview":
                rep["style"], rep["exstyle"], rep["count"] = int(f[3], 16), int(f[5], 16), int(f[7])
            elif f[0] == "icon":
                name = line.split(" ", 3)[3]
                rep["items"][name] = (len(rep["icons"]), int(f[1]), int(f[2]))
                rep["icons"].append((name, int(f[1]), int(f[2])))
            elif f[0] == "child":
                rep["children"].append((f[2], int(f[4])))
        rep["visible"] = next((v for c, v in rep["children"] if c == "SysListView32"), 0)
        return rep

    def started(self):
        """The report written once its windows existed, or None when it never came."""
        return self.first

    def request(self, text, timeout=30):
        """Asks for a request (report, resize W H, redraw) and returns the report written
        after it, or None."""
        with open(self.path + ".req.tmp", "w") as f:
            f.write(text)
        os.replace(self.path + ".req.tmp", self.path + ".req")
        return self._read(timeout)

    def report(self):
        return self.request("report")

    def children(self):
        """The view's children, top of the z-order first: [(class, visible)]."""
        rep = self.report()
        return rep["children"] if rep else []

    def close(self, timeout=30):
        """Quits the stand-in (killed when it does not go); its exit code, or None."""
        if self.proc.poll() is None:
            with open(self.path + ".req", "w") as f:
                f.write("quit")
            try:
                self.proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=20)
                return None
        return self.proc.returncode


# ---- The player ----------------------------------------------------------------------------

PLAYER = "tarnwick.exe"
# The demo's first slide alone: every frame the same picture (resources/CMakeLists.txt).
STILL_PLAYER = "tarnwick_still.exe"


class Player:
    """A player program started through `twctl run`, which reports the exit code that
    Windows gives the process: the status of the Linux process that Wine ran it in is not
    reliable while other threads of the program are still ending. The program lives in a
    job, so killing twctl ends it too; twctl itself ends it after `limit` seconds. What Wine
    and the program print on the Linux side goes to `log` (a file) when given."""

    def __init__(self, exe=PLAYER, *args, limit=200, env=None, log=None):
        path = win_path(os.path.join(BIN, exe))
        self.proc = subprocess.Popen(["wine64", os.path.join(BIN, "twctl.exe"), "run",
                                      "--timeout", str(limit), path, *args],
                                     stdout=subprocess.PIPE, stderr=log, text=True, env=env)
        self.returncode = None
        self.pid_line = None

    def started(self, timeout=60):
        """Waits for twctl's "pid P": the program's process exists. True when it came."""
        if self.pid_line is None:
            line = read_line(self.proc.stdout, timeout)
            if line is None:
                return False
            self.pid_line = line
        return self.pid_line.startswith("pid ")

    def main_thread(self):
        """The program's main thread id in hex (twctl's "pid P main thread T"), or None."""
        f = (self.pid_line or "").split()
        return f[4] if len(f) >= 5 and f[2:4] == ["main", "thread"] else None

    def _finish(self, out):
        out = (self.pid_line or "") + out
        for line in out.splitlines():
            if self.pid_line is None and line.startswith("pid "):
                self.pid_line = line
            if line.startswith("exit "):
                self.returncode = int(line.split()[1])
        if self.returncode is None:
            self.returncode = "no exit code (%s)" % out.strip().replace("\n", "; ")
        return self.returncode

    def poll(self):
        if self.returncode is None and self.proc.poll() is not None:
            self._finish(self.proc.communicate()[0])
        return self.returncode

    def wait(self, timeout):
        """The program's exit code; raises subprocess.TimeoutExpired while it runs."""
        if self.returncode is None:
            self._finish(self.proc.communicate(timeout=timeout)[0])
        return self.returncode

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.communicate(timeout=20)


def find_player():
    """twctl find for "TarnwickWnd": a dict, or None when there is no such window."""
    code, out = twctl("find")
    if code != 0:
        return None
    f = out.split()
    return {"hwnd": f[1], "parent": f[3], "parent_class": f[4], "visible": int(f[6]),
            "rect": tuple(int(x) for x in f[8:12]), "above": int(f[13])}


def player_visible():
    """Whether the player's window is shown: 1 or 0, None when there is none."""
    win = find_player()
    return win["visible"] if win else None


def wait_shown(timeout=60):
    return wait_for(lambda: (lambda w: w if w and w["visible"] else None)(find_player()), timeout)


def end_player(proc, how=None, timeout=30):
    """Ends a player that may still run: `how` (by default WM_CLOSE through twctl), then a
    kill. Its exit code, or None when it had to be killed."""
    if proc is None:
        return None
    if proc.poll() is not None:
        return proc.returncode
    (how or (lambda: twctl("close")))()
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        return None


@contextlib.contextmanager
def running(*things):
    """Ends whatever was started (players and stand-ins), in reverse order, however the block
    ends."""
    started = list(things)
    try:
        yield started
    finally:
        for thing in reversed(started):
            if isinstance(thing, StandIn):
                thing.close()
            else:
                end_player(thing)


# ---- Settings, put back afterwards ---------------------------------------------------------

SETTING_NAMES = ("sleep", "picpos", "smoothing", "mute", "volume", "showdialog")


@contextlib.contextmanager
def settings(**values):
    """Sets settings values for the block (an int: a DWORD; a (type, hex) pair: raw bytes;
    None: deleted) and puts every one back afterwards."""
    before = {name: twctl("get", name) for name in SETTING_NAMES}
    try:
        for name, value in values.items():
            if value is None:
                twctl("delete", name)
            elif isinstance(value, tuple):
                twctl("set-raw", name, value[0], value[1])
            else:
                twctl("set", name, value)
        yield
    finally:
        for name, (code, out) in before.items():
            if code is None:
                continue  # not known: left as the block left it
            if code != 0:
                twctl("delete", name)
            elif out.startswith("dword "):
                twctl("set", name, out.split()[1])
            elif out.startswith("type "):
                f = out.split()
                twctl("set-raw", name, f[1], f[4] if len(f) > 4 else "")
            elif out.startswith("sz "):
                twctl("set-sz", name, out[3:])


def screenshot_when(predicate, timeout, interval=0.2):
    """Takes screenshots until one satisfies predicate(shot) or the timeout passes. Returns
    (True, that shot) or (False, the last one)."""
    last = []

    def good():
        last[:] = [screenshot()]
        return predicate(last[0])
    ok = wait_for(good, timeout, interval)
    return bool(ok), last[0]
