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

HEADER = ("time", "absorbance", "wavelength", "status")


def row_of(fields):
    """The row that a Reading signal's fields should give, its time as local clock time."""
    sequence, time_us, absorbance, shown, marker, wavelength, status, damaged, record = fields
    when = (datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
            + datetime.timedelta(microseconds=time_us)).astimezone().replace(tzinfo=None)
    days = (when - datetime.datetime(1899, 12, 30)) / datetime.timedelta(days=1)
    return (days, shown if absorbance != absorbance else absorbance, float(wavelength), status)


def same_rows(table, expected):
    """The first row that differs, or None; times to within a microsecond."""
    for i, (row, want) in enumerate(zip(table, expected)):
        if abs(row[0] - want[0]) > 1e-6 / 86400 or tuple(row[1:]) != want[1:]:
            return i, row, want
    if len(table) != len(expected):
        return len(expected), None, None
    return None


def table_at(sheet, first, count):
    return list(sheet.getCellRangeByPosition(0, first, 3, first + count - 1).getDataArray())


def send_all(bench, records, gap):
    before = len(bench.signals.taken())
    for record in records:
        bench.send(record)
        time.sleep(gap)
    check(wait_for(lambda: len(bench.signals.taken()) >= before + len(records), 5),
          "%d readings signalled" % len(records))
    return [fields for _, fields in bench.signals.taken()[before:]]


def main():
    time_limit(120)
    bench = Bench()
    sheet, document = bench.sheet, bench.document
    recorder = bench.context.ServiceManager.createInstanceWithContext(
        "org.zav41k.calc.Recorder", bench.context)
    check(recorder is not None, "the recorder is a service")
    document.getCurrentController().select(sheet.getCellRangeByName("A3"))
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
    check(table_at(sheet, 103, 1)[0] == ("", "", "", ""), "nothing below the 100th row")
    check({row[3] for row in expected} >= {"ok", "under-range", "over-range"},
          "the records were in range, under and over: %r" % {row[3] for row in expected})
    shown = sheet.getCellByPosition(0, 3).getString()
    check(re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}", shown),
          "the time shows as a date and time: %r" % shown)

    recorder.stop(document)
    check(not recorder.isRecording(document), "the recording stops")
    send_all(bench, ["0500 000", "0600 000"], 0.05)
    time.sleep(0.3)
    check(table_at(sheet, 103, 1)[0] == ("", "", "", ""), "a stopped recording takes nothing")

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
    check(difference is None and table_at(sheet, 106, 1)[0] == ("", "", "", ""),
          "a new recording goes on below the last row: %r" % (difference,))

    # A document closed while it records: LibreOffice goes on, and records elsewhere.
    recorder.start(document)
    document.close(True)
    bench.send("0700 000")
    other = bench.new_document()
    other.getCurrentController().select(other.Sheets.getByIndex(0).getCellRangeByName("B2"))
    recorder.start(other)
    row = [row_of(fields) for fields in send_all(bench, ["0800 000"], 0)]
    wait_for(lambda: other.Sheets.getByIndex(0).getCellByPosition(4, 2).getString() != "", 5)
    cells = other.Sheets.getByIndex(0).getCellRangeByPosition(1, 1, 4, 2).getDataArray()
    check(cells[0] == HEADER and same_rows([cells[1]], row) is None,
          "after the first document closed, a second one records: %r" % (cells,))
    other.close(True)
    bench.close()
    finish("recordings fill a table of readings")


if __name__ == "__main__":
    main()
