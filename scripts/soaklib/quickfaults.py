"""Quick fault checks for the suite (ctest faults_quick, `scripts/soak --quick-faults`): the
one-shot kestrel commands run once under each fault of libkestrel-faults.so, against a
generated device. Each must end normally (no crash), keep the previous good file byte for
byte, leave no temporary file, say what went wrong in the log store, and work again once the
fault is gone. The soak's fault phase does the same to a long-running host.
"""
import glob
import hashlib
import os
import shutil
import subprocess
import tempfile

from . import device, logstore, simclock, taskwell, journal

NOW = "2026-12-08T14:30:00Z"
ZONE = "Europe/Berlin"


def digest(path):
    try:
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()
    except FileNotFoundError:
        return None


class QuickFaults:
    def __init__(self, kestrel, fixture, shim):
        self.kestrel, self.fixture, self.shim = kestrel, fixture, shim
        self.work = tempfile.mkdtemp(prefix="kestrel-faults-")
        self.root = os.path.join(self.work, "device")
        self.failures = []

    def run_kestrel(self, args, rules=None):
        env = dict(os.environ)
        if rules:
            env.update(LD_PRELOAD=self.shim, KESTREL_FAULTS=rules)
        return subprocess.run([self.kestrel] + args, capture_output=True, text=True, timeout=120, env=env)

    def session(self, plugin, *steps, command="rows"):
        args = [command, "--plugin", plugin, "--root", self.root, "--now", NOW, "--tz", ZONE]
        return args + list(steps) + (["--json"] if command == "rows" else [])

    def log_lines(self, since):
        return [m for t, pid, m, n in logstore.entries(self.root) if n >= since]

    def log_mark(self):
        path = os.path.join(self.root, logstore.PATH)
        return len(logstore.entries(self.root)) if os.path.exists(path) else 0

    def expect(self, name, ok, detail=""):
        print("  %s %s%s" % ("ok  " if ok else "FAIL", name, (": " + detail) if detail and not ok else ""), flush=True)
        if not ok:
            self.failures.append(name)

    def setup(self):
        subprocess.run([self.fixture, "--root", self.root, "--now", NOW, "--tz", ZONE], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        self.db = glob.glob(os.path.join(self.root, "var/mobile/Applications/*/Documents/pim.tallybookdata"))[0]
        self.taskwell = taskwell.Taskwell(self.db, journal.Journal(os.path.join(self.work, "journal.jsonl")), 1)
        for plugin in ("tasks", "events"):
            out = self.run_kestrel(self.session(plugin))
            if out.returncode != 0:
                raise SystemExit("kestrel rows failed on the fresh device: " + out.stderr)

    def one(self, name, rules, command, kept, after_ok=None, expect_status=(0, 1)):
        """Runs `command` under `rules`; `kept` are the files that must not change."""
        before = {p: digest(p) for p in kept}
        mark = self.log_mark()
        out = self.run_kestrel(command, rules)
        lines = self.log_lines(mark)
        said = [l for l in lines if any(w in l for w in ("Cannot", "Unable", "Failed", "failed", "error"))]
        print("%s (status %d): %s" % (name, out.returncode, (said[0][:150] if said else "no log line")), flush=True)
        self.expect(name + ": ends normally", out.returncode in expect_status, out.stderr[-300:])
        self.expect(name + ": previous file kept", all(digest(p) == d for p, d in before.items()))
        self.expect(name + ": says so in the log", bool(said) or (out.returncode != 0 and bool(out.stderr.strip())))
        left = device.leftovers(self.root)
        self.expect(name + ": no temporary file left", not left, str(left))
        if after_ok:
            after_ok()
        return out

    def copy_of(self, resource):
        return os.path.join(self.root, device.CACHES, "com.kzt.kestrel.pim.tallybookdata-%s.alternatedb" % resource)

    def run(self):
        self.setup()
        now = simclock.parse_iso(NOW)
        copy = self.copy_of("TWTask")

        def recovers():
            self.taskwell.complete_task(now)
            out = self.run_kestrel(self.session("tasks"))
            self.expect("  ... and the next refresh without the fault reads the new data",
                        out.returncode == 0 and digest(copy) is not None and device.integrity(copy) == "ok")

        for fault, rules in (("disk full on the copy", "enospc:write:alternatedb"),
                             ("write error on the copy", "eio:write:alternatedb"),
                             ("read error on Taskwell's file", "eio:read:pim.tallybookdata")):
            # A one-shot command drops the old copy at its first refresh (as a plug-in that was
            # just loaded does), so there is no previous copy to keep: none may be left damaged.
            self.taskwell.complete_task(now)
            self.one(fault, rules, self.session("tasks"), [], recovers)
            self.expect(fault + ": no damaged copy left",
                        not os.path.exists(copy) or device.integrity(copy) == "ok")

        # The alarm state: an alarm falls due while the disk is full.
        self.taskwell.new_event_at(now, now + 900, [600])  # alarm at 14:35
        state = os.path.join(self.root, device.ALARM_STATE)
        self.run_kestrel(self.session("events", "wait", "1m", command="act"))  # a state file to keep
        mark = self.log_mark()
        self.one("disk full on the alarm state", "enospc:write:TWEvent-alarms.plist",
                 self.session("events", "at", "2026-12-08T14:36:00Z", command="act"), [state])
        rang = any(l.startswith("KS:SystemSound: ") for l in self.log_lines(mark))
        self.expect("disk full on the alarm state: the alarm rings all the same", rang)

        domain = os.path.join(self.root, device.PREFERENCES, "com.kzt.kestrel.TWPlugin.plist")
        self.run_kestrel(["settings", "tasks/list", "--root", self.root, "--set", "Most tasks=8"])
        self.one("disk full on a preference domain", "enospc:write:com.kzt.kestrel.TWPlugin",
                 ["settings", "tasks/list", "--root", self.root, "--set", "Most tasks=9"], [domain])
        lists = sorted(glob.glob(os.path.join(self.root, device.REMINDERS, "*", "*.ics")))
        out = self.one("disk full on a reminder write", "enospc:write:Calendar/Reminders",
                       self.session("tasks", "new", "Written on a full disk", "device", command="act"), lists)
        self.expect("disk full on a reminder write: no reminder half made",
                    "Written on a full disk" not in device.reminder_titles(self.root) and not device.ics_problems(self.root))
        boards = glob.glob(os.path.join(self.root, device.CACHES, "com.apple.UIKit.pboard", "*.plist"))
        self.one("disk full on the pasteboards", "enospc:write:pboard", self.session("tasks"), boards)
        problems = device.plist_problems(self.root)
        self.expect("every property list still reads", not problems, str(problems))
        if not self.failures:
            shutil.rmtree(self.work, ignore_errors=True)
        else:
            print("work folder kept: " + self.work)
        return 0 if not self.failures else 1
