"""Volatile results: one per item and day 0, each telling its cells of its changes at the
window's pace."""
import threading

import unohelper
from com.sun.star.sheet import XVolatileResult
from com.sun.star.sheet import ResultEvent

from . import pacing, values


def _as_any(value):
    # Nothing (a void value) is Calc's #N/A, the error while no source runs.
    return None if value is values.UNAVAILABLE else value


class Result(unohelper.Base, XVolatileResult):
    def __init__(self, follower, item, null_date):
        self._follower = follower
        self._item = item
        self._null_date = null_date
        self._lock = threading.Lock()
        self._listeners = []
        self._value = values.UNAVAILABLE
        self._pacer = pacing.Pacer(self._tell, follower.later)

    def value_of(self, items, reading):
        if self._follower.missing:
            return self._follower.missing
        return values.cell_value(self._item, items, reading, self._null_date)

    def addResultListener(self, listener):
        with self._lock:
            first = not self._listeners
            self._listeners.append(listener)
        if first:
            items, reading = self._follower.watch(
                self._changed, lambda reading: values.needs_texts(self._item, reading))
        else:
            items, reading = self._follower.snapshot()
        value = self.value_of(items, reading)
        with self._lock:
            self._value = value
        # Calc takes the first value within this call.
        listener.modified(ResultEvent(self, _as_any(value)))

    def removeResultListener(self, listener):
        with self._lock:
            if listener in self._listeners:
                self._listeners.remove(listener)
            last = not self._listeners
        if last:
            self._pacer.stop()
            self._follower.unwatch(self._changed)

    def _changed(self, items, reading):
        value = self.value_of(items, reading)
        with self._lock:
            if type(value) is type(self._value) and value == self._value:
                return
            self._value = value
        self._pacer.changed()

    def _tell(self):
        with self._lock:
            event = ResultEvent(self, _as_any(self._value))
            listeners = list(self._listeners)
        for listener in listeners:
            try:
                listener.modified(event)
            except Exception:  # a cell gone with its document
                self.removeResultListener(listener)


class Results:
    """The same result object for the same item, as Calc expects of a volatile result."""

    def __init__(self, follower):
        self._follower = follower
        self._lock = threading.Lock()
        self._results = {}

    def get(self, item, null_date=values.DEFAULT_NULL_DATE):
        key = (item, null_date)
        with self._lock:
            result = self._results.get(key)
            if result is None:
                result = self._results[key] = Result(self._follower, item, null_date)
            return result

