"""What the soak checks on the device's files: the plug-ins' private database copies, the
alarm state, the preference domains, the pasteboards and the reminder lists, each whole and
readable, and the temporary files that interrupted writes leave behind.
"""
import glob
import os
import plistlib
import shutil
import sqlite3
import tempfile

CACHES = "var/mobile/Library/Caches"
PREFERENCES = "var/mobile/Library/Preferences"
REMINDERS = "var/mobile/Library/Calendar/Reminders"
ALARM_STATE = CACHES + "/com.kzt.kestrel.TWEvent-alarms.plist"


def copies(root):
    return sorted(p for p in glob.glob(os.path.join(root, CACHES, "com.kzt.kestrel.*.alternatedb")))


def integrity(path):
    """PRAGMA integrity_check of a copy as the next open would see it (with its journal),
    on a copy of the files so the check changes nothing."""
    with tempfile.TemporaryDirectory() as tmp:
        target = os.path.join(tmp, "copy.db")
        try:
            shutil.copyfile(path, target)
        except FileNotFoundError:
            return "gone"
        for suffix in ("-journal", "-wal"):
            if os.path.exists(path + suffix):
                shutil.copyfile(path + suffix, target + suffix)
        try:
            db = sqlite3.connect(target)
            result = db.execute("PRAGMA integrity_check").fetchone()[0]
            db.close()
            return result
        except sqlite3.DatabaseError as e:
            return "error: %s" % e


def plist_problems(root):
    """Property lists under the preferences and caches folders that do not parse."""
    problems = []
    for folder in (PREFERENCES, CACHES):
        for path in glob.glob(os.path.join(root, folder, "**", "*.plist"), recursive=True):
            try:
                with open(path, "rb") as f:
                    plistlib.load(f)
            except Exception as e:  # any failure to read is the finding
                problems.append("%s: %s" % (os.path.relpath(path, root), type(e).__name__))
    return problems


def damaged_files(root):
    return sorted(os.path.relpath(p, root) for p in glob.glob(os.path.join(root, "**", "*.damaged"), recursive=True))


def ics_problems(root, folder=REMINDERS):
    problems = []
    for path in glob.glob(os.path.join(root, folder, "*", "*.ics")):
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        if not text.startswith("BEGIN:VCALENDAR") or not text.rstrip().endswith("END:VCALENDAR"):
            problems.append(os.path.relpath(path, root))
    return problems


def reminder_titles(root):
    titles = set()
    for path in glob.glob(os.path.join(root, REMINDERS, "*", "*.ics")):
        with open(path, "rb") as f:
            for line in f.read().decode("utf-8", "replace").splitlines():
                if line.startswith("SUMMARY:"):
                    titles.add(line[len("SUMMARY:"):])
    return titles


def leftovers(root):
    """Temporary files of writes that never finished (names the writers use for them)."""
    found = []
    for path in glob.glob(os.path.join(root, "var", "**", "*"), recursive=True):
        name = os.path.basename(path)
        if ".tmp." in name or ".tmp-" in name or name.endswith(".tmp"):
            if "/Calendar/Events/" in path:
                continue  # the soak's own calendar client
            found.append(os.path.relpath(path, root))
    return sorted(found)
