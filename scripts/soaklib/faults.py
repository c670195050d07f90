"""The fault phase of the soak: faults a real device has, injected into the running host
through libkestrel-faults.so's rule file (tools/faults/KestrelFaults.c), one at a time.

Each fault is switched on, the operation it hits is brought about (Taskwell commits, an
alarm falls due, a restart writes the status pasteboard, `kestrel settings` and `kestrel act`
write their files), and switched off again. What it left is recorded: the log lines it
caused, whether a message row was shown, whether the host went on, whether the files are
as good as before, and whether the host recovered once the fault was gone.
"""
import os
import subprocess
import time

from . import device, logstore, simclock

PROBLEM_WORDS = ("Cannot", "Unable", "Failed", "failed", "error", "cannot", "refused", "not saved", "lost",
                 "Run control")


class FaultPhase:
    def __init__(self, soak):
        self.soak = soak
        self.rules = os.path.join(soak.work, "faults.rules")
        self.results = []

    def env(self):
        return {"LD_PRELOAD": self.soak.shim, "KESTREL_FAULTS_FILE": self.rules}

    def set_rules(self, text):
        tmp = self.rules + ".tmp"
        with open(tmp, "w") as f:
            f.write(text + "\n")
        os.replace(tmp, self.rules)
        time.sleep(0.05)  # the shim looks at most every 20 ms

    def log_since(self, line_count):
        entries = logstore.entries(self.soak.root)
        return [m for t, pid, m, n in entries if n >= line_count]

    def log_size(self):
        return len(logstore.entries(self.soak.root))

    def message_rows(self, mark):
        with self.soak.host.lock:
            lines = [l for _, l in self.soak.host.lines[mark:]]
        return [l for l in lines if "[[[message]]]" in l and ("added" in l or "changed" in l)]

    def snapshot_files(self):
        return {"copies": {os.path.basename(c): device.integrity(c) for c in device.copies(self.soak.root)},
                "plists": device.plist_problems(self.soak.root),
                "ics": device.ics_problems(self.soak.root)}

    def record(self, name, log_mark, line_mark, extra=None):
        lines = self.log_since(log_mark)
        problems = [m for m in lines if any(w in m for w in PROBLEM_WORDS) and "SQL" not in m[:40]]
        files = self.snapshot_files()
        result = {"fault": name, "log": sorted(set(p[:140] for p in problems))[:4],
                  "message_row": bool(self.message_rows(line_mark)), "host_alive": self.soak.host.alive(),
                  "files_good": all(v == "ok" for v in files["copies"].values()) and not files["plists"]
                  and not files["ics"]}
        if extra:
            result.update(extra)
        self.results.append(result)
        return result

    def wait_sim(self, seconds):
        end = self.soak.clock.now() + seconds
        deadline = time.time() + seconds / self.soak.clock.speed + 10
        while self.soak.clock.now() < end and time.time() < deadline and self.soak.host.alive():
            time.sleep(0.05)

    def host_fault(self, name, rule, trigger, settle=900):
        """A fault of the running host's own writes or reads."""
        log_mark, line_mark = self.log_size(), len(self.soak.host.lines)
        self.set_rules(rule)
        trigger()
        self.wait_sim(settle)
        self.set_rules("")
        result = self.record(name, log_mark, line_mark)
        # Gone again: the host must recover at its next refresh.
        self.soak.commit_now()
        self.wait_sim(settle)
        result["recovered"] = self.soak.host.alive() and all(
            device.integrity(c) == "ok" for c in device.copies(self.soak.root))
        return result

    def tool_fault(self, name, rule, command, check):
        """A fault of another kestrel process's write (the settings application, act)."""
        log_mark, line_mark = self.log_size(), len(self.soak.host.lines)
        env = dict(os.environ, LD_PRELOAD=self.soak.shim, KESTREL_FAULTS=rule)
        out = subprocess.run(command, capture_output=True, text=True, timeout=60, env=env)
        extra = {"status": out.returncode, "stderr": out.stderr.strip()[:160]}
        extra.update(check(out))
        return self.record(name, log_mark, line_mark, extra)

    def run(self):
        s = self.soak
        # The host runs under the shim from here on.
        s.host.kill()
        s.check_after_kill("random moment (the fault phase begins)")
        s.restart(self.env())
        self.host_fault("disk full on the copy", "enospc:write:alternatedb", s.commit_now)
        self.host_fault("write error on the copy", "eio:write:alternatedb", s.commit_now)
        self.host_fault("read error on Taskwell's file", "eio:read:pim.tallybookdata", s.commit_now)
        self.host_fault("disk full on the alarm state", "enospc:write:TWEvent-alarms.plist",
                        lambda: s.alarm_soon(600), settle=1800)
        self.host_fault("inotify queue overflow", "overflow:read:inotify", s.calendar_change_now)

        def restart_under(rule):
            def go():
                s.host.stop()
                self.set_rules(rule)
                if not s.restart(self.env()):
                    s.fail("the host did not start under %s" % rule)
                    s.restart(self.env())
            return go

        self.host_fault("disk full on the pasteboards", "enospc:write:pboard", restart_under("enospc:write:pboard"))
        domain = os.path.join(s.root, device.PREFERENCES, "com.kzt.kestrel.TWPlugin.plist")
        before = open(domain, "rb").read() if os.path.exists(domain) else None

        def domain_kept(out):
            after = open(domain, "rb").read() if os.path.exists(domain) else None
            return {"previous_kept": after == before, "reported": out.returncode != 0}

        self.tool_fault("disk full on a preference domain (settings write)", "enospc:write:com.kzt.kestrel.TWPlugin",
                        [s.kestrel, "settings", "tasks/list", "--root", s.root, "--set", "Most tasks=9"], domain_kept)
        reminders_before = device.reminder_titles(s.root)

        def reminder_kept(out):
            return {"previous_kept": device.reminder_titles(s.root) == reminders_before,
                    "reported": out.returncode != 0}

        self.tool_fault("disk full on a reminder write", "enospc:write:Calendar/Reminders",
                        [s.kestrel, "act", "--plugin", "tasks", "--root", s.root, "--now",
                         simclock.iso(s.clock.now()), "--tz", s.host.zone, "new", "Soak disk full", "device"],
                        reminder_kept)
        # The clock a day ahead and back again. The host's end must lie beyond the day ahead
        # for that run.
        s.host.stop()
        s.host.until = s.clock.now() + 86400 + 4 * 3600
        s.restart(self.env())
        log_mark, line_mark = self.log_size(), len(s.host.lines)
        jump = s.clock.now()
        s.host.control("clock +1d")
        s.clock.move(86400)
        self.wait_sim(1200)
        back = s.clock.now()
        s.host.control("clock -1d")
        s.clock.move(-86400)
        s.clock_jumps.append((jump, jump + 86400))
        s.skipped.append((jump, back - 86400))
        s.ahead.append((jump + 86400, back))
        self.wait_sim(1200)
        self.record("clock a day ahead and back", log_mark, line_mark)
        self.set_rules("")
        s.host.stop()
        s.host.until = s.plan.end
        # The rest runs quiet, at the soak's speed.
        s.clock.set_speed(s.plan.speed)
        s.host.speed = s.plan.speed
        s.restart()

    def report(self, say):
        say("faults injected: %d" % len(self.results))
        for r in self.results:
            say("  %s: host %s, files %s, message row %s%s%s; log: %s" % (
                r["fault"], "went on" if r["host_alive"] else "ENDED", "whole" if r["files_good"] else "DAMAGED",
                "shown" if r["message_row"] else "none",
                (", recovered" if r.get("recovered") else ", NOT recovered") if "recovered" in r else "",
                (", status %s, previous kept %s" % (r["status"], r["previous_kept"])) if "status" in r else "",
                " | ".join(r["log"]) or "(nothing)"))
