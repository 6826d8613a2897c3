"""The rules by which a cell shows an item, without LibreOffice or a bus."""
import datetime
import math
import os
import sys
import time
import unittest

# The extension as the build stages it, with the modules it makes.
sys.path.insert(0, os.environ["ZAV41K_CALC_PYTHONPATH"])
from zav41kcalc import values  # noqa: E402

ITEMS = {"absorbance": "2,68", "wavelength": "600", "errorcode": "0", "Label1": "nm"}


def reading(**fields):
    base = dict(Sequence=7, Time=1796700731697714, Absorbance=2.675, Shown="2.68",
                Marker=False, Wavelength=600, Status="ok", Damaged=False, Record="2675 100")
    base.update(fields)
    return base


class Names(unittest.TestCase):
    def test_any_case_gives_the_items_own_spelling(self):
        for typed, item in [(("ZAV41K", "DATA", "Absorbance"), "absorbance"),
                            (("zav41k", "data", "label1"), "Label1"),
                            (("Zav41k", "Data", "TIME"), "time")]:
            with self.subTest(typed=typed):
                self.assertEqual(values.canonical_item(*typed), item)

    def test_unknown_names_are_refused_with_the_ones_there_are(self):
        for typed, said in [(("zav41", "data", "absorbance"), "zav41k"),
                            (("zav41k", "dat", "absorbance"), "data"),
                            (("zav41k", "data", "absorbanc"), "errorcode, Label1, sequence")]:
            with self.subTest(typed=typed), self.assertRaises(values.UnknownName) as refused:
                values.canonical_item(*typed)
            self.assertIn(said, str(refused.exception))

    def test_a_long_name_is_not_echoed_whole(self):
        with self.assertRaises(values.UnknownName) as refused:
            values.canonical_item("zav41k", "data", "x" * 100000)
        self.assertLess(len(str(refused.exception)), 300)


class CellValues(unittest.TestCase):
    def test_readings_without_a_number_are_texts(self):
        for shown, status in [("LO", "under-range"), ("HI", "over-range"), ("9999", "ok")]:
            with self.subTest(shown=shown):
                value = values.cell_value("absorbance", ITEMS,
                                          reading(Absorbance=math.nan, Shown=shown, Status=status))
                self.assertEqual(value, shown)
                self.assertIsInstance(value, str)

    def test_before_the_first_record(self):
        first = reading(Sequence=0, Time=0, Wavelength=0, Status="no-data")
        items = dict(ITEMS, absorbance="")
        self.assertEqual(values.cell_value("absorbance", items, first), "")
        # The first record's text is published before its reading: still no number as text.
        self.assertEqual(values.cell_value("absorbance", dict(ITEMS, absorbance="0,100"), first),
                         "")
        self.assertEqual(values.cell_value("wavelength", items, first), 600.0)
        self.assertEqual(values.cell_value("time", items, first), "")
        self.assertEqual(values.cell_value("status", items, first), "")
        self.assertEqual(values.cell_value("damaged", items, first), "")

class TextsNeeded(unittest.TestCase):
    def test_a_cell_that_needs_no_texts_does_not_change_with_them(self):
        other = {name: "9" for name in ITEMS}
        for state in [reading(), reading(Sequence=0, Wavelength=0, Status="no-data"),
                      reading(Absorbance=float("nan"), Shown="", Status="dropped",
                              Damaged=True, Wavelength=0)]:
            for item in values.ITEMS:
                if values.needs_texts(item, state):
                    continue
                with self.subTest(item=item, state=state["Status"]):
                    self.assertEqual(values.cell_value(item, ITEMS, state),
                                     values.cell_value(item, other, state))

    def test_the_wavelength_needs_them_only_where_no_reading_has_one(self):
        self.assertFalse(values.needs_texts("wavelength", reading()))
        self.assertTrue(values.needs_texts("wavelength", reading(Wavelength=0)))
        self.assertTrue(values.needs_texts("wavelength", None))


class Dates(unittest.TestCase):
    def setUp(self):
        self.zone = os.environ.get("TZ")

    def tearDown(self):
        if self.zone is None:
            os.environ.pop("TZ", None)
        else:
            os.environ["TZ"] = self.zone
        time.tzset()

    def test_local_time_on_the_documents_day_zero(self):
        os.environ["TZ"] = "Europe/Paris"
        time.tzset()
        # 2026-12-08 22:59:57.255522 UTC is 23:59:57.255522 in Paris (winter).
        microseconds = 1796770797255522
        day = datetime.date(2026, 12, 8) - values.DEFAULT_NULL_DATE
        seconds = (23 * 3600 + 59 * 60 + 57.255522) / 86400
        self.assertAlmostEqual(values.calc_date(microseconds), day.days + seconds, delta=1e-10)
        # A document counting from 1904 has the same moment 1462 days lower.
        self.assertAlmostEqual(values.calc_date(microseconds, datetime.date(1904, 1, 1)),
                               day.days - 1462 + seconds, delta=1e-10)
        # 2026-07-01 10:00 UTC is noon in Paris (summer).
        self.assertAlmostEqual(values.calc_date(1782900000000000) % 1, 0.5, delta=1e-10)

    def test_the_documents_day_zero_from_its_settings(self):
        class Settings:
            def __init__(self, date):
                self.date = date

            def getPropertyValue(self, name):
                if name != "NullDate" or self.date is None:
                    raise KeyError(name)
                return self.date

        class UnoDate:
            Year, Month, Day = 1904, 1, 1

        self.assertEqual(values.null_date_of(Settings(UnoDate())), datetime.date(1904, 1, 1))
        self.assertEqual(values.null_date_of(Settings(None)), values.DEFAULT_NULL_DATE)


if __name__ == "__main__":
    unittest.main()
