"""The sections as the host published them, rebuilt from `kestrel run`'s lines, and the same
texts from a fresh `kestrel rows --json`, so the two can be compared."""
import json
import re
import subprocess

_LINE = re.compile(r"^(\S+)  (\S+)  (added|removed|changed)  (\S+)  ?(.*)$")


def parse(line):
    """(time text, section, verb, row id, texts) of a row line; none for any other line."""
    m = _LINE.match(line)
    return m.groups() if m else None


def published(lines):
    """{section: {row id: texts}} after the given lines of one run."""
    state = {}
    for line in lines:
        p = parse(line)
        if not p:
            continue
        _, section, verb, row, texts = p
        rows = state.setdefault(section, {})
        if verb == "removed":
            rows.pop(row, None)
        else:
            rows[row] = texts.rstrip()
    return state


def texts_of(row):
    summary = row.get("summary") or ""
    more = row.get("highlight") or ""
    detail = row.get("detail") or ""
    if detail:
        more += ("  " if more else "") + detail
    if more:
        summary += (" | " if summary else "") + more
    return summary.rstrip()


def fresh(kestrel, root, now_iso, zone, plugins=("tasks", "events")):
    cmd = [kestrel, "rows", "--root", root, "--now", now_iso, "--tz", zone, "--json"]
    for p in plugins:
        cmd += ["--plugin", p]
    out = subprocess.run(cmd, capture_output=True, text=True, timeout=120)
    if out.returncode != 0:
        raise RuntimeError("kestrel rows failed: " + out.stderr.strip())
    state = {}
    for line in out.stdout.splitlines():
        line = line.strip()
        if not line.startswith("{"):
            continue
        row = json.loads(line)
        state.setdefault(row["section"], {})[row["uniqueID"]] = texts_of(row)
    return state
