"""A live cell's pace: the latest value at most ten times a second, as the window shows it.

Each showing costs Calc a call that takes its lock and wakes its main thread; at the reader's
full rate that was most of what the cells cost. Nobody reads a cell faster than the window,
and a recording, which takes every reading, does not go through here.
"""
import threading
import time

# The window's own pace.
INTERVAL_S = 0.1


class Pacer:
    """Calls `show` for a change at once, unless the last showing was less than `interval`
    seconds ago: then once at the interval's end, for every change that came meanwhile, so
    that `show` (which takes the latest value) never shows one older than the last.

    `later(seconds, call)` calls `call` once after that time, on the thread that calls
    `changed`, and returns what its `destroy()` takes back; or None where nothing can wait,
    and the change is shown at once.
    """

    def __init__(self, show, later, clock=time.monotonic, interval=INTERVAL_S):
        self._show, self._later, self._clock, self._interval = show, later, clock, interval
        self._lock = threading.Lock()
        self._shown_at = None
        self._due = None

    def changed(self):
        with self._lock:
            if self._due is not None:
                return  # the showing due takes this change too
            now = self._clock()
            wait = 0 if self._shown_at is None else self._shown_at + self._interval - now
            if wait > 0:
                self._due = self._later(wait, self._at_due)
                if self._due is not None:
                    return
            self._shown_at = now
        self._show()

    def stop(self):
        """Takes back a showing that waits: nobody is left to see it."""
        with self._lock:
            due, self._due = self._due, None
        if due is not None:
            due.destroy()

    def _at_due(self):
        with self._lock:
            if self._due is None:
                return  # stopped meanwhile
            self._due = None
            self._shown_at = self._clock()
        self._show()
