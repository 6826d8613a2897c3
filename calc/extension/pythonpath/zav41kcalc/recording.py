"""The recorder as LibreOffice calls it: from a macro, and from Tools > ZAV41K."""
import time

import unohelper
from com.sun.star.awt import XCallback
from com.sun.star.awt.MessageBoxButtons import BUTTONS_OK
from com.sun.star.awt.MessageBoxType import WARNINGBOX
from com.sun.star.beans import PropertyValue
from com.sun.star.lang import IllegalArgumentException, Locale, XServiceInfo
from com.sun.star.task import XJobExecutor
from com.sun.star.uno import Exception as UnoException
from com.sun.star.uno import RuntimeException
from com.sun.star.util import XCloseListener
from org.zav41k.calc import XRecorder

from . import recorder, serviceinfo, values

IMPLEMENTATION = "org.zav41k.calc.Recorder"
SERVICES = (IMPLEMENTATION,)
# The same in every language, and to the millisecond: readings may come many a second.
TIME_FORMAT = "YYYY-MM-DD HH:MM:SS.000"
NOT_A_CELL = {
    "en": "Select the cell where the table of readings starts, then record.",
    "fr": "Sélectionnez la cellule où commence le tableau des mesures, puis enregistrez.",
}


class _Call(unohelper.Base, XCallback):
    def __init__(self, function):
        self._function = function

    def notify(self, data):
        self._function()


class _StopOnClose(unohelper.Base, XCloseListener):
    def __init__(self, recordings, key):
        self._recordings = recordings
        self._key = key

    def queryClosing(self, event, owner):
        pass

    def notifyClosing(self, event):
        self._recordings.stop(self._key)

    def disposing(self, event):
        self._recordings.stop(self._key)


def _first_cell(selection):
    """The top-left cell of a selected cell or range, or of the first of several."""
    if hasattr(selection, "getRangeAddress"):
        return selection.getRangeAddress()
    if hasattr(selection, "getRangeAddresses") and selection.getRangeAddresses():
        return selection.getRangeAddresses()[0]
    return None


def _time_format(document):
    formats = document.getNumberFormats()
    locale = Locale("en", "US", "")
    key = formats.queryKey(TIME_FORMAT, locale, False)
    return key if key >= 0 else formats.addNew(TIME_FORMAT, locale)


class Recorder(unohelper.Base, serviceinfo.ServiceInfo, XRecorder, XJobExecutor,
               XServiceInfo):
    """org.zav41k.calc.Recorder: start, stop and isRecording for a document."""

    IMPLEMENTATION = IMPLEMENTATION
    SERVICES = SERVICES

    def __init__(self, context, follower, recordings):
        self._context = context
        self._follower = follower
        self._recordings = recordings
        self._callbacks = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.awt.AsyncCallback", context)

    def _post(self, function):
        self._callbacks.addCallback(_Call(function), None)

    def start(self, document):
        try:
            self._start(document)
        except (IllegalArgumentException, RuntimeException):
            raise
        except UnoException as failed:
            # Only these two may reach a caller; any other ends its connection to LibreOffice.
            raise RuntimeException("the recording does not start: %s" % failed.Message, self)

    def _start(self, document):
        if document is None or not document.supportsService(
                "com.sun.star.sheet.SpreadsheetDocument"):
            raise IllegalArgumentException("readings are recorded into a spreadsheet", self, 0)
        controller = document.getCurrentController()
        address = _first_cell(controller.getSelection())
        if address is None:
            raise IllegalArgumentException(NOT_A_CELL["en"], self, 0)
        sheet = document.Sheets.getByIndex(address.Sheet)

        def make():
            return recorder.Recording(self._follower, sheet, address.StartColumn,
                                      address.StartRow, self._post, time.time_ns() // 1000,
                                      values.null_date_of(document), _time_format(document))

        key = document.RuntimeUID
        if self._recordings.start(key, make):
            document.addCloseListener(_StopOnClose(self._recordings, key))

    def stop(self, document):
        if document is not None:
            self._recordings.stop(document.RuntimeUID)

    def isRecording(self, document):
        return document is not None and self._recordings.is_recording(document.RuntimeUID)

    # Tools > ZAV41K: "start" or "stop", on the document in front.
    def trigger(self, command):
        desktop = self._context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self._context)
        document = desktop.getCurrentComponent()
        if command == "stop":
            self.stop(document)
            return
        try:
            self._start(document)
        except IllegalArgumentException:
            self._tell(document, NOT_A_CELL.get(self._language(), NOT_A_CELL["en"]))

    def _language(self):
        try:
            provider = self._context.ServiceManager.createInstanceWithContext(
                "com.sun.star.configuration.ConfigurationProvider", self._context)
            path = PropertyValue()
            path.Name, path.Value = "nodepath", "/org.openoffice.Setup/L10N"
            setup = provider.createInstanceWithArguments(
                "com.sun.star.configuration.ConfigurationAccess", (path,))
            return setup.getByName("ooLocale").split("-")[0]
        except Exception:
            return "en"

    def _tell(self, document, text):
        window = document.getCurrentController().getFrame().getContainerWindow()
        toolkit = self._context.ServiceManager.createInstanceWithContext(
            "com.sun.star.awt.Toolkit", self._context)
        box = toolkit.createMessageBox(window, WARNINGBOX, BUTTONS_OK, "ZAV41K", text)
        box.execute()
        box.dispose()
