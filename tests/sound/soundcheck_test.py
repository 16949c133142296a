"""The rule that decides when a sound test may run a program again: only endings that come
from Wine's own threads, never a fault of the program's own code."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soundcheck import platform_fault  # noqa: E402

MAIN = "main thread 0024\n[ RUN      ] DirectSoundDevice.Mp3SoundObjectPlaysItsOwnTemporaryFile\n"
OWN_FAULT = "wine: Unhandled page fault on read access to 0000000000000000 at address 0000000140001234 (thread 0024), starting debugger...\n"
OTHER_FAULT = "wine: Unhandled exception 0xc0000025 in thread 0130 at address 00006FFFFFC82FD8 (thread 0130), starting debugger...\n"


class PlatformFault(unittest.TestCase):
    def test_endings(self):
        cases = [
            # (exit code, output, run again?)
            (37, MAIN, True),                     # no report: a native thread of Wine's
            (0xC0000025, "", True),               # the same, as twctl run reports it
            (5, MAIN, True),                      # an access violation there
            (0xC0000005, "", True),
            (-9, MAIN, True),                     # a Linux signal
            (-11, "", True),
            (37, MAIN + OTHER_FAULT, True),       # a report naming another thread
            (5, MAIN + OWN_FAULT, False),         # the program's own main thread faulted
            (37, MAIN + OWN_FAULT.replace("page fault", "exception 0xc0000025"), False),
            (5, OWN_FAULT, False),                # a report but no main thread printed: not known
            (1, MAIN, False),                     # a failed test
            (3, MAIN, False),                     # abort()
            (0, MAIN, False),
            (None, MAIN, False),                  # killed here after a timeout: looked at apart
            ("no exit code (timeout)", "", False),
        ]
        for code, out, again in cases:
            with self.subTest(code=code, out=out[-60:]):
                self.assertEqual(platform_fault(code, out) is not None, again)


if __name__ == "__main__":
    unittest.main()
