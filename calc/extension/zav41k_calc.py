"""The ZAV41K spreadsheet function, a Calc add-in, and the recorder of readings into a sheet."""
import threading

import unohelper
from com.sun.star.frame import XTerminateListener
from com.sun.star.lang import IllegalArgumentException, XServiceInfo, XServiceName
from org.zav41k.calc import XZav41k

from zav41kcalc import follower, recorderservice, recordings, results, serviceinfo, values

IMPLEMENTATION = "org.zav41k.calc.Zav41kAddIn"
SERVICES = ("com.sun.star.sheet.AddIn",)

# One bus connection for every document of this LibreOffice.
_follower = follower.Follower()
_results = results.Results(_follower)
_recordings = recordings.Recordings()
_listening = threading.Lock()
_terminate_listener = None


class _StopOnTerminate(unohelper.Base, XTerminateListener):
    """Ends the bus thread when LibreOffice closes, before Python goes."""

    def queryTermination(self, event):
        pass

    def notifyTermination(self, event):
        _follower.stop()

    def disposing(self, event):
        _follower.stop()


def _stop_on_terminate(context):
    global _terminate_listener
    with _listening:
        if _terminate_listener is not None:
            return
        _terminate_listener = _StopOnTerminate()
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                               context)
    desktop.addTerminateListener(_terminate_listener)


class Zav41kAddIn(unohelper.Base, serviceinfo.ServiceInfo, XZav41k, XServiceName, XServiceInfo):
    IMPLEMENTATION = IMPLEMENTATION
    SERVICES = SERVICES

    def __init__(self, context):
        self._context = context
        _stop_on_terminate(context)

    def zav41k(self, settings, application, topic, item):
        try:
            name = values.canonical_item(application, topic, item)
        except values.UnknownName as unknown:
            raise IllegalArgumentException(str(unknown), self, 0)
        return _results.get(name, values.null_date_of(settings))

    def getServiceName(self):
        return IMPLEMENTATION


class Recorder(recorderservice.RecorderService):
    def __init__(self, context):
        super().__init__(context, _follower, _recordings)
        _stop_on_terminate(context)


g_ImplementationHelper = unohelper.ImplementationHelper()
g_ImplementationHelper.addImplementation(Zav41kAddIn, IMPLEMENTATION, SERVICES)
g_ImplementationHelper.addImplementation(Recorder, recorderservice.IMPLEMENTATION,
                                         recorderservice.SERVICES)
