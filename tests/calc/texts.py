#!/usr/bin/python3
"""The window's texts as the extension's bus thread keeps them, against the installed program.

Run by tests/calc/check. A wavelength cell needs the texts only before the first record and
after a dropped piece, which has no wavelength of its own; in between they change unseen, and
a dropped piece must meet the text of its own time, not the one last seen.
"""
import sys
import threading

from office import EXTENSION, Line, check, finish, time_limit, wait_for

sys.path.insert(0, str(EXTENSION / "pythonpath"))
from zav41kcalc import follower, values  # noqa: E402


def main():
    time_limit(60)
    line = Line(language="en")
    seen = []
    lock = threading.Lock()

    def watcher(items, reading):
        reading = reading or {}
        with lock:
            seen.append((reading.get("Sequence", 0), reading.get("Status"),
                         values.cell_value("wavelength", items, reading)))

    def shown_at(sequence, status):
        """The wavelength shown with the reading `sequence` of `status`, or None."""
        def taken():
            with lock:
                return next((value for number, said, value in seen
                             if number == sequence and said == status), None)
        return wait_for(taken, 5)

    texts = follower.Follower()
    _, first = texts.watch(watcher, lambda reading: values.needs_texts("wavelength", reading))
    check(values.cell_value("wavelength", texts.snapshot()[0], first) == 600,
          "before any record the wavelength is the window's 600")
    sequence = first["Sequence"] if first else 0
    # 600 nm, then 510 nm: the texts are not needed while each reading has its wavelength,
    # and the window's text changes from 600 to 510 unseen.
    for record, wavelength in (("0600 100", 600), ("0500 000", 510)):
        line.send(record)
        sequence += 1
        shown = shown_at(sequence, "ok")
        check(shown == wavelength, "%s shows %s nm, not %r" % (record, wavelength, shown))
    # A piece too short for a record: the window still shows the last record's 510.
    line.send("@raw 05\\r")
    sequence += 1
    shown = shown_at(sequence, "dropped")
    check(shown == 510, "a dropped piece shows the window's 510, not %r" % shown)
    line.send("0800 100")
    shown = shown_at(sequence + 1, "ok")
    check(shown == 600, "the next record shows its own 600, not %r" % shown)
    texts.unwatch(watcher)
    line.close()
    finish("a wavelength follows the records and the window's text after a dropped piece")


if __name__ == "__main__":
    main()
