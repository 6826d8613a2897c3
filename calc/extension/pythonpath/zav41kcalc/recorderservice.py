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
from com.sun.star.util.NumberFormat import LOGICAL
from org.zav41k.calc import XRecorder

from . import messages, recording, serviceinfo, values

IMPLEMENTATION = "org.zav41k.calc.Recorder"
SERVICES = (IMPLEMENTATION,)
# The same in every language, and to the millisecond: readings may come many a second.
TIME_FORMAT = "YYYY-MM-DD HH:MM:SS.000"
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
        self._recordings.forget(self._key)

    def disposing(self, event):
        self._recordings.forget(self._key)


def _first_cell(selection):
    """The top-left cell of a selected cell or range, or of the first of several."""
    if hasattr(selection, "getRangeAddress"):
        return selection.getRangeAddress()
    if hasattr(selection, "getRangeAddresses") and selection.getRangeAddresses():
        return selection.getRangeAddresses()[0]
    return None


def _formats(document):
    """The number formats of the time column and of the damaged column (TRUE or FALSE in the
    document's language)."""
    formats = document.getNumberFormats()
    locale = Locale("en", "US", "")
    key = formats.queryKey(TIME_FORMAT, locale, False)
    time_key = key if key >= 0 else formats.addNew(TIME_FORMAT, locale)
    return time_key, formats.getStandardFormat(LOGICAL, Locale())


class RecorderService(unohelper.Base, serviceinfo.ServiceInfo, XRecorder, XJobExecutor,
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
        self._reasons = {}
        self._listened = set()

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
        language = self._language()
        if self._follower.missing:
            raise IllegalArgumentException(self._follower.missing, self, 0)
        controller = document.getCurrentController()
        address = _first_cell(controller.getSelection())
        if address is None:
            raise IllegalArgumentException(messages.say(messages.NOT_A_CELL, language), self, 0)
        sheet = document.Sheets.getByIndex(address.Sheet)
        key = document.RuntimeUID

        def halted(why, row, kept):
            self._recordings.halted(key, kept)
            if why == recording.GONE:
                return
            text = messages.say(messages.STOPPED[why], self._language(), row=row, sheet=sheet.getName(),
                         kept=self._recordings.kept(key))
            self._reasons[key] = text
            self._tell(document, text)

        def make(kept):
            return recording.Recording(self._follower, sheet, address.StartColumn,
                                      address.StartRow, self._post, time.time_ns() // 1000,
                                      values.null_date_of(document), _formats(document), kept,
                                      halted)

        try:
            started = self._recordings.start(key, make)
        except PermissionError as refused:
            raise IllegalArgumentException(
                messages.say(messages.REFUSED[refused.args[0]], language, sheet=sheet.getName()), self, 0)
        if started:
            self._reasons.pop(key, None)
            if key not in self._listened:
                self._listened.add(key)
                document.addCloseListener(_StopOnClose(self._recordings, key))

    def stop(self, document):
        if document is not None:
            self._recordings.stop(document.RuntimeUID)

    def isRecording(self, document):
        return document is not None and self._recordings.is_recording(document.RuntimeUID)

    def stopReason(self, document):
        return "" if document is None else self._reasons.get(document.RuntimeUID, "")

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
        except IllegalArgumentException as refused:
            self._tell(document, refused.Message)

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
        try:
            window = document.getCurrentController().getFrame().getContainerWindow()
        except Exception:
            return  # no document window to speak over
        toolkit = self._context.ServiceManager.createInstanceWithContext(
            "com.sun.star.awt.Toolkit", self._context)
        box = toolkit.createMessageBox(window, WARNINGBOX, BUTTONS_OK, "ZAV41K", text)
        box.execute()
        box.dispose()
