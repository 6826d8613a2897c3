"""Where a recording puts its rows, with a sheet and a bus of this test's own."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../calc/extension/pythonpath"))
from zav41kcalc import recorder, values  # noqa: E402

ITEMS = {"absorbance": "0,50", "wavelength": "600", "errorcode": "0", "Label1": "nm"}
START = 1796700000000000


def reading(sequence, time_us=None, **fields):
    base = dict(Sequence=sequence, Time=time_us or START + sequence * 1000, Absorbance=0.5,
                Shown="0.50", Marker=False, Wavelength=600, Status="ok", Damaged=False,
                Record="0500 100")
    base.update(fields)
    return base


class Sheet:
    """Cells by (column, row): a str, a float, or a formula's text."""

    def __init__(self, cells=None):
        self.cells = dict(cells or {})
        self.formats = {}
        self.gone = False

    def getCellRangeByPosition(self, left, top, right, bottom):
        if self.gone:
            raise RuntimeError("disposed")
        return Range(self, left, top, right, bottom)

    def getCellByPosition(self, column, row):
        sheet = self

        class Cell:
            def __setattr__(self, name, value):
                sheet.formats[(column, row)] = value
        return Cell()

    def row(self, row, column=0):
        return tuple(self.cells.get((c, row), "") for c in range(column, column + 4))


class Range:
    def __init__(self, sheet, left, top, right, bottom):
        self.sheet, self.left, self.top, self.right, self.bottom = sheet, left, top, right, bottom

    def _positions(self):
        return [[(c, r) for c in range(self.left, self.right + 1)]
                for r in range(self.top, self.bottom + 1)]

    def getFormulaArray(self):
        return tuple(tuple(str(self.sheet.cells.get(p, "")) for p in row)
                     for row in self._positions())

    def setDataArray(self, data):
        for positions, row in zip(self._positions(), data):
            for position, value in zip(positions, row):
                self.sheet.cells[position] = value


class Follower:
    def __init__(self):
        self.watchers = []

    def watch(self, watcher):
        self.watchers.append(watcher)

    def unwatch(self, watcher):
        self.watchers.remove(watcher)

    def send(self, reading, items=ITEMS):
        for watcher in list(self.watchers):
            watcher(items, reading)


class Recordings(unittest.TestCase):
    def setUp(self):
        self.follower = Follower()
        self.posted = []

    def record(self, sheet, column=0, row=0, since=START):
        return recorder.Recording(self.follower, sheet, column, row, self.posted.append, since,
                                  values.DEFAULT_NULL_DATE, time_format=42)

    def flush(self):
        posted = list(self.posted)
        self.posted.clear()
        for function in posted:
            function()

    def test_a_header_then_one_row_a_reading_in_order_from_the_chosen_cell(self):
        sheet = Sheet()
        self.record(sheet, column=2, row=4)
        for sequence, shown, absorbance in [(1, "0.50", 0.5), (2, "LO", float("nan")),
                                            (3, "2.68", 2.675)]:
            self.follower.send(reading(sequence, Shown=shown, Absorbance=absorbance))
        self.assertEqual(len(self.posted), 1, "one write for the readings that wait")
        self.flush()
        self.assertEqual(sheet.row(4, 2), recorder.HEADER)
        self.assertEqual([sheet.row(r, 2)[1] for r in (5, 6, 7, 8)], [0.5, "LO", 2.675, ""])
        self.assertEqual(sheet.row(5, 2)[0], values.calc_date(START + 1000))
        self.assertEqual(sheet.row(5, 2)[2:], (600.0, "ok"))
        self.assertEqual(set(sheet.formats), {(2, 5), (2, 6), (2, 7)})

    def test_no_row_for_an_old_reading_a_text_alone_or_before_any_record(self):
        sheet = Sheet()
        self.record(sheet, since=START + 5000)
        self.follower.send(reading(4))  # made before the start
        self.follower.send(reading(0, START + 9000))  # the program's state before a record
        self.follower.send(reading(6))
        self.follower.send(reading(6), dict(ITEMS, errorcode="3"))  # the same reading again
        self.follower.send(reading(6, START + 9000, Status="no-data"))  # silence: a new time
        self.follower.send(None, None)  # the program gone
        self.flush()
        self.assertEqual([sheet.row(r)[3] for r in (1, 2, 3)], ["ok", "no-data", ""])

    def test_started_again_on_its_table_it_goes_on_below_the_last_row(self):
        sheet = Sheet()
        first = self.record(sheet)
        self.follower.send(reading(1))
        self.follower.send(reading(2))
        self.flush()
        first.stop()
        self.follower.send(reading(3))
        # Again from the header's cell, then from a row's.
        for start, sequence in [(0, 4), (2, 5)]:
            again = self.record(sheet, row=start)
            self.follower.send(reading(sequence))
            self.flush()
            again.stop()
        self.assertEqual([sheet.row(r)[0] for r in range(1, 6)],
                         [values.calc_date(START + n * 1000) for n in (1, 2, 4, 5)] + [""])
        self.assertEqual(sheet.row(0), recorder.HEADER, "one header")

    def test_a_row_never_overwrites_what_the_user_typed_meanwhile(self):
        sheet = Sheet()
        self.record(sheet)
        self.follower.send(reading(1))
        self.flush()
        sheet.cells[(3, 2)] = "=A1"  # typed where the next row goes
        self.follower.send(reading(2))
        self.flush()
        self.assertEqual(sheet.cells[(3, 2)], "=A1")
        self.assertEqual(sheet.row(3)[0], values.calc_date(START + 2000))

    def test_readings_taken_before_the_stop_are_still_written(self):
        sheet = Sheet()
        recording = self.record(sheet)
        self.follower.send(reading(1))
        recording.stop()
        self.follower.send(reading(2))
        self.flush()
        self.assertEqual((sheet.row(1)[0], sheet.row(2)), (values.calc_date(START + 1000),
                                                           ("", "", "", "")))
        self.assertEqual(self.follower.watchers, [])

    def test_a_sheet_gone_with_its_document_ends_the_recording(self):
        sheet = Sheet()
        self.record(sheet)
        sheet.gone = True
        self.follower.send(reading(1))
        self.flush()
        self.assertEqual(self.follower.watchers, [])


class Registry(unittest.TestCase):
    def test_one_recording_a_document(self):
        registry = recorder.Recorder()
        made = []
        started = [registry.start("doc", lambda: made.append(Stoppable()) or made[-1])
                   for _ in range(2)]
        self.assertEqual((started, len(made)), ([True, False], 1))
        registry.stop("doc")
        self.assertTrue(made[0].stopped)
        self.assertFalse(registry.is_recording("doc"))

    def test_a_start_that_fails_leaves_no_recording(self):
        registry = recorder.Recorder()
        with self.assertRaises(ValueError):
            registry.start("doc", lambda: (_ for _ in ()).throw(ValueError("no cell")))
        self.assertFalse(registry.is_recording("doc"))

    def test_stopped_while_it_starts(self):
        registry = recorder.Recorder()
        made = Stoppable()

        def make():
            registry.stop("doc")
            return made

        registry.start("doc", make)
        self.assertTrue(made.stopped)
        self.assertFalse(registry.is_recording("doc"))


class Stoppable:
    stopped = False

    def stop(self):
        self.stopped = True


if __name__ == "__main__":
    unittest.main()
