#!/usr/bin/python3
"""Compares the calendar store's occurrences of .ics files with python3-recurring-ical-events.

    compare_with_peer.py --store build/debug/bin/store_occurrences [--tz ZONE] FILE_OR_FOLDER...

Prints the number of files and occurrences compared and every difference left, each with
the reason where the store follows RFC 5545 and the peer does not. Exits 1 when a difference
has no reason below, 77 when the peer is not installed (the test is then skipped).
"""
import argparse
import datetime
import glob
import os
import subprocess
import sys
import zoneinfo

try:
    import icalendar
    import recurring_ical_events
except ImportError:
    print("python3-recurring-ical-events is not installed; nothing compared")
    sys.exit(77)

WINDOW = ("2026-11-01T00:00:00Z", "2027-01-31T00:00:00Z")

# Where the store and the peer differ on purpose, per (file, UID).
REASONS = {
    ("mixed-value-types.ics", "until-before-start"):
        "UNTIL before DTSTART: DTSTART is always the first instance of the recurrence set "
        "(RFC 5545 3.8.5.3), so the store lists it once; the peer lists nothing",
    ("mixed-value-types.ics", "time-until-date"):
        "DATE UNTIL of a timed series: UNTIL bounds the rule inclusively (RFC 5545 3.3.10), "
        "so the store keeps the whole of that day in the series' zone; the peer stops at the "
        "midnight starting it and drops the last evening",
    ("mixed-value-types.ics", "date-until-time"):
        "a DATE DTSTART without DTEND or DURATION lasts one day (RFC 5545 3.6.1); the peer "
        "gives it no length",
    ("several-events-in-one-file.ics", "export-2"):
        "a DATE DTSTART without DTEND or DURATION lasts one day (RFC 5545 3.6.1); the peer "
        "gives it no length",
    ("mixed-value-types.ics", "date-start-time-end"):
        "DTEND must have DTSTART's value type (RFC 5545 3.8.2.2); the store keeps the event "
        "all-day as its DTSTART says, through the day its DTEND falls in; the peer makes it a "
        "timed event from midnight UTC",
    ("this-and-future.ics", "planning-range"):
        "RANGE=THISANDFUTURE changes this and every later instance (RFC 5545 3.2.13, "
        "3.8.4.4); this version of the peer changes only the one instance",
    ("duplicate-masters.ics", "dup-modified"):
        "two masters with one UID and the same SEQUENCE: the store uses the newer revision "
        "(later LAST-MODIFIED, else DTSTAMP, as RFC 5546 2.1.5 orders revisions); the peer "
        "lists both",
    ("duplicate-masters.ics", "dup-stamp"):
        "two masters with one UID and the same SEQUENCE: the store uses the newer revision "
        "(later LAST-MODIFIED, else DTSTAMP, as RFC 5546 2.1.5 orders revisions); the peer "
        "lists both",
}


def utc_text(value, zone):
    if isinstance(value, datetime.datetime):
        if value.tzinfo is None:
            value = value.replace(tzinfo=zone)
    else:  # a DATE: midnight starting the day where the device is
        value = datetime.datetime(value.year, value.month, value.day, tzinfo=zone)
    return value.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def peer_occurrences(path, zone):
    with open(path, "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    start = datetime.datetime.fromisoformat(WINDOW[0].replace("Z", "+00:00"))
    stop = datetime.datetime.fromisoformat(WINDOW[1].replace("Z", "+00:00"))
    out = []
    for event in recurring_ical_events.of(calendar).between(start, stop):
        begin = event["DTSTART"].dt
        end = event["DTEND"].dt if event.get("DTEND") else begin
        status = str(event.get("STATUS", "none")).lower()
        out.append((str(event.get("UID")), utc_text(begin, zone), utc_text(end, zone), status,
                    str(event.get("SUMMARY", ""))))
    return out


def store_occurrences(tool, paths, zone_name):
    run = subprocess.run([tool, "--tz", zone_name, "--from", WINDOW[0], "--to", WINDOW[1], *paths],
                         capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        sys.exit(f"store_occurrences failed: {run.stderr}")
    out = {}
    for line in run.stdout.splitlines():
        name, uid, begin, end, _kind, status, title = line.split("\t")
        out.setdefault(name, []).append((uid, begin, end, status, title))
    return out


def differences(store, peer):
    """(uid, text) for each occurrence that is not the same on both sides."""
    by_start = lambda items: {(o[0], o[1]): o for o in items}
    mine, theirs = by_start(store), by_start(peer)
    out = []
    for key in sorted(set(mine) | set(theirs)):
        a, b = mine.get(key), theirs.get(key)
        if a == b:
            continue
        if not b:
            out.append((key[0], f"only in the store: {a[1]} to {a[2]} {a[4]!r} ({a[3]})"))
        elif not a:
            out.append((key[0], f"only in the peer: {b[1]} to {b[2]} {b[4]!r} ({b[3]})"))
        else:
            fields = [f"{n} {x!r} / {y!r}" for n, x, y in zip(("end", "status", "title"), a[2:], b[2:]) if x != y]
            out.append((key[0], f"{key[1]}: store / peer differ in " + ", ".join(fields)))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--store", required=True, help="the store_occurrences program")
    parser.add_argument("--tz", default="Europe/Berlin")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    files = []
    for p in args.paths:
        files += sorted(glob.glob(os.path.join(p, "*.ics"))) if os.path.isdir(p) else [p]
    zone = zoneinfo.ZoneInfo(args.tz)
    store = store_occurrences(args.store, files, args.tz)
    in_store = in_peer = same = different = unexplained = 0
    print(f"window {WINDOW[0]} to {WINDOW[1]}, zone {args.tz}")
    for path in files:
        name = os.path.basename(path)
        mine, theirs = store.get(name, []), peer_occurrences(path, zone)
        found = differences(mine, theirs)
        in_store += len(mine)
        in_peer += len(theirs)
        same += len(set(mine) & set(theirs))
        different += len(found)
        for uid, text in found:
            reason = REASONS.get((name, uid))
            if not reason:
                unexplained += 1
            print(f"  {name} {uid}: {text}\n      {'why: ' + reason if reason else 'NOT EXPLAINED'}")
    print(f"{len(files)} files; occurrences: {in_store} from the store, {in_peer} from the peer, {same} the same; "
          f"{different} differences ({unexplained} not explained)")
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
