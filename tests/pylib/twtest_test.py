"""The waits that the end-to-end tests rely on: a wait ends when its condition comes true,
and a "does not happen" window fails at the first look that sees it happen, lasts its whole
length from the call, and looks once more when it is over. Only lower bounds on time are
checked, so a loaded machine cannot fail them."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from twtest import holds_for, wait_for  # noqa: E402


def looks(answers):
    """A predicate that gives the answers in turn (the last one from then on), and the list of
    the moments it was asked."""
    asked = []

    def predicate():
        asked.append(time.monotonic())
        return answers[min(len(asked), len(answers)) - 1]
    return predicate, asked


class Waits(unittest.TestCase):
    def test_holds_for(self):
        cases = [
            # (answers, window, held?, looks taken)
            ([True], 0.3, True, None),
            ([False], 5.0, False, 1),               # false at once: no waiting
            ([True, True, False, True], 5.0, False, 3),  # one false look in the window fails it
        ]
        for answers, window, held, count in cases:
            predicate, asked = looks(answers)
            start = time.monotonic()
            self.assertEqual(holds_for(predicate, window, interval=0.01), held, answers)
            if count is not None:
                self.assertEqual(len(asked), count, answers)
            if held:
                # The whole window, counted from the call, with a last look after it.
                self.assertGreaterEqual(asked[-1] - start, window)

    def test_wait_for(self):
        predicate, asked = looks([0, 0, "ready"])
        self.assertEqual(wait_for(predicate, 5.0, interval=0.01), "ready")
        self.assertEqual(len(asked), 3)
        predicate, asked = looks([None])
        start = time.monotonic()
        self.assertIsNone(wait_for(predicate, 0.2, interval=0.01))
        self.assertGreaterEqual(asked[-1] - start, 0.2)


if __name__ == "__main__":
    unittest.main()
