#!/usr/bin/python3
"""Screenshots of Calc with live cells and a recorded table, for the user's guide.

Run by scripts/calc-shots with DISPLAY a virtual display and tests/calc on the path:
    calc-shots.py FOLDER LANGUAGE        LANGUAGE: en or fr
Writes FOLDER/calc.png (or calc-fr.png) and FOLDER/calc-menu.png (calc-menu-fr.png).
"""
import pathlib
import subprocess
import sys
import time

from office import Bench, check, time_limit, wait_for

from com.sun.star.awt.PosSize import POSSIZE  # noqa: E402  after uno, from office
from com.sun.star.lang import Locale  # noqa: E402

WIDTH, HEIGHT = 1000, 560
LABELS = {
    "en": ("absorbance", "wavelength", "status", "time", "reading"),
    "fr": ("absorbance", "longueur d'onde", "état", "heure", "mesure"),
}
ITEMS = ("absorbance", "wavelength", "status", "time", "sequence")
# A film's strip: in range, under range, over range, then in range at the other wavelength.
RECORDS = ("0412 100", "0587 100", "1093 100", "2675 100", "0000 010", "1840 100",
           "0000 001", "0733 000", "0941 000")


def shoot(path, display_size=(WIDTH, HEIGHT)):
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+0+0" % display_size,
                    "+repage", str(path)], check=True)


def main():
    folder, language = pathlib.Path(sys.argv[1]), sys.argv[2]
    suffix = "" if language == "en" else "-" + language
    time_limit(120)
    bench = Bench(language=language, headless=False)
    document, sheet = bench.document, bench.sheet
    controller = document.getCurrentController()
    frame = controller.getFrame()
    frame.getContainerWindow().setPosSize(0, 0, WIDTH, HEIGHT, POSSIZE)
    frame.activate()

    for column, (label, item) in enumerate(zip(LABELS[language], ITEMS)):
        sheet.getCellByPosition(column, 0).setString(label)
        sheet.getCellByPosition(column, 1).setFormula(
            '=ZAV41K("zav41k";"data";"%s")' % item)
    formats = document.getNumberFormats()
    us = Locale("en", "US", "")
    code = "YYYY-MM-DD HH:MM:SS"
    key = formats.queryKey(code, us, False)
    sheet.getCellByPosition(3, 1).NumberFormat = key if key >= 0 else formats.addNew(code, us)
    sheet.getCellRangeByPosition(0, 0, 4, 0).CharWeight = 150  # bold

    # The recording, from A4 down, started as a user does: the cell, then the menu's command.
    controller.select(sheet.getCellByPosition(0, 3))
    dispatcher = bench.context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.DispatchHelper", bench.context)
    dispatcher.executeDispatch(frame, "service:org.zav41k.calc.Recorder?start", "", 0, ())
    for record in RECORDS:
        bench.send(record)
        time.sleep(0.4)
    dispatcher.executeDispatch(frame, "service:org.zav41k.calc.Recorder?stop", "", 0, ())
    check(wait_for(lambda: sheet.getCellByPosition(3, 3 + len(RECORDS)).getString() != "", 5),
          "the recorded table is there")
    columns = sheet.getColumns()
    for column in range(5):
        columns.getByIndex(column).OptimalWidth = True
    controller.select(sheet.getCellByPosition(0, 1))
    time.sleep(1.5)
    shoot(folder / ("calc%s.png" % suffix))

    # Tools > ZAV41K, opened from the keyboard: Z is its mnemonic.
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "libreoffice"],
                            capture_output=True, text=True).stdout.split()
    if window:
        subprocess.run(["xdotool", "windowfocus", "--sync", window[-1]], check=False)
    subprocess.run(["xdotool", "key", "alt+" + ("t" if language == "en" else "o")], check=True)
    time.sleep(1)
    subprocess.run(["xdotool", "key", "z"], check=True)
    time.sleep(1)
    shoot(folder / ("calc-menu%s.png" % suffix))
    subprocess.run(["xdotool", "key", "Escape", "Escape", "Escape"], check=True)
    bench.close()


if __name__ == "__main__":
    main()
