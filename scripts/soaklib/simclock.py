"""The soak's simulated clock, shared by the harness and its writer processes through a file.

The harness owns the clock: it runs at `speed` simulated seconds per real second while a host
runs, stands still while the host is down (a restart on the device takes no simulated time),
and jumps when the harness sets the device clock. Writers only read it.
Times are seconds since 2001-01-01 00:00:00 UTC, as the device's dates are.
"""
import datetime
import json
import os
import time

UNIX_TO_REFERENCE = 978307200.0


def iso(seconds):
    """ISO-8601 UTC text of a reference-date time, as kestrel reads and prints it."""
    moment = datetime.datetime.fromtimestamp(seconds + UNIX_TO_REFERENCE, tz=datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def parse_iso(text):
    moment = datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=datetime.timezone.utc)
    return moment.timestamp() - UNIX_TO_REFERENCE


class SimClock:
    def __init__(self, path, start=None, speed=None):
        self.path = path
        if start is not None:
            self.state = {"real": time.time(), "sim": float(start), "speed": float(speed), "running": False}
            self._save()
        else:
            self.reload()

    def reload(self):
        for _ in range(50):
            try:
                with open(self.path) as f:
                    self.state = json.load(f)
                return
            except (OSError, ValueError):
                time.sleep(0.01)
        raise RuntimeError("cannot read the soak clock " + self.path)

    def _save(self):
        tmp = self.path + ".tmp"
        with open(tmp, "w") as f:
            json.dump(self.state, f)
        os.replace(tmp, self.path)

    def now(self):
        s = self.state
        if not s["running"]:
            return s["sim"]
        return s["sim"] + (time.time() - s["real"]) * s["speed"]

    @property
    def speed(self):
        return self.state["speed"]

    def run(self, at=None):
        """Starts the clock (from `at`, else from where it stands)."""
        self.state = {"real": time.time(), "sim": self.now() if at is None else at,
                      "speed": self.speed, "running": True}
        self._save()

    def stop(self):
        self.state = {"real": time.time(), "sim": self.now(), "speed": self.speed, "running": False}
        self._save()

    def move(self, seconds):
        running = self.state["running"]
        self.state = {"real": time.time(), "sim": self.now() + seconds, "speed": self.speed, "running": running}
        self._save()

    def set_speed(self, speed):
        running = self.state["running"]
        self.state = {"real": time.time(), "sim": self.now(), "speed": float(speed), "running": running}
        self._save()

    def real_seconds(self, sim_seconds):
        return sim_seconds / self.speed
