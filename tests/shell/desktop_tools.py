"""The desktop stand-in and the control tool, checked against each other and a fake player:
the stand-in's window tree in its three variants, its report (icons, list view style,
window order), twctl's messages, registry access, message-box handling and exit codes."""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "pylib"))
import twtest  # noqa: E402

failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)


def twctl(*args, timeout=60):
    r = twtest.run("twctl.exe", *args, timeout=timeout)
    return r.returncode, r.stdout.strip()


def read_report(path, after_seq=0, timeout=30):
    def ready():
        try:
            text = open(path, encoding="utf-8").read()
        except OSError:
            return None
        lines = text.splitlines()
        if not lines or lines[-1] != "end":
            return None
        if int(lines[0].split()[1]) <= after_seq:
            return None
        return lines
    return twtest.wait_for(ready, timeout)


def request(path, text, seq):
    with open(path + ".req.tmp", "w") as f:
        f.write(text)
    os.replace(path + ".req.tmp", path + ".req")
    return read_report(path, seq)


def parse(lines):
    rep = {"icons": [], "children": []}
    for line in lines:
        f = line.split(" ")
        if f[0] == "seq":
            rep["seq"] = int(f[1])
        elif f[0] == "view":
            rep["view"] = None if f[1] == "none" else [int(x) for x in f[2:6]]
        elif f[0] == "screen":
            rep["screen"] = [int(x) for x in f[1:5]]
        elif f[0] == "listview":
            rep["exstyle"] = int(f[5], 16)
            rep["count"] = int(f[7])
        elif f[0] == "icon":
            rep["icons"].append((" ".join(f[3:]), int(f[1]), int(f[2])))
        elif f[0] == "child":
            rep["children"].append((f[2], int(f[4])))
    return rep


def start_standin(variant, report):
    for p in (report, report + ".req"):
        if os.path.exists(p):
            os.remove(p)
    proc = twtest.start("desktop_standin.exe", "--variant", variant, "--report",
                        twtest.win_path(report))
    lines = read_report(report)
    return proc, (parse(lines) if lines else None)


def stop_standin(proc, report):
    with open(report + ".req", "w") as f:
        f.write("quit")
    return proc.wait(timeout=60)


work = tempfile.mkdtemp()
report = os.path.join(work, "desktop.txt")

# ---- Variants --------------------------------------------------------------------------
for variant in ("progman", "workerw", "noview"):
    proc, rep = start_standin(variant, report)
    check(rep is not None, variant + ": report written")
    if rep:
        if variant == "noview":
            check(rep["view"] is None, "noview: no view")
            code, out = twctl("find", "--class", "SHELLDLL_DefView")
            check(code == 2, "noview: twctl finds no view")
        else:
            check(rep["view"] == rep["screen"], variant + ": view fills the virtual screen")
            names = [i[0] for i in rep["icons"]]
            check(names == ["Recycle Bin", "Documents", "Notes.txt", "Holiday Photos",
                            "Readme.html"], variant + ": named icons " + repr(names))
            w = rep["screen"][2]
            expected = [(20, 20), (20, 120), (20, 220), (120, 20), (w - 120, 20)]
            check([(i[1], i[2]) for i in rep["icons"]] == expected,
                  variant + ": icon positions " + repr(rep["icons"]))
            check(rep["children"] == [("SysListView32", 1)], variant + ": one visible list view")
            code, out = twctl("find", "--class", "SHELLDLL_DefView")
            parent = "Progman" if variant == "progman" else "WorkerW"
            check(code == 0 and (" %s visible 1 " % parent) in out,
                  variant + ": view's parent is " + parent + ": " + out)
    check(stop_standin(proc, report) == 0, variant + ": quits with 0")

# ---- A fake player in the view: window order, messages, exit codes ---------------------
proc, rep = start_standin("progman", report)
log = os.path.join(work, "player.log")
player = twtest.start("fake_player.exe", twtest.win_path(log))
check(twtest.wait_for(lambda: os.path.exists(log), 30), "fake player ready")
rep = parse(request(report, "report", rep["seq"]))
check([c[0] for c in rep["children"]] == ["TarnwickWnd", "SysListView32"],
      "player's window on top of the list view: " + repr(rep["children"]))
check([(i[1], i[2]) for i in rep["icons"]][:3] == [(20, 20), (20, 120), (20, 220)],
      "icons keep their places after painting: " + repr(rep["icons"]))

code, out = twctl("find")
check(code == 0 and "SHELLDLL_DefView visible 1" in out and out.endswith("above 0"),
      "twctl finds the player inside the view: " + out)
check(twctl("stop")[0] == 0 and twctl("resume")[0] == 0, "stop and resume sent")
rep = parse(request(report, "resize 640 360", rep["seq"]))
check(rep["view"][2:] == [640, 360], "view resized on request: " + repr(rep["view"]))
check(twctl("resize", "300", "200")[0] == 0, "twctl resizes the player's window")
code, out = twctl("find")
check(" 300 200 " in out, "player's window is 300x200: " + out)
check(twctl("close")[0] == 0, "close posted")
code = player.wait(timeout=60)
check(code == 0, "fake player exits with 0 after WM_CLOSE (%s)" % code)
check(open(log).read().split() == ["ready", "stop", "resume", "close"], "messages in order")
check(twctl("stop")[0] == 2, "no window: exit 2")
stop_standin(proc, report)

# ---- Message box and exit code -----------------------------------------------------------
failing = twtest.start("fake_player.exe", "--fail")
code, out = twctl("msgbox", "--timeout", "30")
check(code == 0 and out.splitlines() == ["caption: Tarnwick",
                                         "text: Cannot open file: Wrong file format."],
      "message box read and dismissed: " + repr(out))
check(failing.wait(timeout=60) == 1, "failing player exits with 1")
code, out = twctl("msgbox", "--timeout", "1")
check(code == 3, "no message box: exit 3")

waited = twtest.start("fake_player.exe", "--fail")
time.sleep(0.5)
seen = twtest.wait_for(lambda: twctl("msgbox", "--keep", "--timeout", "1")[0] == 0, 30)
waiter = subprocess.Popen(["wine64", os.path.join(twtest.BIN, "twctl.exe"), "wait",
                           "fake_player.exe", "--timeout", "60"], stdout=subprocess.PIPE, text=True)
time.sleep(1)
twctl("msgbox")
out = waiter.communicate(timeout=90)[0].strip()
check(seen and waiter.returncode == 0 and out.endswith(" exit 1"), "twctl wait reports exit 1: " + out)
waited.wait(timeout=60)

# ---- Registry ----------------------------------------------------------------------------
before = twctl("get", "sleep")
check(twctl("set", "sleep", "2")[0] == 0 and twctl("get", "sleep") == (0, "dword 2"),
      "settings value written and read")
check(twctl("set-raw", "sleep", "11", "0200000000000000")[0] == 0 and
      twctl("get", "sleep") == (0, "type 11 size 8 0200000000000000"), "raw value written")
check(twctl("delete", "sleep")[0] == 0 and twctl("get", "sleep")[0] == 2, "value deleted")
if before[0] == 0 and before[1].startswith("dword "):
    twctl("set", "sleep", before[1].split()[1])

print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
