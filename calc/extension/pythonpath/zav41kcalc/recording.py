"""Recording readings into a sheet: one row per reading, from a chosen cell down.

Readings come on the bus thread and wait in a queue; their rows are written on
LibreOffice's main thread, the one that makes the user's own edits, so the bus thread never
waits for the document and nothing is lost while the user works elsewhere. A row never
overwrites a cell that holds something: it goes below it.
"""
import collections
import threading

from . import values

HEADER = ("time", "absorbance", "wavelength", "status", "damaged")
WIDTH = len(HEADER)
TIME, DAMAGED = 0, 4

# Why a recording stopped by itself.
LAST_ROW = "last-row"
PROTECTED = "protected"
GONE = "gone"


def row_of(items, reading, null_date=values.DEFAULT_NULL_DATE):
    """The row of one reading: its time as a Calc date-time, the absorbance it measured, the
    wavelength, the status and whether what came was damaged."""
    return (values.calc_date(reading["Time"], null_date),
            values.row_absorbance(reading),
            values.cell_value("wavelength", items, reading),
            reading["Status"],
            float(bool(reading["Damaged"])))


class Recording:
    """One sheet's table, from its top-left cell down.

    `sheet` is a Calc sheet, `post` runs a callable on LibreOffice's main thread later,
    `since` is the start in microseconds since the epoch (readings made before it are not
    rows), `formats` the number formats of the time and damaged columns (or None each), and
    `kept` rows that an earlier recording could not write, written first. When a row cannot
    be written, `halted(why, row, kept)` is called on the main thread with the rows not
    written, and the recording takes no more.
    """

    def __init__(self, follower, sheet, column, row, post, since, null_date,
                 formats=(None, None), kept=(), halted=lambda why, row, kept: None):
        self._follower = follower
        self._sheet = sheet
        self._column = column
        self._post = post
        self._null_date = null_date
        self._formats = formats
        self._halted = halted
        self._lock = threading.Lock()
        self._queue = collections.deque(kept)
        self._posted = False
        self._stopped = False
        self._widened = False
        self._last_row = sheet.getRows().getCount() - 1
        if sheet.isProtected():
            raise PermissionError(PROTECTED)
        if row >= self._last_row:
            raise PermissionError(LAST_ROW)
        if self._empty(row):
            self._write(row, HEADER)
        self._row = row + 1
        self._since = since
        self._last = None
        if self._queue:
            self._posted = True
            post(self.flush)
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
        """Writes every row taken so far, or stops at the first that cannot be written."""
        with self._lock:
            rows = list(self._queue)
            self._queue.clear()
            self._posted = False
        written = 0
        why = None
        try:
            for row in rows:
                while self._row <= self._last_row and not self._empty(self._row):
                    self._row += 1
                why = self._cannot_write()
                if why is not None:
                    break
                self._write(self._row, row)
                for column, number_format in zip((TIME, DAMAGED), self._formats):
                    if number_format is not None:
                        self._sheet.getCellByPosition(self._column + column,
                                                      self._row).NumberFormat = number_format
                self._row += 1
                written += 1
        except Exception:
            why = GONE
        if why is None:
            if written and not self._widened:
                self._widen()
            return
        with self._lock:
            kept = rows[written:] + list(self._queue)
            self._queue.clear()
        self.stop()
        self._halted(why, self._row, kept)

    def _cannot_write(self):
        if self._row > self._last_row:
            return LAST_ROW
        if self._sheet.isProtected():
            return PROTECTED
        return None

    def _widen(self):
        # Wide enough for the date and time, never narrower than the user made it.
        self._widened = True
        column = self._sheet.getColumns().getByIndex(self._column + TIME)
        width = column.Width
        column.OptimalWidth = True
        if column.Width < width:
            column.Width = width

    def _cells(self, row):
        return self._sheet.getCellRangeByPosition(self._column, row,
                                                  self._column + WIDTH - 1, row)

    def _empty(self, row):
        # A formula's text is never empty, even where it shows nothing.
        return all(text == "" for text in self._cells(row).getFormulaArray()[0])

    def _write(self, row, cells):
        self._cells(row).setDataArray((tuple(cells),))
