"""A stand-in for the device's calendar clients while the soak runs: it writes, edits, renames
and deletes event files (.ics) in the device's calendar folders and adds and removes whole
collections, as a sync client does.

Like the Taskwell stand-in, it changes an event only while its alarm is at least `margin`
simulated seconds away, and records every event's alarms in its journal. Edits are written
either in place or as a new file renamed over the old one (both happen in the wild).
"""
import os
import random
import shutil
import time

from . import journal, simclock
from .taskwell import MARGIN

EVENTS_FOLDER = "var/mobile/Library/Calendar/Events"


def ics(uid, title, start, alarm):
    stamp = simclock.iso(start).replace("-", "").replace(":", "")
    end = simclock.iso(start + 1800).replace("-", "").replace(":", "")
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Soak//Calendar client//EN\r\nBEGIN:VEVENT\r\n"
            "UID:%s\r\nDTSTAMP:%s\r\nDTSTART:%s\r\nDTEND:%s\r\nSUMMARY:%s\r\n"
            "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:%s\r\nTRIGGER:-PT%dM\r\nEND:VALARM\r\n"
            "END:VEVENT\r\nEND:VCALENDAR\r\n" % (uid, stamp, stamp, end, title, title, alarm // 60))


class Calendars:
    def __init__(self, root, record, seed):
        self.folder = os.path.join(root, EVENTS_FOLDER)
        self.record = record
        self.rng = random.Random(seed)
        self.events = {}  # uid -> {"collection", "file", "start", "alarm", "title"}
        self.collections = []
        self.next_id = 1
        self.next_collection = 1
        self.steps = 0

    def clear(self):
        """Starts from no device events (the sample calendars' alarms are not the soak's)."""
        if os.path.isdir(self.folder):
            shutil.rmtree(self.folder)
        os.makedirs(self.folder)
        self.new_collection()

    def new_collection(self):
        name = "soak-%d" % self.next_collection
        self.next_collection += 1
        path = os.path.join(self.folder, name)
        os.makedirs(path)
        with open(os.path.join(path, "displayname"), "w") as f:
            f.write("Soak %s\n" % name)
        self.collections.append(name)
        return name

    def _path(self, event):
        return os.path.join(self.folder, event["collection"], event["file"])

    def _write(self, event, atomic):
        text = ics(event["uid"], event["title"], event["start"], event["alarm"])
        path = self._path(event)
        if atomic:
            tmp = os.path.join(os.path.dirname(path), ".%s.tmp" % event["file"])
            with open(tmp, "w") as f:
                f.write(text)
            os.replace(tmp, path)
        else:
            with open(path, "w") as f:
                f.write(text)

    def _changeable(self, event, now):
        due = event["start"] - event["alarm"]
        return due - now > MARGIN or due < now - 3600

    def new_event(self, now, collection=None):
        ident = self.next_id
        self.next_id += 1
        uid = "soak-device-%d@example.com" % ident
        event = {"uid": uid, "collection": collection or self.rng.choice(self.collections), "file": "%d.ics" % ident,
                 "title": "Soak D%d" % ident, "alarm": self.rng.choice([600, 900, 1800]),
                 "start": (int(now + MARGIN + 3600 + self.rng.randint(0, 6 * 3600)) // 300) * 300}
        self._write(event, self.rng.random() < 0.5)
        self.events[uid] = event
        self._journal(now, event)

    def _journal(self, now, event, removed=False):
        self.record.write(kind="event", sim=now, source="device", title=event["title"],
                          start=None if removed else event["start"], alarms=[] if removed else [event["alarm"]])

    def _pick(self, now):
        candidates = [e for e in self.events.values() if self._changeable(e, now)]
        return self.rng.choice(candidates) if candidates else None

    def edit_event(self, now):
        event = self._pick(now)
        if not event:
            return self.new_event(now)
        start = event["start"] + self.rng.choice([1, 2]) * 1800
        if start - event["alarm"] - now <= MARGIN:
            return self.new_event(now)
        event["start"] = start
        self._write(event, self.rng.random() < 0.5)
        self._journal(now, event)

    def rename_event(self, now):
        event = self._pick(now)
        if not event:
            return self.new_event(now)
        old = self._path(event)
        event["file"] = "renamed-" + event["file"]
        os.rename(old, self._path(event))
        self._journal(now, event)

    def delete_event(self, now):
        event = self._pick(now)
        if not event:
            return self.new_event(now)
        os.remove(self._path(event))
        del self.events[event["uid"]]
        self._journal(now, event, removed=True)

    def replace_collection(self, now):
        """A new collection with two events; an old one whose events may change goes whole."""
        name = self.new_collection()
        for _ in range(2):
            self.new_event(now, name)
        for old in self.collections[:-1]:
            members = [e for e in self.events.values() if e["collection"] == old]
            if all(self._changeable(e, now) for e in members):
                shutil.rmtree(os.path.join(self.folder, old))
                self.collections.remove(old)
                for e in members:
                    del self.events[e["uid"]]
                    self._journal(now, e, removed=True)
                break

    def step(self, now):
        self.steps += 1
        if self.steps % 12 == 0:
            return self.replace_collection(now)
        choice = self.rng.random()
        if choice < 0.4:
            self.new_event(now)
        elif choice < 0.65:
            self.edit_event(now)
        elif choice < 0.8:
            self.rename_event(now)
        else:
            self.delete_event(now)


def run(root, clock_path, journal_path, seed, stop_path, until, interval=(2.0, 5.0)):
    clock = simclock.SimClock(clock_path)
    client = Calendars(root, journal.Journal(journal_path), seed)
    client.collections = sorted(d for d in os.listdir(client.folder) if os.path.isdir(os.path.join(client.folder, d)))
    client.next_collection = len(client.collections) + 1
    rng = random.Random(seed + 1)
    while not os.path.exists(stop_path):
        clock.reload()
        now = clock.now()
        if now < until - 2 * MARGIN and clock.state["running"]:
            client.step(now)
        deadline = time.time() + rng.uniform(*interval)
        while time.time() < deadline and not os.path.exists(stop_path):
            time.sleep(0.1)
