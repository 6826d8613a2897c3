"""What a cell shows for an item, from the source's items and its latest typed reading.

No UNO and no bus here, so that the rules can be tested on their own.
"""
import datetime
import math

# The reading's fields in the order of the Reading signal, made by the build from their table.
from .readingfields import READING_FIELDS  # noqa: F401

APPLICATION = "zav41k"
TOPIC = "data"
# The window's items, as the source publishes their texts.
TEXT_ITEMS = ("absorbance", "wavelength", "errorcode", "Label1")
# Items that only the typed readings have.
READING_ITEMS = ("sequence", "time", "status", "damaged")
ITEMS = TEXT_ITEMS + READING_ITEMS

SERVICE = APPLICATION + ".Source"
ITEMS_INTERFACE = APPLICATION + ".Source"
READING_INTERFACE = APPLICATION + ".Reading1"
PATH = "/" + TOPIC

# Calc's usual day 0; a document may set another.
DEFAULT_NULL_DATE = datetime.date(1899, 12, 30)



class UnknownName(ValueError):
    """Link names that this source does not have."""


def _match(typed, names, what, where):
    for name in names:
        if name.lower() == typed.lower():
            return name
    raise UnknownName('%s has no %s "%s"; its %ss are: %s'
                     % (where, what, typed[:40], what, ", ".join(names)))


def canonical_item(application, topic, item):
    """The item that three typed link names stand for, matched without regard to case."""
    _match(application, (APPLICATION,), "application", "the session")
    _match(topic, (TOPIC,), "topic", APPLICATION)
    return _match(item, ITEMS, "item", "the topic %s of %s" % (TOPIC, APPLICATION))


def null_date_of(settings):
    """A document's day 0, from its settings (or the settings Calc passes to a function)."""
    try:
        date = settings.getPropertyValue("NullDate")
        return datetime.date(date.Year, date.Month, date.Day)
    except Exception:
        return DEFAULT_NULL_DATE


def calc_date(time_us, null_date=DEFAULT_NULL_DATE):
    """A time in microseconds since the epoch (UTC) as a Calc date-time in local time."""
    utc = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc) \
        + datetime.timedelta(microseconds=time_us)
    local = utc.astimezone().replace(tzinfo=None)
    return (local - datetime.datetime.combine(null_date, datetime.time())) \
        / datetime.timedelta(days=1)


def row_absorbance(reading):
    """A recorded row's absorbance: the number the record measured, the window's text for LO,
    HI and the marker, and nothing for a silence, a dropped piece or a damaged record, which
    measured nothing; so that a column's average counts measurements only."""
    if reading["Damaged"] or reading["Status"] in ("no-data", "dropped"):
        return ""
    number = reading["Absorbance"]
    return reading["Shown"] if math.isnan(number) else float(number)


class Unavailable:
    """No source runs: the cell shows an error value."""


UNAVAILABLE = Unavailable()

# Items whose cells come from the typed reading alone, never from the window's texts.
READING_ONLY = ("absorbance", "sequence", "time", "status", "damaged")


def _wavelength_from_text(reading):
    # Before any record, and while the latest reading is a dropped piece that has none.
    return reading.get("Sequence", 0) <= 0 or not reading["Wavelength"]


def needs_texts(item, reading):
    """Whether a cell of `item` can change with the window's texts alone while `reading` is the
    latest (None before the source answers). Three of a record's four signals are texts, so
    they are followed only while some cell needs them."""
    if item == "wavelength":
        return reading is None or _wavelength_from_text(reading)
    return item not in READING_ONLY


def cell_value(item, items, reading, null_date=DEFAULT_NULL_DATE):
    """The value of `item` as a cell holds it: a float, a str, or UNAVAILABLE.

    `items` maps the source's item names to their texts, `reading` its reading's fields;
    both are None while no source runs. Numbers come from the typed reading, never from
    the texts, which follow the program's locale.
    """
    if items is None or reading is None:
        return UNAVAILABLE
    seen = reading.get("Sequence", 0) > 0
    if item == "absorbance":
        if not seen:
            # Empty, as the window; the text of the first record comes before its reading,
            # and a cell never shows the program's locale text for a number.
            return ""
        number = reading["Absorbance"]
        return reading["Shown"] if math.isnan(number) else float(number)
    if item == "wavelength":
        if _wavelength_from_text(reading):
            # The window's value, digits in every locale.
            text = items.get("wavelength", "")
            return float(text) if text.isascii() and text.isdigit() else text
        return float(reading["Wavelength"])
    if item == "sequence":
        return float(reading.get("Sequence", 0))
    if item == "time":
        return calc_date(reading["Time"], null_date) if seen else ""
    if item == "status":
        return reading.get("Status", "") if seen else ""
    if item == "damaged":
        # 1 when what came was not a whole record of the reader's, so that formulas can leave
        # it out; the absorbance cell shows what the window shows.
        return float(bool(reading.get("Damaged"))) if seen else ""
    return items.get(item, "")
