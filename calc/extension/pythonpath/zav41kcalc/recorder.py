"""Recording readings into a sheet: one row per reading, from a chosen cell down.

Readings come on the bus thread and wait in a queue; their rows are written on
LibreOffice's main thread, the one that makes the user's own edits, so the bus thread never
waits for the document and nothing is lost while the user works elsewhere. A row never
overwrites a cell that holds something: it goes below it.
"""
import collections
import threading

from . import values

HEADER = ("time", "absorbance", "wavelength", "status")
WIDTH = len(HEADER)


def row_of(items, reading, null_date=values.DEFAULT_NULL_DATE):
    """The row of one reading: its time as a Calc date-time, then what the cells show."""
    return (values.calc_date(reading["Time"], null_date),
            values.cell_value("absorbance", items, reading),
            values.cell_value("wavelength", items, reading),
            reading["Status"])


class Recording:
    """One sheet's table, from its top-left cell down.

    `sheet` is a Calc sheet, `post` runs a callable on LibreOffice's main thread later,
    `since` is the start in microseconds since the epoch (readings made before it are not
    rows) and `time_format` is the number format of the time column, or None.
    """

    def __init__(self, follower, sheet, column, row, post, since, null_date,
                 time_format=None):
        self._follower = follower
        self._sheet = sheet
        self._column = column
        self._post = post
        self._null_date = null_date
        self._time_format = time_format
        self._lock = threading.Lock()
        self._queue = collections.deque()
        self._posted = False
        self._stopped = False
        if self._empty(row):
            self._write(row, HEADER)
        self._row = row + 1
        self._since = since
        self._last = None
        follower.watch(self._changed)

    def stop(self):
        """No more readings are taken; those taken are still written."""
        with self._lock:
            if self._stopped:
                return
            self._stopped = True
        self._follower.unwatch(self._changed)

    # -- the bus thread

    def _changed(self, items, reading):
        # Before the start, or before the first record: no reading of this recording.
        if reading is None or reading.get("Sequence", 0) == 0 or reading["Time"] < self._since:
            return
        key = (reading["Sequence"], reading["Time"])
        with self._lock:
            # An item's text alone is no new reading.
            if self._stopped or key == self._last:
                return
            self._last = key
            self._queue.append(row_of(items, reading, self._null_date))
            post = not self._posted
            self._posted = True
        if post:
            self._post(self.flush)

    # -- the main thread

    def flush(self):
        """Writes every row taken so far."""
        with self._lock:
            rows = list(self._queue)
            self._queue.clear()
            self._posted = False
        try:
            for row in rows:
                while not self._empty(self._row):
                    self._row += 1
                self._write(self._row, row)
                if self._time_format is not None:
                    self._sheet.getCellByPosition(self._column, self._row).NumberFormat = \
                        self._time_format
                self._row += 1
        except Exception:
            # The document is gone with its sheet.
            self.stop()

    def _cells(self, row):
        return self._sheet.getCellRangeByPosition(self._column, row,
                                                  self._column + WIDTH - 1, row)

    def _empty(self, row):
        # A formula's text is never empty, even where it shows nothing.
        return all(text == "" for text in self._cells(row).getFormulaArray()[0])

    def _write(self, row, cells):
        self._cells(row).setDataArray((tuple(cells),))


class Recorder:
    """The recordings of every document, at most one each, keyed by the caller."""

    def __init__(self):
        self._lock = threading.Lock()
        self._recordings = {}

    def start(self, key, make):
        """Starts a recording made by make() unless the document has one; True if started."""
        with self._lock:
            if key in self._recordings:
                return False
            self._recordings[key] = None
        try:
            recording = make()
        except BaseException:
            with self._lock:
                del self._recordings[key]
            raise
        with self._lock:
            stopped = key not in self._recordings
            if not stopped:
                self._recordings[key] = recording
        if stopped:
            # Stopped while it started.
            recording.stop()
        return True

    def stop(self, key):
        with self._lock:
            recording = self._recordings.pop(key, None)
        if recording is not None:
            recording.stop()

    def is_recording(self, key):
        with self._lock:
            return key in self._recordings
