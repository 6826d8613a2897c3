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

    # 50 records, each with a count of its own, one every 60 ms.
    counts = [100 + 37 * i for i in range(50)]
    first_seen_sequence = {}
    first_seen_absorbance = []
    polling = threading.Event()

    def poll():
        row = sheet.getCellRangeByName("A1:B1")
        last_absorbance = None
        while not polling.is_set():
            absorbance, sequence = row.getDataArray()[0]
            now = time.monotonic()
            if isinstance(sequence, float) and sequence not in first_seen_sequence:
                first_seen_sequence[sequence] = now
            if absorbance != last_absorbance:
                first_seen_absorbance.append((absorbance, now))
                last_absorbance = absorbance
            time.sleep(0.002)

    before = len(signals.taken())
    poller = threading.Thread(target=poll)
    poller.start()
    for i, count in enumerate(counts):
        send("%04d %d00" % (count, i % 2))
        time.sleep(0.06)
    wait_for(lambda: len(signals.taken()) >= before + 50, 5)
    # Until the cells have shown the last one.
    wait_for(lambda: float(len(counts)) in first_seen_sequence
             and any(value == counts[-1] / 1000 for value, _ in first_seen_absorbance), 5)
    polling.set()
    poller.join()

    taken = signals.taken()[before:]
    check(len(taken) == 50, "50 readings signalled, not %d" % len(taken))
    sequences = sorted(s for s in first_seen_sequence if s > 0)
    check(sequences == [float(n) for n in range(1, 51)],
          "the sequence cell showed every reading in order: %s" % sequences)
    ordered = [first_seen_sequence[s] for s in sequences]
    check(ordered == sorted(ordered), "the sequence cell's values came in order")
    absorbances = [value for value, _ in first_seen_absorbance if value != ""]
    check(absorbances == [count / 1000 for count in counts],
          "the absorbance cell showed every value in order, as numbers: %s" % absorbances[:8])
    last = counts[-1] / 1000
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
