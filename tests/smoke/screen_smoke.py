"""A child window of another process renders a known colour with Direct3D 9, and an X
screenshot shows that colour at the child's place on the virtual screen."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "pylib"))
import twtest  # noqa: E402

ready = os.path.join(tempfile.mkdtemp(), "ready")
parent = twtest.start("smoke_screen_parent.exe", twtest.win_path(ready))
try:
    if not twtest.wait_for(lambda: os.path.exists(ready), 60):
        print("the child never reported its frames")
        sys.exit(1)
    shot = twtest.screenshot()
    # Parent at (100,100); child at (50,50) inside it, 200x150.
    inside = shot.region_mean(170, 170, 330, 280)
    outside = shot.region_mean(110, 110, 140, 140)
    print("inside", inside, "outside", outside)
    if os.environ.get("TW_OUT"):
        shot.save_png(os.path.join(os.environ["TW_OUT"], "smoke-screen.png"))
    ok = twtest.close_enough(inside, (0x20, 0xC0, 0x60)) and twtest.close_enough(outside, (0, 0, 0))
finally:
    if os.path.exists(ready):
        os.remove(ready)
    code = parent.wait(timeout=60)
print("parent exit", code)
sys.exit(0 if ok and code == 0 else 1)
