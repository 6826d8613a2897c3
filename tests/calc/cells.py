#!/usr/bin/python3
"""Live cells in a headless Calc, driven over UNO, against the installed program.

Run by tests/calc/check. A cell follows records one by one, in order, as numbers under a
French locale; it shows an error value while the program is stopped and follows again after
it restarts. How fast it follows is a benchmark's question, not this check's.
"""
import threading
import time

from office import Bench, check, finish, published, time_limit, uno_now, wait_for


def main():
    time_limit(120)
    bench = Bench()
    bus, signals, send, sheet = bench.bus, bench.signals, bench.send, bench.sheet
    # The names in any case, as typed by a user.
    formulas = {
        "A1": '=ZAV41K("zav41k";"data";"absorbance")',
        "B1": '=ZAV41K("ZAV41K";"Data";"Sequence")',
        "C1": '=ZAV41K("zav41k";"data";"WAVELENGTH")',
        "D1": '=ZAV41K("zav41k";"data";"status")',
        "E1": '=ZAV41K("zav41k";"data";"time")',
        "F1": '=ZAV41K("zav41k";"data";"errorcode")',
        "G1": "=A1*2",
        "H1": '=ZAV41K("zav41k";"data";"colour")',
        "I1": '=ZAV41K("zav41k";"data";"damaged")',
    }
    for name, formula in formulas.items():
        sheet.getCellRangeByName(name).setFormula(formula)
    cell = sheet.getCellRangeByName
    check(cell("B1").getError() == 0, "the function is known: %s" % cell("B1").getFormula())
    check(cell("B1").getValue() == 0 and cell("A1").getString() == "",
          "before any record: sequence 0 and no absorbance, not %r %r"
          % (cell("B1").getString(), cell("A1").getString()))
    check(cell("C1").getValue() == 600, "before any record the wavelength is 600")
    # The program may say by now that no data comes, in French: the cell has what is published.
    check(wait_for(lambda: cell("F1").getString() == published(bus, "errorcode")
                   and cell("F1").getValue() == 0, 3),
          "errorcode %r as a text, as published" % cell("F1").getString())
    check(cell("H1").getError() == 502,
          "an item that does not exist is Err:502, not %d" % cell("H1").getError())

    row = sheet.getCellRangeByName("A1:B1")

    def shown():
        return tuple(row.getDataArray()[0])

    # 50 records, each with a count of its own, each sent once the cells show the one before:
    # every reading must reach them, whatever the machine's load.
    counts = [100 + 37 * i for i in range(50)]
    before = len(signals.taken())
    missed = []
    for i, count in enumerate(counts):
        send("%04d %d00" % (count, i % 2))
        if not wait_for(lambda: shown() == (count / 1000, float(i + 1)), 5, step=0.005):
            missed.append((i + 1, shown()))
    check(not missed, "the cells showed every reading, as numbers, not %s" % missed[:3])

    def records_signalled():
        # The program's silence three seconds after its start may fall among them.
        return [fields for _, fields in signals.taken()[before:] if fields[6] != "no-data"]

    wait_for(lambda: len(records_signalled()) >= 50, 5)
    check(len(records_signalled()) == 50,
          "50 readings signalled, not %d" % len(records_signalled()))

    # 30 more as fast as the line takes them: the cells may skip some under load, but never
    # go back to an older one.
    polling = threading.Event()
    seen = []

    def poll():
        while not polling.is_set():
            seen.append(shown())
            time.sleep(0.002)

    poller = threading.Thread(target=poll)
    poller.start()
    burst = [counts[-1] + 1 + i for i in range(30)]
    for count in burst:
        send("%04d 100" % count)
    last_shown = wait_for(lambda: shown() == (burst[-1] / 1000, 80.0), 5)
    polling.set()
    poller.join()
    # The poller may have slept through the last change that the wait saw.
    seen.append(shown())
    check(last_shown, "the last of a burst is shown: %s" % (seen[-1],))
    check(seen == sorted(seen), "the cells never went back: %s"
          % [pair for pair, after in zip(seen, seen[1:]) if after < pair][:3])
    last = burst[-1] / 1000
    check(cell("A1").getValue() == last and cell("G1").getValue() == last * 2,
          "the absorbance is a number that formulas use")
    check(cell("A1").getString() == ("%.3f" % last).replace(".", ","),
          "a French Calc shows it with a comma: %r" % cell("A1").getString())
    check(cell("C1").getValue() == 600 and cell("D1").getString() == "ok",
          "wavelength %r, status %r" % (cell("C1").getString(), cell("D1").getString()))
    check(abs(cell("E1").getValue() - uno_now(bench.document)) < 5 / 86400,
          "the time is a Calc date-time of now: %r" % cell("E1").getValue())

    check(cell("I1").getValue() == 0, "whole records are not damaged")
    # A record the reader did not send whole: the cell can say so, and says when it is over.
    send("12x4 100")
    check(wait_for(lambda: cell("I1").getValue() == 1, 2), "a damaged record is marked")
    send("0042 000")
    check(wait_for(lambda: cell("I1").getValue() == 0 and cell("A1").getValue() == 0.042, 2),
          "the next whole record is not")

    # Texts stay texts, in the program's language.
    send("0000 010")
    check(wait_for(lambda: cell("A1").getString() == "LO", 2), "LO arrives as text")
    check(cell("D1").getString() == "under-range", "the status says under range")
    check(wait_for(lambda: cell("F1").getString() == published(bus, "errorcode") != "0", 2),
          "the errorcode follows: %r" % cell("F1").getString())

    # Stopped: an error value; started again: followed again.
    bench.stop_program()
    # #N/A, which Calc numbers 32767.
    check(wait_for(lambda: cell("A1").getError() == 32767 and cell("B1").getError() == 32767, 3),
          "the cells show #N/A while the program is stopped, not %d" % cell("A1").getError())
    bench.start_program()
    wait_for(lambda: cell("B1").getError() == 0, 3)
    send("1234 000")
    check(wait_for(lambda: cell("A1").getValue() == 1.234 and cell("B1").getValue() == 1, 3),
          "the cells follow the restarted program: %r %r"
          % (cell("A1").getString(), cell("B1").getString()))

    bench.close()
    finish("live cells follow the readings")


if __name__ == "__main__":
    main()
