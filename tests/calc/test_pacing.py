"""When a live cell is told of its changes, on a clock of this test's own."""
import os
import sys
import unittest

# The extension as the build stages it, with the modules it makes.
sys.path.insert(0, os.environ["ZAV41K_CALC_PYTHONPATH"])
from zav41kcalc import pacing  # noqa: E402


class Timers:
    """A clock and the calls that wait on it, made when the test moves the clock on."""

    def __init__(self, can_wait=True):
        self.now, self.waiting, self.can_wait = 0.0, [], can_wait

    def later(self, seconds, call):
        if not self.can_wait:
            return None
        timer = Timer(self.now + seconds, call)
        self.waiting.append(timer)
        return timer

    def run_until(self, moment):
        while True:
            due = sorted((t for t in self.waiting if t.due <= moment), key=lambda t: t.due)
            if not due:
                break
            self.waiting.remove(due[0])
            self.now = max(self.now, due[0].due)
            due[0].call()
        self.now = moment


class Timer:
    def __init__(self, due, call):
        self.due, self.call = due, call

    def destroy(self):
        self.call = lambda: None


class PacerTest(unittest.TestCase):
    def test_shown_at_once_after_a_quiet_spell_and_at_most_once_an_interval(self):
        # (changes at these seconds, whether a call can wait, the moments of each showing)
        cases = {
            "apart": ([0, 0.15, 0.3], True, [0, 0.15, 0.3]),
            "a burst: its first at once, the rest once": ([0, 0.01, 0.02, 0.05], True, [0, 0.1]),
            "a burst, then a quiet spell": ([0, 0.03, 0.35], True, [0, 0.1, 0.35]),
            "just after a waited showing": ([0, 0.05, 0.12], True, [0, 0.1, 0.2]),
            "nothing can wait": ([0, 0.01], False, [0, 0.01]),
        }
        for name, (changes, can_wait, expected) in cases.items():
            with self.subTest(name):
                timers, shown = Timers(can_wait), []
                pacer = pacing.Pacer(lambda: shown.append(round(timers.now, 3)), timers.later,
                                     lambda: timers.now)
                for moment in changes:
                    timers.run_until(moment)
                    pacer.changed()
                    self.assertLessEqual(len(timers.waiting), 1, "one showing waits at most")
                timers.run_until(10)
                self.assertEqual(shown, expected)

    def test_stopped_takes_back_the_waiting_showing_and_starts_afresh(self):
        timers, shown = Timers(), []
        pacer = pacing.Pacer(lambda: shown.append(timers.now), timers.later, lambda: timers.now)
        pacer.changed()
        timers.run_until(0.01)
        pacer.changed()
        pacer.stop()
        timers.run_until(1)
        self.assertEqual(shown, [0])
        pacer.changed()
        self.assertEqual(shown, [0, 1], "a change after the stop is shown at once")


if __name__ == "__main__":
    unittest.main()
