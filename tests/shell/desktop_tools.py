"""The desktop stand-in and the control tool, checked against each other and a fake player:
the stand-in's window tree in its three variants, its report (icons, list view style,
window order), twctl's messages, registry access, message-box handling and exit codes."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "pylib"))
import twtest  # noqa: E402
from twtest import StandIn, check, twctl, wait_for  # noqa: E402


# ---- Variants --------------------------------------------------------------------------
for variant in ("progman", "workerw", "noview"):
    standin = StandIn(variant)
    rep = standin.started()
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
    check(standin.close(60) == 0, variant + ": quits with 0")

# ---- A fake player in the view: window order, messages, exit codes ---------------------
standin = StandIn("progman")
log = os.path.join(twtest.WORK, "player.log")
player = twtest.start("fake_player.exe", twtest.win_path(log))
check(wait_for(lambda: os.path.exists(log), 30), "fake player ready")
rep = standin.report()
check([c[0] for c in rep["children"]] == ["TarnwickWnd", "SysListView32"],
      "player's window on top of the list view: " + repr(rep["children"]))
check([(i[1], i[2]) for i in rep["icons"]][:3] == [(20, 20), (20, 120), (20, 220)],
      "icons keep their places after painting: " + repr(rep["icons"]))

code, out = twctl("find")
check(code == 0 and "SHELLDLL_DefView visible 1" in out and out.endswith("above 0"),
      "twctl finds the player inside the view: " + out)
check(twctl("stop")[0] == 0 and twctl("resume")[0] == 0, "stop and resume sent")
rep = standin.request("resize 640 360")
check(rep["view"][2:] == [640, 360], "view resized on request: " + repr(rep["view"]))
check(twctl("resize", "300", "200")[0] == 0, "twctl resizes the player's window")
code, out = twctl("find")
check(" 300 200 " in out, "player's window is 300x200: " + out)
check(twctl("close")[0] == 0, "close posted")
code = player.wait(timeout=60)
check(code == 0, "fake player exits with 0 after WM_CLOSE (%s)" % code)
check(open(log).read().split() == ["ready", "stop", "resume", "close"], "messages in order")
check(twctl("stop")[0] == 2, "no window: exit 2")
standin.close(60)

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
seen = wait_for(lambda: twctl("msgbox", "--keep", "--timeout", "1")[0] == 0, 30)
waiter = subprocess.Popen(["wine64", os.path.join(twtest.BIN, "twctl.exe"), "wait",
                           "fake_player.exe", "--timeout", "60"], stdout=subprocess.PIPE, text=True)
# The box is dismissed once the waiter holds the process, so its end is the waiter's to see.
holding = twtest.read_line(waiter.stdout, 60)
twctl("msgbox")
out = (holding or "") + waiter.communicate(timeout=90)[0]
out = out.strip()
check(seen and (holding or "").startswith("waiting pid ") and waiter.returncode == 0 and
      out.endswith(" exit 1"), "twctl wait reports exit 1: " + out)
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

sys.exit(twtest.finish())
