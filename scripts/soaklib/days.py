"""The local days of the soak: midnights in the zone in effect, and the check that the first
refresh after each midnight shows the new day."""
import datetime
import zoneinfo

from . import rows, simclock

STALE_WORDS = ("Today", "Tomorrow", "Yesterday")


def midnights(first, last, zone_changes):
    """Local midnights in (first, last): zone_changes is [(sim time, zone name)], sorted."""
    out = []
    t = first
    while t < last:
        zone = [z for (when, z) in zone_changes if when <= t][-1]
        change = min([when for (when, z) in zone_changes if when > t] or [float("inf")])
        tz = zoneinfo.ZoneInfo(zone)
        local = datetime.datetime.fromtimestamp(t + simclock.UNIX_TO_REFERENCE, tz)
        nxt = (local + datetime.timedelta(days=1)).replace(hour=0, minute=0, second=0, microsecond=0)
        m = nxt.timestamp() - simclock.UNIX_TO_REFERENCE
        if m > change:
            t = change  # the zone changed first: its midnight counts
            continue
        if m >= last:
            break
        out.append((m, zone))
        t = m + 1
    return out


def check_midnight(lines, midnight, tolerance, section="tasks", refresh=60):
    """Replays one run's lines around a midnight. Answers (delay of the first publish after
    it or none, [rows still showing yesterday's day words after it]). One refresh may be
    reported in several batches: those within `refresh` simulated seconds of the first
    count as one."""
    before, after_first = {}, None
    state = {}
    first_time = None
    for line in lines:
        p = rows.parse(line)
        if not p or p[1] != section:
            continue
        t = simclock.parse_iso(p[0])
        if t >= midnight and first_time is None:
            first_time = t
            before = dict(state)
        if first_time is not None and t > first_time + refresh:
            break
        _, _, verb, row, texts = p
        if verb == "removed":
            state.pop(row, None)
        else:
            state[row] = texts.rstrip()
    if first_time is None:
        return None, []
    after_first = state
    stale = [row for row, texts in before.items()
             if any(w in texts for w in STALE_WORDS) and after_first.get(row) == texts]
    return first_time - midnight, stale
