#!/usr/bin/python3
"""Recording readings into a sheet, in a headless Calc, against the installed program.

Run by tests/calc/check. 100 records give 100 rows below a header, in order, while other
cells are edited all the time; a stopped recording takes nothing; started again it goes on
below its last row; Tools > ZAV41K's command records as the macro function does.
"""
import datetime
import re
import threading
import time

from office import Bench, check, finish, time_limit, wait_for

HEADER = ("time", "absorbance", "wavelength", "status", "damaged")
EMPTY = ("",) * len(HEADER)


def row_of(fields):
    """The row that a Reading signal's fields should give, its time as local clock time."""
    sequence, time_us, absorbance, shown, marker, wavelength, status, damaged, record = fields
    when = (datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
            + datetime.timedelta(microseconds=time_us)).astimezone().replace(tzinfo=None)
    days = (when - datetime.datetime(1899, 12, 30)) / datetime.timedelta(days=1)
    if damaged or status in ("no-data", "dropped"):
        measured = ""
    else:
        measured = shown if absorbance != absorbance else absorbance
    return (days, measured, float(wavelength), status, float(damaged))


def same_rows(table, expected):
    """The first row that differs, or None; times to within a microsecond."""
    for i, (row, want) in enumerate(zip(table, expected)):
        if abs(row[0] - want[0]) > 1e-6 / 86400 or tuple(row[1:]) != want[1:]:
            return i, row, want
    if len(table) != len(expected):
        return len(expected), None, None
    return None


def table_at(sheet, first, count):
    return list(sheet.getCellRangeByPosition(0, first, len(HEADER) - 1,
                                             first + count - 1).getDataArray())


def send_all(bench, records, gap):
    before = len(bench.signals.taken())
    for record in records:
        bench.send(record)
        time.sleep(gap)
    check(wait_for(lambda: len(bench.signals.taken()) >= before + len(records), 5),
          "%d readings signalled" % len(records))
    return [fields for _, fields in bench.signals.taken()[before:]]


def record_from(bench, recorder, document, sheet, cell):
    document.getCurrentController().select(sheet.getCellRangeByName(cell))
    recorder.start(document)
    check(recorder.isRecording(document), "a recording from %s" % cell)


def check_what_came(bench, recorder, sheet):
    """A damaged record and a silence are rows without a number, that AVERAGE leaves out."""
    record_from(bench, recorder, bench.document, sheet, "A120")
    fields = send_all(bench, ["0400 000", "12x4 100", "0600 000"], 0.05)
    # Three seconds without a record: the program says no data comes.
    check(wait_for(lambda: len(bench.signals.taken()) and
                   bench.signals.taken()[-1][1][6] == "no-data", 5), "a silence is signalled")
    fields.append(bench.signals.taken()[-1][1])
    wait_for(lambda: sheet.getCellByPosition(3, 123).getString() != "", 5)
    recorder.stop(bench.document)
    rows = table_at(sheet, 120, 4)
    difference = same_rows(rows, [row_of(f) for f in fields])
    check(difference is None, "a damaged record and a silence as rows: %r" % (difference,))
    check([row[1] for row in rows] == [0.4, "", 0.6, ""] and rows[1][4] == 1.0,
          "no number but the measured ones, and the damage marked: %r" % rows)
    sheet.getCellRangeByName("H1").setFormula("=AVERAGE(B121:B124)")
    check(sheet.getCellRangeByName("H1").getValue() == 0.5, "the average is of measurements")


def check_where_rows_cannot_go(bench, recorder, document, sheet):
    """The sheet's last row, a sheet protected while it records: the recording stops, says why
    in the user's language, keeps what it did not write and writes it at the next start."""
    last = sheet.getRows().getCount() - 1
    record_from(bench, recorder, document, sheet, "A%d" % (last))  # the header, then one row
    fields = send_all(bench, ["0111 000", "0222 000", "0333 000"], 0.05)
    check(wait_for(lambda: not recorder.isRecording(document), 5),
          "the recording stops at the last row")
    # The row after the last could not be written; what came after the stop is not taken.
    # LibreOffice's interface here is English, French needing its language pack.
    reason = recorder.stopReason(document)
    check("after row %d " % (last + 1) in reason and "its last row" in reason
          and "1 reading(s)" in reason, "it says where and why: %r" % reason)
    record_from(bench, recorder, document, sheet, "A200")
    wait_for(lambda: sheet.getCellByPosition(0, 200).getString() != "", 5)
    check(same_rows(table_at(sheet, 200, 1), [row_of(fields[1])]) is None,
          "the kept row is written at the next start: %r" % (table_at(sheet, 200, 1),))
    check(recorder.stopReason(document) == "", "a new recording has no reason to have stopped")

    sheet.protect("")
    fields = send_all(bench, ["0444 000"], 0)
    check(wait_for(lambda: not recorder.isRecording(document), 5),
          "the recording stops on a protected sheet")
    reason = recorder.stopReason(document)
    # After the last row written: a silence may have added one since the start.
    stopped = re.search(r"after row (\d+) ", reason)
    check(stopped and sheet.getCellByPosition(0, int(stopped.group(1)) - 1).getString() != ""
          and sheet.getCellByPosition(0, int(stopped.group(1))).getString() == ""
          and "is protected" in reason and "1 reading(s)" in reason,
          "it says where and why: %r" % reason)
    try:
        record_from(bench, recorder, document, sheet, "A300")
        check(False, "a start on a protected sheet is refused")
    except Exception as refused:
        message = getattr(refused, "Message", str(refused))
        check("Sheet1 is protected" in message and not recorder.isRecording(document),
              "a protected sheet is refused with a clear message: %r" % message)
    sheet.unprotect("")
    record_from(bench, recorder, document, sheet, "A300")
    wait_for(lambda: sheet.getCellByPosition(0, 300).getString() != "", 5)
    check(same_rows(table_at(sheet, 300, 1), [row_of(f) for f in fields]) is None,
          "the kept row is written once the sheet can take it: %r" % (table_at(sheet, 300, 2),))
    recorder.stop(document)


def main():
    time_limit(120)
    bench = Bench()
    sheet, document = bench.sheet, bench.document
    recorder = bench.context.ServiceManager.createInstanceWithContext(
        "org.zav41k.calc.Recorder", bench.context)
    check(recorder is not None, "the recorder is a service")
    document.getCurrentController().select(sheet.getCellRangeByName("A3"))
    default_width = sheet.Columns.getByIndex(0).Width
    recorder.start(document)
    check(recorder.isRecording(document), "the recording runs")

    # Other cells edited all the time, as a user would go on working in the sheet.
    editing = threading.Event()
    edits = []

    def edit():
        n = 0
        while not editing.is_set():
            sheet.getCellByPosition(6 + n % 3, n % 200).setFormula("=%d*2" % n)
            sheet.getCellByPosition(5, n % 150).setString("note %d" % n)
            n += 1
        edits.append(n)

    editor = threading.Thread(target=edit)
    editor.start()
    # Under range, over range and in range, each with a count of its own.
    records = ["%04d %d%s" % (200 + 13 * i, i % 2, "10" if i % 17 == 5 else
                              "01" if i % 23 == 7 else "00") for i in range(100)]
    recorded = send_all(bench, records, 0.02)
    expected = [row_of(fields) for fields in recorded]
    wait_for(lambda: sheet.getCellByPosition(3, 102).getString() != "", 5)
    editing.set()
    editor.join()
    check(edits and edits[0] > 50, "the cells were edited meanwhile: %r" % edits)
    print("recording: %d readings while %d cells were edited" % (len(recorded), 2 * edits[0]),
          flush=True)
    check(table_at(sheet, 2, 1)[0] == HEADER, "a header row: %r" % (table_at(sheet, 2, 1),))
    difference = same_rows(table_at(sheet, 3, 100), expected)
    check(len(recorded) == 100 and difference is None,
          "100 rows in order, as the readings: %r" % (difference,))
    check(table_at(sheet, 103, 1)[0] == EMPTY, "nothing below the 100th row")
    check({row[3] for row in expected} >= {"ok", "under-range", "over-range"},
          "the records were in range, under and over: %r" % {row[3] for row in expected})
    shown = sheet.getCellByPosition(0, 3).getString()
    check(re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}", shown),
          "the time shows as a date and time: %r" % shown)
    check(sheet.Columns.getByIndex(0).Width > default_width,
          "the time column is widened to fit: %d" % sheet.Columns.getByIndex(0).Width)
    check(sheet.getCellByPosition(4, 3).getString() == "FAUX",
          "the damaged column says FAUX in French: %r" % sheet.getCellByPosition(4, 3).getString())

    recorder.stop(document)
    check(not recorder.isRecording(document), "the recording stops")
    send_all(bench, ["0500 000", "0600 000"], 0.05)
    time.sleep(0.3)
    check(table_at(sheet, 103, 1)[0] == EMPTY, "a stopped recording takes nothing")

    # Started again from the same cell, by the menu's command: on below the last row.
    frame = document.getCurrentController().getFrame()
    frame.activate()
    dispatcher = bench.context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.DispatchHelper", bench.context)
    dispatcher.executeDispatch(frame, "service:org.zav41k.calc.Recorder?start", "", 0, ())
    check(recorder.isRecording(document), "Tools > ZAV41K > Record readings records")
    more = [row_of(fields) for fields in
            send_all(bench, ["1111 000", "2222 000", "3333 000"], 0.05)]
    wait_for(lambda: sheet.getCellByPosition(3, 105).getString() != "", 5)
    dispatcher.executeDispatch(frame, "service:org.zav41k.calc.Recorder?stop", "", 0, ())
    check(not recorder.isRecording(document), "Tools > ZAV41K > Stop recording stops")
    difference = same_rows(table_at(sheet, 103, 3), more)
    check(difference is None and table_at(sheet, 106, 1)[0] == EMPTY,
          "a new recording goes on below the last row: %r" % (difference,))

    check_what_came(bench, recorder, sheet)
    check_where_rows_cannot_go(bench, recorder, document, sheet)

    # A document closed while it records: LibreOffice goes on, and records elsewhere.
    recorder.start(document)
    document.close(True)
    # Made before the second start, not merely sent: a reading still on its way when the
    # second document starts would rightly be its first row.
    send_all(bench, ["0700 000"], 0)
    other = bench.new_document()
    other.getCurrentController().select(other.Sheets.getByIndex(0).getCellRangeByName("B2"))
    recorder.start(other)
    row = [row_of(fields) for fields in send_all(bench, ["0800 000"], 0)]
    wait_for(lambda: other.Sheets.getByIndex(0).getCellByPosition(5, 2).getString() != "", 5)
    cells = other.Sheets.getByIndex(0).getCellRangeByPosition(1, 1, 5, 2).getDataArray()
    check(cells[0] == HEADER and same_rows([cells[1]], row) is None,
          "after the first document closed, a second one records: %r" % (cells,))
    other.close(True)
    bench.close()
    finish("recordings fill a table of readings")


if __name__ == "__main__":
    main()
