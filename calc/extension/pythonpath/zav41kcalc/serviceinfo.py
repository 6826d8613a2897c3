"""What a UNO service says of itself, from its class's IMPLEMENTATION and SERVICES."""


class ServiceInfo:
    """Mixed into a unohelper.Base class that lists com.sun.star.lang.XServiceInfo."""

    IMPLEMENTATION = ""
    SERVICES = ()

    def getImplementationName(self):
        return self.IMPLEMENTATION

    def supportsService(self, name):
        return name in self.SERVICES

    def getSupportedServiceNames(self):
        return self.SERVICES
