"""Helpers for end-to-end tests that run inside the Debian 13 root: Windows programs under
Wine, screenshots of the virtual X screen, and polling with deadlines."""
import contextlib
import os
import shutil
import subprocess
import time

BIN = os.environ.get("TW_BIN", "")
SOURCE = os.environ.get("TW_SOURCE", os.path.dirname(os.path.dirname(os.path.dirname(__file__))))


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


def screenshot():
    """The whole virtual screen as RGB."""
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
    deadline = time.time() + timeout
    value = predicate()
    while not value and time.time() < deadline:
        time.sleep(interval)
        value = predicate()
    return value


def close_enough(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))
