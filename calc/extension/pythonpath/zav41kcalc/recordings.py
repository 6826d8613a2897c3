"""The recordings of every document, at most one each, and the rows they could not write."""
import threading


class Recordings:
    """The recordings of every document, at most one each, keyed by the caller, and the rows
    that a recording stopped by itself could not write, until the next one writes them."""

    def __init__(self):
        self._lock = threading.Lock()
        self._recordings = {}
        self._kept = {}

    def start(self, key, make):
        """Starts a recording made by make(kept) unless the document has one; True if
        started. `kept` are the rows that the document's last recording did not write."""
        with self._lock:
            if key in self._recordings:
                return False
            self._recordings[key] = None
            kept = self._kept.pop(key, [])
        try:
            recording = make(kept)
        except BaseException:
            with self._lock:
                del self._recordings[key]
                if kept:
                    self._kept[key] = kept
            raise
        with self._lock:
            stopped = key not in self._recordings
            if not stopped:
                self._recordings[key] = recording
        if stopped:
            # Stopped while it started.
            recording.stop()
        return True

    def stop(self, key):
        with self._lock:
            recording = self._recordings.pop(key, None)
        if recording is not None:
            recording.stop()

    def halted(self, key, kept):
        """The document's recording stopped by itself; its unwritten rows wait for the next."""
        with self._lock:
            self._recordings.pop(key, None)
            if kept:
                self._kept[key] = self._kept.get(key, []) + list(kept)

    def forget(self, key):
        """The document is gone, and with it any rows kept for it."""
        self.stop(key)
        with self._lock:
            self._kept.pop(key, None)

    def kept(self, key):
        with self._lock:
            return len(self._kept.get(key, ()))

    def is_recording(self, key):
        with self._lock:
            return key in self._recordings
