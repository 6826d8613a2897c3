"""Where a recording puts its rows, with a sheet and a bus of this test's own."""
import os
import sys
import unittest

# The extension as the build stages it, with the modules it makes.
sys.path.insert(0, os.environ["ZAV41K_CALC_PYTHONPATH"])
import string  # noqa: E402

from zav41kcalc import messages, recording, recordings, values  # noqa: E402

ITEMS = {"absorbance": "0,50", "wavelength": "600", "errorcode": "0", "Label1": "nm"}
START = 1796700000000000


def reading(sequence, time_us=None, **fields):
    base = dict(Sequence=sequence, Time=time_us or START + sequence * 1000, Absorbance=0.5,
                Shown="0.50", Marker=False, Wavelength=600, Status="ok", Damaged=False,
                Record="0500 100")
    base.update(fields)
    return base


class Sheet:
    """Cells by (column, row): a str, a float, or a formula's text; the first column's width."""

    def __init__(self, rows=1048576):
        self.cells, self.formats = {}, {}
        self.protected = False
        self.rows, self.width = rows, 2000

    def getCellRangeByPosition(self, left, top, right, bottom):
        return Range(self, [[(c, r) for c in range(left, right + 1)]
                            for r in range(top, bottom + 1)])

    def getCellByPosition(self, column, row):
        return Attributes(lambda name, value: self.formats.__setitem__((column, row), value))

    def getRows(self):
        return Attributes(None, getCount=lambda: self.rows)

    def getColumns(self):
        return Attributes(None, getByIndex=lambda _: Column(self))

    def isProtected(self):
        return self.protected

    def row(self, row, column=0):
        return tuple(self.cells.get((c, row), "") for c in range(column, column + recording.WIDTH))


class Attributes:
    """An object whose methods are given, and whose attributes are set through `put`."""

    def __init__(self, put, **methods):
        self.__dict__.update(methods, _put=put)

    def __setattr__(self, name, value):
        self._put(name, value)


class Column:
    """The time column: optimal width is 3000."""

    def __init__(self, sheet):
        self.__dict__["sheet"] = sheet

    Width = property(lambda self: self.sheet.width)

    def __setattr__(self, name, value):
        self.sheet.width = 3000 if name == "OptimalWidth" else value


class Range:
    def __init__(self, sheet, positions):
        self.sheet, self.positions = sheet, positions

    def getFormulaArray(self):
        return tuple(tuple(str(self.sheet.cells.get(p, "")) for p in row) for row in self.positions)

    def setDataArray(self, data):
        for positions, row in zip(self.positions, data):
            self.sheet.cells.update(zip(positions, row))


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

    def record(self, sheet, column=0, row=0, since=START, kept=()):
        self.halts = []
        return recording.Recording(self.follower, sheet, column, row, self.posted.append, since,
                                  values.DEFAULT_NULL_DATE, (42, 43), kept,
                                  lambda *halt: self.halts.append(halt))

    def flush(self):
        posted = list(self.posted)
        self.posted.clear()
        for function in posted:
            function()

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
        self.assertEqual(sheet.row(0), recording.HEADER, "one header")

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
        stopped = self.record(sheet)
        self.follower.send(reading(1))
        stopped.stop()
        self.follower.send(reading(2))
        self.flush()
        self.assertEqual((sheet.row(1)[0], sheet.row(2)), (values.calc_date(START + 1000),
                                                           ("",) * recording.WIDTH))
        self.assertEqual(self.follower.watchers, [])


class Registry(unittest.TestCase):
    def test_one_recording_a_document(self):
        registry = recordings.Recordings()
        made = []
        started = [registry.start("doc", lambda kept: made.append(Stoppable()) or made[-1])
                   for _ in range(2)]
        self.assertEqual((started, len(made)), ([True, False], 1))
        registry.stop("doc")
        self.assertTrue(made[0].stopped)
        self.assertFalse(registry.is_recording("doc"))

    def test_a_start_that_fails_leaves_no_recording(self):
        registry = recordings.Recordings()
        with self.assertRaises(ValueError):
            registry.start("doc", lambda kept: (_ for _ in ()).throw(ValueError("no cell")))
        self.assertFalse(registry.is_recording("doc"))

    def test_stopped_while_it_starts(self):
        registry = recordings.Recordings()
        made = Stoppable()

        def make(kept):
            registry.stop("doc")
            return made

        registry.start("doc", make)
        self.assertTrue(made.stopped)
        self.assertFalse(registry.is_recording("doc"))

    def test_rows_kept_by_a_halt_go_to_the_next_start_of_that_document_only(self):
        registry = recordings.Recordings()
        registry.start("doc", lambda kept: Stoppable())
        registry.halted("doc", ["row 1", "row 2"])
        self.assertFalse(registry.is_recording("doc"))
        given = {}
        registry.start("other", lambda kept: given.setdefault("other", kept) and Stoppable())
        with self.assertRaises(ValueError):
            registry.start("doc", lambda kept: (_ for _ in ()).throw(ValueError("protected")))
        registry.start("doc", lambda kept: given.setdefault("doc", kept) and Stoppable())
        self.assertEqual(given, {"other": [], "doc": ["row 1", "row 2"]})
        self.assertEqual(registry.kept("doc"), 0)


class Texts(unittest.TestCase):
    def test_every_text_in_english_and_french_with_the_same_blanks(self):
        def blanks(text):
            return sorted(name for _, name, _, _ in string.Formatter().parse(text) if name)

        tables = {"not a cell": messages.NOT_A_CELL}
        tables.update({"refused " + why: text for why, text in messages.REFUSED.items()})
        tables.update({"stopped " + why: text for why, text in messages.STOPPED.items()})
        self.assertEqual(len(tables), 5)
        for name, text in tables.items():
            with self.subTest(name):
                self.assertEqual(set(text), {"en", "fr"})
                self.assertEqual(blanks(text["fr"]), blanks(text["en"]))
        self.assertIn("{row}", messages.STOPPED[recording.PROTECTED]["fr"])

    def test_a_language_without_texts_is_told_in_english(self):
        said = messages.say(messages.STOPPED[recording.LAST_ROW], "de", row=9, sheet="S", kept=2)
        self.assertTrue(said.startswith("The recording stopped after row 9 of the sheet S"))


class Stoppable:
    stopped = False

    def stop(self):
        self.stopped = True


if __name__ == "__main__":
    unittest.main()
