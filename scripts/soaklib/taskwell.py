"""A stand-in for Taskwell itself while the soak runs: it commits to its own database through
the write-ahead log every few seconds of real time, as the organiser does while in use.

Each commit is one of: a new event with one or two alarms, an event moved, a task completed,
a new task; now and then a checkpoint, and rarely a VACUUM (which keeps the schema). Rows are
written as Core Data writes them (Z_PRIMARYKEY's Z_MAX, Z_OPT, the alarm join table).

Every event's alarms fall at least `margin` simulated seconds after the commit that sets
them, and an event is moved only while its alarms, old and new, are that far away, so what
is due is never in doubt while the host catches up. The journal records every event's
alarms and, after each commit, the digests of the database and its log, which must stay
exactly what this writer made.
"""
import hashlib
import os
import random
import sqlite3
import time
import uuid

from . import journal, simclock

MARGIN = 45 * 60
ALARM_OFFSETS = [600, 900, 1800, 3600]


def digest(path):
    try:
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()
    except FileNotFoundError:
        return None


def file_digests(db_path):
    return {"db": digest(db_path), "wal": digest(db_path + "-wal")}


class Taskwell:
    def __init__(self, db_path, record, seed):
        self.db_path = db_path
        self.record = record
        self.rng = random.Random(seed)
        self.db = sqlite3.connect(db_path, isolation_level=None, timeout=30)
        mode = self.db.execute("PRAGMA journal_mode").fetchone()[0]
        if mode != "wal":
            raise RuntimeError("Taskwell's database is not in WAL mode: " + mode)
        self.entity = dict(self.db.execute("SELECT Z_NAME, Z_ENT FROM Z_PRIMARYKEY"))
        self.calendar = self.db.execute(
            "SELECT Z_PK FROM ZTWCALCALENDAR WHERE Z_ENT=? ORDER BY Z_PK LIMIT 1", (self.entity["TWCalCalendar"],)).fetchone()[0]
        self.tasks_calendar = self.db.execute(
            "SELECT Z_PK FROM ZTWCALCALENDAR WHERE ZINTERNALID=0").fetchone()[0]
        self.events = {}  # id -> {"pk":, "start":, "alarms": [offsets]}
        self.next_id = 1
        self.commits = 0

    # -- Core Data's keys
    def _next_key(self, table, entity):
        pk = (self.db.execute("SELECT MAX(Z_PK) FROM " + table).fetchone()[0] or 0) + 1
        self.db.execute("UPDATE Z_PRIMARYKEY SET Z_MAX=MAX(Z_MAX, ?) WHERE Z_ENT=?", (pk, self.entity[entity]))
        return pk

    def remove_all_events(self, now):
        """Starts from no events: the soak knows every alarm because it wrote every event."""
        self.db.execute("BEGIN IMMEDIATE")
        alarm_ent = self.entity["TWCalAlarm"]
        event_ent = self.entity["TWCalEvent"]
        join = "Z_%dEVENTS" % alarm_ent
        self.db.execute("DELETE FROM ZTWCALALARM WHERE Z_PK IN (SELECT Z_%dALARMS FROM %s)" % (alarm_ent, join))
        self.db.execute("DELETE FROM " + join)
        self.db.execute("DELETE FROM ZTWCALEVENT")
        for table, column in [("ZTWLOCATION", "ZEVENT"), ("ZNOTESCONTAINER", "ZEVENT"), ("ZTWCALATTENDEE", "ZEVENT"),
                              ("ZTWCALRECURRENCERULE", "ZEVENT")]:
            self.db.execute("DELETE FROM %s WHERE %s IS NOT NULL" % (table, column))
        self.db.execute("DELETE FROM Z_%dTAGS" % event_ent)
        # Task alarms ring nowhere in the events plug-in; they stay.
        self.db.execute("COMMIT")
        self.db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
        self._journal_files(now, "cleared")

    def _journal_files(self, now, what):
        self.record.write(kind="taskwell-files", sim=now, what=what, wall=time.time(), **file_digests(self.db_path))

    def new_event(self, now):
        start = (int(now + MARGIN + self.rng.randint(0, 6 * 3600)) // 300 + 12) * 300
        alarms = sorted(self.rng.sample(ALARM_OFFSETS, self.rng.choice([1, 2])))
        self.new_event_at(now, start, alarms)

    def new_event_at(self, now, start, alarms):
        ident = self.next_id
        self.next_id += 1
        title = "Soak T%d" % ident
        self.db.execute("BEGIN IMMEDIATE")
        pk = self._next_key("ZTWCALEVENT", "TWCalEvent")
        self.db.execute(
            "INSERT INTO ZTWCALEVENT (Z_PK, Z_ENT, Z_OPT, ZBUSYSTATUSINTEGER, ZHASRECURRENCEINTERNAL, ZISALLDAY, "
            "ZISDELETEDEXCEPTION, ZSENSITIVITY, ZCALENDAR, ZRECURRENCERULE, ZROOTITEM, ZCREATIONDATE, ZENDDATEINTERNAL, "
            "ZMODIFICATIONDATE, ZOCCURRENCEDATEINTERNAL, ZSTARTDATEINTERNAL, ZEXTERNALIDENTIFIER, ZICON, ZTITLE, ZUID, "
            "ZENDDATETIMEZONE, ZSTARTDATETIMEZONE) VALUES (?, ?, 1, 0, 0, 0, 0, 0, ?, NULL, ?, ?, ?, ?, NULL, ?, NULL, "
            "NULL, ?, ?, NULL, NULL)",
            (pk, self.entity["TWCalEvent"], self.calendar, pk, now, start + 3600, now, start, title,
             str(uuid.UUID(int=self.rng.getrandbits(128))).upper()))
        alarm_ent = self.entity["TWCalAlarm"]
        for offset in alarms:
            apk = self._next_key("ZTWCALALARM", "TWCalAlarm")
            self.db.execute("INSERT INTO ZTWCALALARM (Z_PK, Z_ENT, Z_OPT, ZRELATIVETRIGGER, ZTASK, ZABSOLUTETRIGGERDATE, "
                            "ZSOUNDNAME) VALUES (?, ?, 1, ?, NULL, NULL, NULL)", (apk, alarm_ent, offset))
            self.db.execute("INSERT INTO Z_%dEVENTS (Z_%dALARMS, Z_%dEVENTS) VALUES (?, ?)"
                            % (alarm_ent, alarm_ent, self.entity["TWCalEvent"]), (apk, pk))
        self.db.execute("COMMIT")
        self.events[ident] = {"pk": pk, "start": start, "alarms": alarms, "title": title}
        self._journal_files(now, "commit")
        self.record.write(kind="event", sim=now, source="taskwell", title=title, start=start, alarms=alarms)

    def _movable(self, event, now):
        return all(event["start"] - a - now > MARGIN or event["start"] - a < now - 3600 for a in event["alarms"])

    def move_event(self, now):
        candidates = [i for i, e in self.events.items() if e["start"] > now + 2 * MARGIN + 3600 and self._movable(e, now)]
        if not candidates:
            return self.new_event(now)
        ident = self.rng.choice(candidates)
        event = self.events[ident]
        start = event["start"] + self.rng.choice([-1, 1, 2, 3]) * 1800
        if any(start - a - now <= MARGIN for a in event["alarms"]):
            start = event["start"] + 3600
        self.db.execute("BEGIN IMMEDIATE")
        self.db.execute("UPDATE ZTWCALEVENT SET ZSTARTDATEINTERNAL=?, ZENDDATEINTERNAL=?, ZMODIFICATIONDATE=?, "
                        "Z_OPT=Z_OPT+1 WHERE Z_PK=?", (start, start + 3600, now, event["pk"]))
        self.db.execute("COMMIT")
        event["start"] = start
        self.record.write(kind="event", sim=now, source="taskwell", title=event["title"], start=start,
                          alarms=event["alarms"])

    def complete_task(self, now):
        row = self.db.execute("SELECT Z_PK FROM ZTWCALTASK WHERE Z_ENT=? AND ZCOMPLETEDDATE IS NULL ORDER BY Z_PK "
                              "LIMIT 1 OFFSET ?", (self.entity["TWCalTask"], self.rng.randint(0, 5))).fetchone()
        if not row:
            return self.new_task(now)
        self.db.execute("BEGIN IMMEDIATE")
        self.db.execute("UPDATE ZTWCALTASK SET ZCOMPLETEDDATE=?, ZMODIFICATIONDATE=?, Z_OPT=Z_OPT+1 WHERE Z_PK=?",
                        (now, now, row[0]))
        self.db.execute("COMMIT")
        self.record.write(kind="task", sim=now, what="completed", pk=row[0])
        self._journal_files(now, "commit")

    def new_task(self, now):
        ident = self.next_id
        self.next_id += 1
        due = (int(now) // 86400 + self.rng.randint(0, 2)) * 86400.0  # UTC midnight of a local day: all day
        self.db.execute("BEGIN IMMEDIATE")
        pk = self._next_key("ZTWCALTASK", "TWCalTask")
        self.db.execute(
            "INSERT INTO ZTWCALTASK (Z_PK, Z_ENT, Z_OPT, ZACTIONINTEGER, ZCHILDCOUNTINTERNAL, ZFLAGGEDINTEGER, "
            "ZHASRECURRENCEINTERNAL, ZISALLDAY, ZPERCENTCOMPLETE, ZPRIORITYINTEGER, ZRECURRENCETYPEINTEGER, ZSENSITIVITY, "
            "ZSEQUENCE, ZSTARTDATEINCLUDESTIMEINTEGER, ZCALENDAR, ZCONTEXT, ZPARENTTASK, ZPROJECT, ZCOMPLETEDDATE, "
            "ZCREATIONDATE, ZENDDATEINTERNAL, ZMODIFICATIONDATE, ZSTARTDATEINTERNAL, ZFCPRIORITY, ZICON, ZTITLE, ZUID) "
            "VALUES (?, ?, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, ?, 0, ?, NULL, NULL, NULL, NULL, ?, ?, ?, NULL, NULL, NULL, ?, ?)",
            (pk, self.entity["TWCalTask"], pk * 10, self.tasks_calendar, now, due, now, "Soak task %d" % ident,
             str(uuid.UUID(int=self.rng.getrandbits(128))).upper()))
        self.db.execute("COMMIT")
        self.record.write(kind="task", sim=now, what="new", pk=pk)

    def step(self, now):
        self.commits += 1
        choice = self.rng.random()
        if choice < 0.35:
            self.new_event(now)
        elif choice < 0.55:
            self.move_event(now)
        elif choice < 0.75:
            self.complete_task(now)
        else:
            self.new_task(now)
        what = "commit"
        if self.commits % 25 == 0:
            self.db.execute("VACUUM")
            what = "vacuum"
        elif self.commits % 8 == 0:
            self.db.execute("PRAGMA wal_checkpoint(%s)" % self.rng.choice(["PASSIVE", "RESTART", "TRUNCATE"]))
            what = "checkpoint"
        self._journal_files(now, what)


def run(db_path, clock_path, journal_path, seed, stop_path, until, interval=(2.0, 4.0)):
    clock = simclock.SimClock(clock_path)
    writer = Taskwell(db_path, journal.Journal(journal_path), seed)
    rng = random.Random(seed + 1)
    while not os.path.exists(stop_path):
        clock.reload()
        now = clock.now()
        if now < until - 2 * MARGIN and clock.state["running"]:
            writer.step(now)
        deadline = time.time() + rng.uniform(*interval)
        while time.time() < deadline and not os.path.exists(stop_path):
            time.sleep(0.1)
    # Closing the last connection checkpoints the log into the database: that is Taskwell's
    # own last write.
    writer.db.close()
    writer._journal_files(clock.now(), "closed")
