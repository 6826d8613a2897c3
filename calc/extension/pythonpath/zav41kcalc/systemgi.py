"""GLib's Python bindings (python3-gi), which the cells follow the bus with."""

# What a cell shows when they are not installed: without it, Calc's bare error value says
# nothing of the cause.
MISSING = "ZAV41K needs the package python3-gi"


def load():
    """The gi module with Gio 2.0 chosen, or None when it is not installed."""
    try:
        import gi
    except ImportError:
        return None
    gi.require_version("Gio", "2.0")
    return gi
