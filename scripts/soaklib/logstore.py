"""Reading the device's log store (/var/log/kestrel/system.log under the root) back.

Each line is "SECONDS<TAB>PID<TAB>MESSAGE" with the message's line breaks escaped; the time
is the device clock's.
"""
import os
import re

PATH = "var/log/kestrel/system.log"

_TITLE = re.compile(r"; title = (.*?); interact = ")
_NEXT_ALARM = re.compile(r"; nextAlarm = ([0-9T:\-]+Z)>")


def entries(root):
    path = os.path.join(root, PATH)
    out = []
    with open(path, errors="replace") as f:
        for n, line in enumerate(f):
            parts = line.rstrip("\n").split("\t", 2)
            if len(parts) != 3:
                continue
            try:
                out.append((float(parts[0]), int(parts[1]), parts[2], n))
            except ValueError:
                continue
    return out


def event_title(message):
    m = _TITLE.search(message)
    return m.group(1) if m else None


def next_alarm(message):
    m = _NEXT_ALARM.search(message)
    return m.group(1) if m else None
