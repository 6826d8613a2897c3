"""The ZAV41K spreadsheet function, registered with LibreOffice as a Calc add-in."""
import unohelper
from com.sun.star.lang import IllegalArgumentException, XServiceInfo, XServiceName
from org.zav41k.calc import XZav41k

from zav41kcalc import follower, results, values

IMPLEMENTATION = "org.zav41k.calc.Zav41kAddIn"
SERVICES = ("com.sun.star.sheet.AddIn",)

# One bus connection for every document of this LibreOffice.
_results = results.Results(follower.Follower())


class Zav41kAddIn(unohelper.Base, XZav41k, XServiceName, XServiceInfo):
    def __init__(self, context):
        self._context = context

    def zav41k(self, settings, application, topic, item):
        try:
            name = values.canonical_item(application, topic, item)
        except values.UnknownName as unknown:
            raise IllegalArgumentException(str(unknown), self, 0)
        return _results.get(name, results.null_date_of(settings))

    def getServiceName(self):
        return IMPLEMENTATION

    def getImplementationName(self):
        return IMPLEMENTATION

    def supportsService(self, name):
        return name in SERVICES

    def getSupportedServiceNames(self):
        return SERVICES


g_ImplementationHelper = unohelper.ImplementationHelper()
g_ImplementationHelper.addImplementation(Zav41kAddIn, IMPLEMENTATION, SERVICES)
