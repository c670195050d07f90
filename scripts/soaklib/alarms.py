"""Which alarms were due during the soak (from the writers' journals) and which rang (from
the device's log store), and the comparison of the two.

Due: every alarm time d = start - offset of an event version, between that version's commit
and the next change of the event (the writers change events only while their alarms are far
off, so this is never in doubt), within the clock's stretch the soak checks.

Rang: an alarm start in the log store ("Found newly triggered alarm ..." names the event
and, as its nextAlarm, the due time). A start is "heard" when its process made a sound after
it (the first repetition comes one alert interval in): a host killed between starting an
alarm and its first sound has rung nothing, and its successor must ring it (that is not a
double). A snooze rings again through "Sounding additional reminder for event".
"""
import collections

from . import logstore, simclock

# The longest reminder (alertDuration) and one repetition more.
HEARD_WITHIN = 660.0


def due_alarms(records, first, last):
    """{(title, due)} of the event records, restricted to first <= due < last."""
    versions = collections.defaultdict(list)
    for r in records:
        if r.get("kind") == "event":
            versions[r["title"]].append(r)
    due = set()
    for title, vs in versions.items():
        for i, v in enumerate(vs):
            if v["start"] is None:
                continue
            until = vs[i + 1]["sim"] if i + 1 < len(vs) else float("inf")
            for offset in v["alarms"]:
                d = v["start"] - offset
                if v["sim"] < d < until and first <= d < last:
                    due.add((title, float(d)))
    return due


class Ring:
    def __init__(self, title, due, time, pid, line):
        self.title, self.due, self.time, self.pid, self.line = title, due, time, pid, line
        self.heard = False
        self.heard_at = None  # the first sound after the start


def rings(entries):
    """Alarm starts and snooze rings in the log, in order, each marked heard or not."""
    starts, snoozes = [], []
    sounds_by_pid = collections.defaultdict(list)
    for t, pid, msg, n in entries:
        if msg.startswith("KS:SystemSound: "):
            sounds_by_pid[pid].append(n)
        elif msg.startswith("KS:TWEvent: Found newly triggered alarm "):
            title = logstore.event_title(msg)
            na = logstore.next_alarm(msg)
            starts.append(Ring(title, simclock.parse_iso(na) if na else None, t, pid, n))
        elif msg.startswith("KS:TWEvent: Sounding additional reminder for event "):
            snoozes.append(Ring(logstore.event_title(msg), None, t, pid, n))
    sounds = sorted((n, t) for t, pid, msg, n in entries if msg.startswith("KS:SystemSound: "))
    # A start whose sound decision is "Negative duration" (its reminder was over: the clock
    # jumped past it) sounds nothing.
    silent = set()
    pending = {}
    for t, pid, msg, n in entries:
        if msg.startswith("KS:TWEvent: Found newly triggered alarm "):
            pending.setdefault(pid, []).append(n)
        elif msg.startswith("KS:TWEvent: Negative duration"):
            silent.update(pending.pop(pid, []))
        elif msg.startswith("KS:TWEvent: New alarm detected"):
            pending.pop(pid, None)
    for r in starts + snoozes:
        # Its own process's sound, or the repetitions a restarted host resumed.
        r.heard = any(n > r.line for n in sounds_by_pid[r.pid]) or any(
            n > r.line and r.time <= t <= r.time + HEARD_WITHIN for n, t in sounds)
        if r.line in silent:
            r.heard = False
        later = [t for n, t in sounds if n > r.line and r.time - 1 <= t <= r.time + HEARD_WITHIN]
        r.heard_at = min(later) if later else None
    return starts, snoozes


def compare(due, starts, tolerance, quiet_from=float("inf"), snoozed=()):
    """Matches starts to due alarms: {'due', 'rang', 'missed', 'doubled', 'unexpected',
    'late', 'unheard', 'lateness_max'} with the lists of what went wrong. Starts of alarms
    due from `quiet_from` on (the host's last minutes) are left out."""
    by_alarm = collections.defaultdict(list)
    unexpected = []
    for r in starts:
        # A snoozed alarm at its snooze time starts again as the snooze's ring (counted there).
        if any(r.title == title and r.due is not None and at - 30 <= r.due <= at + 400 for title, at in snoozed):
            continue
        if not r.title or not r.title.startswith("Soak "):
            unexpected.append(r)
            continue
        key = (r.title, r.due)
        # The nextAlarm a start names may be the event's following alarm already.
        if key not in due or r.due > r.time + 60:
            # A start found late by the missed-alarm check names the event's next alarm; it
            # rings the latest one due by then.
            candidates = [d for (t, d) in due if t == r.title and d <= r.time + 1]
            key = (r.title, max(candidates)) if candidates else None
        if key is None and (r.due or r.time) >= quiet_from:
            continue  # due when the host stops: neither expected nor wrong
        if key is None:
            unexpected.append(r)
        else:
            by_alarm[key].append(r)
    missed = sorted(k for k in due if not any(r.heard for r in by_alarm.get(k, [])))
    doubled = sorted(k for k, rs in by_alarm.items() if sum(1 for r in rs if r.heard) > 1)
    late = []
    lateness = 0.0
    sound_lateness = 0.0
    for k, rs in by_alarm.items():
        heard = [r for r in rs if r.heard]
        if not heard:
            continue
        delay = heard[0].time - k[1]
        lateness = max(lateness, delay)
        if heard[0].heard_at is not None:
            sound_lateness = max(sound_lateness, heard[0].heard_at - k[1])
        if delay > tolerance or delay < -1:
            late.append((k, delay))
    return {
        "due": len(due),
        "rang": sum(1 for k in due if any(r.heard for r in by_alarm.get(k, []))),
        "missed": missed,
        "doubled": doubled,
        "unexpected": [(r.title, r.time) for r in unexpected],
        "late": late,
        "unheard_starts": sum(1 for rs in by_alarm.values() for r in rs if not r.heard),
        "lateness_max": lateness,
        "sound_lateness_max": sound_lateness,
    }
