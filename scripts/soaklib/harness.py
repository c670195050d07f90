"""The soak's course: set up the device, run the soak phase and the kill phase, check."""
import glob
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from . import alarms, calendars, days, device, faults, host as hostmod, journal, logstore, rows, simclock, taskwell

ZONE = "Europe/Berlin"
SECOND_ZONE = "America/New_York"
# Patterns of the files a kill may land in the middle of writing (libkestrel-faults.so).
KILL_TARGETS = {
    "snapshot or catch-up": "alternatedb",
    "alarm state write": "TWEvent-alarms.plist",
    "settings write": "Preferences/com.kzt.kestrel.TW",
    "pasteboard write": "pboard",
}


class Plan:
    def __init__(self, short, days_, speed, kills):
        if short:
            self.start = simclock.parse_iso("2026-12-07T19:30:00Z")
            self.soak_days = days_ or 0.6
            self.speed = speed or 1200
            self.kills = 8 if kills is None else kills
            self.quick = True
        else:
            self.start = simclock.parse_iso("2026-12-07T06:00:00Z")
            self.soak_days = days_ or 7
            self.speed = speed or 600
            self.kills = 50 if kills is None else kills
            self.quick = False
        soak = self.soak_days * 86400
        self.zone_change = self.start + soak * 0.3
        self.clock_back = self.start + soak * 0.65
        self.kill_phase = self.start + soak
        self.fault_speed = 900 if self.quick else 300
        # The kill phase runs slower: a restart is a few seconds of real time, and each run
        # must get to its alarms' first repetitions. Its last two hours are quiet.
        self.kill_speed = 300
        self.fault_phase = self.kill_phase + self.kills * 1500
        # Nine faults of about half an hour each, and a day ahead and back.
        self.end = self.fault_phase + 8 * 3600 + 3 * 3600


def say(text):
    print(text, flush=True)


def run_writer(args):
    a = json.loads(args.args[0])
    if args.role == "taskwell":
        taskwell.run(a["db"], a["clock"], a["journal"], a["seed"], a["stop"], a["until"])
    else:
        calendars.run(a["root"], a["clock"], a["journal"], a["seed"], a["stop"], a["until"])
    return 0


class Soak:
    def __init__(self, args):
        self.args = args
        here = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        build = args.build or os.path.join(here, "build", "debug")
        self.kestrel = os.path.join(build, "bin", "kestrel")
        self.fixture = os.path.join(build, "bin", "kestrel-fixture")
        self.shim = os.path.join(build, "lib", "libkestrel-faults.so")
        for path in (self.kestrel, self.fixture, self.shim):
            if not os.path.exists(path):
                raise SystemExit("scripts/soak: %s is not built" % path)
        self.work = args.work or tempfile.mkdtemp(prefix="kestrel-soak-")
        os.makedirs(self.work, exist_ok=True)
        self.root = os.path.join(self.work, "device")
        self.plan = Plan(args.short, args.days, args.speed, args.kills)
        self.rng = random.Random(args.seed)
        self.failures = []
        self.zone_changes = [(float("-inf"), ZONE)]
        self.clock_jumps = []
        self.samples = []
        self.kill_log = []
        self.snoozes = []
        self.writers = []
        self.skipped = []  # (from, to): clock stretches jumped over
        self.ahead = []    # (from, to): stretches visited ahead of time, before a jump back

    def fail(self, text):
        self.failures.append(text)
        say("FAIL " + text)

    # -- set-up
    def setup(self):
        p = self.plan
        if os.path.exists(self.root):
            shutil.rmtree(self.root)
        subprocess.run([self.fixture, "--root", self.root, "--now", simclock.iso(p.start), "--tz", ZONE,
                        "--tasks", "40", "--events", "0", "--seed", str(self.args.seed)],
                       check=True, stdout=subprocess.DEVNULL, timeout=120)
        self.db = glob.glob(os.path.join(self.root, "var/mobile/Applications/*/Documents/pim.tallybookdata"))[0]
        self.journals = {name: os.path.join(self.work, "journal-%s.jsonl" % name)
                         for name in ("taskwell", "calendars", "harness", "harness-calendars")}
        for path in self.journals.values():
            if os.path.exists(path):
                os.remove(path)
        tw = taskwell.Taskwell(self.db, journal.Journal(self.journals["taskwell"]), self.args.seed)
        tw.remove_all_events(p.start)
        tw.db.close()
        calendars.Calendars(self.root, journal.Journal(self.journals["calendars"]), self.args.seed).clear()
        self.clock = simclock.SimClock(os.path.join(self.work, "clock.json"), p.start, p.speed)
        self.stop_path = os.path.join(self.work, "stop-writers")
        if os.path.exists(self.stop_path):
            os.remove(self.stop_path)
        # Written into the preference domains at every start: each start is a settings write.
        self.host = hostmod.Host(self.kestrel, self.root, self.clock, self.work, p.end, ZONE, p.speed,
                                 options=["isShowPopups=true"])

    # -- the harness's own writes, when a fault needs one at once
    def commit_now(self):
        if not hasattr(self, "own_taskwell"):
            self.own_taskwell = taskwell.Taskwell(self.db, journal.Journal(self.journals["harness"]), self.args.seed + 99)
            self.own_taskwell.next_id = 100000
        self.own_taskwell.complete_task(self.clock.now())

    def alarm_soon(self, seconds):
        """A Taskwell event whose alarm falls due `seconds` from now."""
        self.commit_now()
        now = self.clock.now()
        self.own_taskwell.new_event_at(now, round(now + seconds + 600), [600])

    def calendar_change_now(self):
        if not hasattr(self, "own_calendars"):
            self.own_calendars = calendars.Calendars(self.root, journal.Journal(self.journals["harness-calendars"]),
                                                     self.args.seed + 98)
            self.own_calendars.next_id = 100000
            # A collection of its own: the calendar client removes only its own ones.
            self.own_calendars.next_collection = 1000
            self.own_calendars.new_collection()
        self.own_calendars.new_event(self.clock.now())

    def start_writers(self):
        me = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "soak")
        common = {"clock": self.clock.path, "stop": self.stop_path, "until": self.plan.end}
        for role, extra in (("taskwell", {"db": self.db}), ("calendars", {"root": self.root})):
            a = dict(common, journal=self.journals[role], seed=self.args.seed * 10 + len(self.writers), **extra)
            log = open(os.path.join(self.work, "writer-%s.log" % role), "w")
            self.writers.append(subprocess.Popen([sys.executable, me, "--role", role, "--args", json.dumps(a)],
                                                 stdout=log, stderr=log))

    def stop_writers(self):
        # The harness's own connection closes first: the last to close folds the log in, and
        # that is the Taskwell stand-in's last write.
        if hasattr(self, "own_taskwell"):
            self.own_taskwell.db.close()
        open(self.stop_path, "w").close()
        for w in self.writers:
            try:
                w.wait(timeout=30)
            except subprocess.TimeoutExpired:
                w.kill()
            if w.returncode not in (0, None):
                self.fail("a writer ended with status %s (see %s)" % (w.returncode, self.work))

    # -- the soak phase
    def sample(self):
        r = self.host.resources()
        if r:
            r["sim"] = self.clock.now()
            self.samples.append(r)

    def soak_phase(self):
        p = self.plan
        self.host.start()
        zone_done = clock_done = False
        last_sample = 0
        while self.clock.now() < p.kill_phase:
            time.sleep(0.05)
            if not self.host.alive():
                self.fail("the host ended during the soak phase (status %s)" % self.host.died())
                return False
            if time.time() - last_sample > 0.25:
                last_sample = time.time()
                self.sample()
            now = self.clock.now()
            if not zone_done and now >= p.zone_change:
                zone_done = True
                mark = len(self.host.lines)
                self.host.control("zone " + SECOND_ZONE)
                self.host.wait_line("control  zone " + SECOND_ZONE, mark)
                self.zone_changes.append((self.clock.now(), SECOND_ZONE))
                self.host.zone = SECOND_ZONE
            if not clock_done and now >= p.clock_back:
                clock_done = True
                mark = len(self.host.lines)
                self.host.control("clock -1h")
                self.clock.move(-3600)
                self.host.wait_line("control  clock -1h", mark)
                self.clock_jumps.append((now, now - 3600))
        return True

    # -- the kill phase
    def check_after_kill(self, what):
        entry = {"what": what, "sim": self.clock.now(), "problems": []}
        for copy in device.copies(self.root):
            result = device.integrity(copy)
            if result != "ok":
                entry.setdefault("damaged_copies", []).append((os.path.basename(copy), result))
        entry["problems"] += device.plist_problems(self.root)
        entry["problems"] += ["torn reminder file " + f for f in device.ics_problems(self.root)]
        self.kill_log.append(entry)
        return entry

    def restart(self, faults=None):
        if not self.host.start(faults=faults):
            return False
        entry = self.kill_log[-1] if self.kill_log else None
        if entry and entry.get("damaged_copies"):
            # The next refresh must replace or repair a damaged copy before anything reads it.
            time.sleep(2)
            still = [c for c in device.copies(self.root) if device.integrity(c) != "ok"]
            entry["replaced"] = not still
            if still:
                self.fail("a damaged copy was kept after a restart: %s" % still)
        return True

    def shim_env(self, rules):
        return {"LD_PRELOAD": self.shim, "KESTREL_FAULTS": rules}

    def kill_once(self, i):
        kinds = list(KILL_TARGETS) + ["random moment", "random moment", "reminder write", "settings pane write"]
        kind = kinds[i % len(kinds)] if i < len(kinds) else self.rng.choice(kinds)
        if kind in KILL_TARGETS:
            # The host is started again with a rule that kills it in the middle of its N-th
            # write of such a file.
            self.host.kill()
            self.check_after_kill("random moment (to arm the shim)")
            rule = "kill:write:%s:%d" % (KILL_TARGETS[kind], self.rng.randint(1, 6))
            started = self.restart(self.shim_env(rule))
            deadline = time.time() + 4
            while started and self.host.alive() and time.time() < deadline:
                time.sleep(0.05)
            hit = not self.host.alive()
            if not started:
                pass
            elif hit:
                self.host.died()
            else:
                self.host.kill()
            entry = self.check_after_kill("%s%s" % (kind, "" if hit else " (not reached; killed at random)"))
        elif kind == "reminder write":
            entry = self.kill_tool(["act", "--plugin", "tasks", "new", "Soak reminder %d" % i, "device"],
                                   "Calendar/Reminders", kind)
        elif kind == "settings pane write":
            entry = self.kill_tool(["settings", "tasks/list", "--set", "Most tasks=%d" % (5 + i % 10)],
                                   "Preferences/com.kzt.kestrel.TWPlugin", kind)
        else:
            time.sleep(self.rng.uniform(0.1, 1.0))
            self.host.kill()
            entry = self.check_after_kill(kind)
        if entry["problems"]:
            self.fail("after a kill (%s): %s" % (entry["what"], "; ".join(entry["problems"])))
        if not self.host.alive():
            self.restart()
        time.sleep(self.rng.uniform(0.3, 1.2))

    def kill_tool(self, command, pattern, kind):
        """Runs a second kestrel process beside the host that is killed in the middle of its
        write of `pattern`'s file (or finishes, when the write comes later than the rule)."""
        cmd = [self.kestrel] + command[:1] + ["--root", self.root, "--now", simclock.iso(self.clock.now()),
                                              "--tz", self.host.zone] + command[1:]
        if command[0] == "settings":
            cmd = [self.kestrel, "settings", command[1], "--root", self.root] + command[2:]
        env = dict(os.environ, **self.shim_env("kill:write:%s:1" % pattern))
        out = subprocess.run(cmd, capture_output=True, text=True, timeout=60, env=env)
        entry = self.check_after_kill(kind + (" (killed)" if out.returncode == -9 else " (status %d)" % out.returncode))
        if command[0] == "act" and out.returncode == 0:
            if command[3] not in device.reminder_titles(self.root):
                entry["problems"].append("a reminder reported saved is missing: " + command[3])
        return entry

    def snooze_once(self):
        """Waits for an alarm to sound, stops the host, snoozes it with `kestrel act`, and
        starts the host again."""
        deadline = time.time() + 60
        mark = len(self.host.lines)
        line = None
        while time.time() < deadline and self.clock.now() < self.plan.end - 3 * 3600:
            with self.host.lock:
                for _, l in self.host.lines[mark:]:
                    if "  sound  " in l:
                        line = l
            if line:
                break
            time.sleep(0.05)
        if not line:
            say("note: no alarm sounded to snooze")
            return
        self.host.stop()
        now = simclock.iso(self.clock.now())
        base = [self.kestrel, "act", "--plugin", "events", "--root", self.root, "--now", now, "--tz", self.host.zone]
        shown = subprocess.run(base + ["wait", "0s"], capture_output=True, text=True, timeout=60)
        # The sounding rows: their titles and numbers; the first one that has a tool bar.
        numbers = []
        for l in shown.stdout.splitlines():
            parts = l.strip().split(". ", 1)
            if len(parts) == 2 and parts[0].isdigit() and "Soak " in parts[1]:
                numbers.append((int(parts[0]), parts[1].strip()))
        done = None
        for n, title in numbers:
            out = subprocess.run(base + ["alarm", str(n), "snooze"], capture_output=True, text=True, timeout=60)
            if out.returncode == 0:
                done = (n, title)
                break
        if not done:
            self.fail("kestrel act could not snooze a sounding alarm: %s" % shown.stdout[-400:])
        else:
            self.snoozes.append({"title": done[1].split(" ", 1)[-1] if not done[1].startswith("Soak") else done[1],
                                 "sim": self.clock.now()})
        # act moved its clock 10 s before each of its two steps.
        self.clock.move(20)
        self.restart()

    def kill_phase(self):
        self.host.kill()
        self.check_after_kill("random moment (the kill phase begins)")
        self.clock.set_speed(self.plan.kill_speed)
        self.host.speed = self.plan.kill_speed
        self.restart()
        for i in range(self.plan.kills):
            if self.clock.now() >= self.plan.end - 3 * 3600:
                say("note: the kill phase ran out of simulated time after %d kills" % i)
                break
            if i == self.plan.kills // 2:
                self.snooze_once()
            self.kill_once(i)
        self.kills_done = len(self.kill_log)
        say("kills: %d SIGKILLs (%d aimed at a write), %d survived with every file whole"
            % (self.kills_done, sum(1 for e in self.kill_log if "random" not in e["what"]),
               sum(1 for e in self.kill_log if not e["problems"])))

    # -- checks
    def check(self):
        p = self.plan
        records = [r for name in ("taskwell", "calendars", "harness", "harness-calendars")
                   for r in journal.read(self.journals[name])]
        entries = logstore.entries(self.root)
        due = alarms.due_alarms(records, p.start + 600, p.end - 600)
        # Alarms due in a stretch the clock jumped over fell due for nobody; those of the day
        # ahead the clock visited did, and must not ring again when it gets there once more.
        skipped = {k for k in due if any(a < k[1] <= b for a, b in self.skipped)}
        due -= skipped
        for a, b in self.ahead:
            due |= alarms.due_alarms(records, a, b)
        starts, snooze_rings = alarms.rings(entries)
        # Late by at most half a second of real time at the soak's speed (the machine is
        # shared), and never less than five minutes of the device's.
        tolerance = max(300.0, 0.5 * p.speed)
        result = alarms.compare(due, starts, tolerance, quiet_from=p.end - 600,
                                snoozed=[(x["title"], x["sim"]) for x in self.snoozes])
        say("alarms: due %d, rang %d, missed %d, doubled %d, unexpected %d, late %d (latest %.0f s after its time), "
            "first sound at most %.0f s after its time, starts without a sound (host killed first) %d"
            % (result["due"], result["rang"], len(result["missed"]), len(result["doubled"]),
               len(result["unexpected"]), len(result["late"]), result["lateness_max"],
               result["sound_lateness_max"], result["unheard_starts"]))
        for k in result["missed"][:10]:
            self.fail("alarm missed: %s at %s" % (k[0], simclock.iso(k[1])))
        for k in result["doubled"][:10]:
            self.fail("alarm rang twice: %s at %s" % (k[0], simclock.iso(k[1])))
        for t, when in result["unexpected"][:10]:
            self.fail("alarm rang that was not due: %s at %s" % (t, simclock.iso(when)))
        for k, delay in result["late"][:10]:
            self.fail("alarm %s due %s rang %.0f s late" % (k[0], simclock.iso(k[1]), delay))
        heard_snoozes = [r for r in snooze_rings if r.heard]
        say("snoozes: %d by kestrel act, %d rang" % (len(self.snoozes), len(heard_snoozes)))
        for s in self.snoozes:
            n = sum(1 for r in heard_snoozes if r.title == s["title"])
            if n != 1:
                self.fail("the snooze of %s rang %d times" % (s["title"], n))

        # Midnights: the first publish after each shows the new day (soak phase: one run).
        first_run = [l for run, l in self.host.lines if run == 1]
        for m, zone in days.midnights(p.start, p.kill_phase, self.zone_changes):
            delay, stale = days.check_midnight(first_run, m, tolerance)
            say("midnight %s (%s): first refresh after %s s, stale rows %d"
                % (simclock.iso(m), zone, "none" if delay is None else "%.0f" % delay, len(stale)))
            if delay is None or delay > tolerance:
                self.fail("no refresh soon after midnight %s" % simclock.iso(m))
            if stale:
                self.fail("rows still showing the old day after midnight %s: %s" % (simclock.iso(m), stale[:5]))

        # Resources per simulated day of the soak phase.
        self.check_resources()

        # Taskwell's files: what the writers made, byte for byte.
        last = max((r for r in records if r.get("kind") == "taskwell-files"), key=lambda r: r.get("wall", 0))
        now_files = taskwell.file_digests(self.db)
        if now_files != {"db": last["db"], "wal": last["wal"]}:
            self.fail("Taskwell's database or log differs from what Taskwell wrote")
        else:
            say("Taskwell's files: identical to the writer's last commit (%d commits)"
                % len([r for r in records if r.get("kind") == "taskwell-files"]))

        # State files.
        problems = device.plist_problems(self.root) + device.ics_problems(self.root)
        for f in problems:
            self.fail("damaged file at the end: " + f)
        damaged = device.damaged_files(self.root)
        say("files kept aside as damaged: %s" % (", ".join(damaged) or "none"))
        left = device.leftovers(self.root)
        say("temporary files left by interrupted writes: %d%s" % (len(left), (" (" + ", ".join(left[:6]) + ")") if left else ""))
        if len(left) > 0:
            self.fail("interrupted writes left %d temporary files behind" % len(left))
        for copy in device.copies(self.root):
            r = device.integrity(copy)
            if r != "ok":
                self.fail("copy %s fails integrity_check: %s" % (os.path.basename(copy), r))

        # The last published rows equal a fresh `kestrel rows` at the end time.
        last_run = [l for run, l in self.host.lines if run == self.host.runs]
        shown = rows.published(last_run)
        fresh = rows.fresh(self.kestrel, self.root, simclock.iso(p.end), self.host.zone)
        if shown != fresh:
            for section in sorted(set(shown) | set(fresh)):
                a, b = shown.get(section, {}), fresh.get(section, {})
                for row in sorted(set(a) | set(b)):
                    if a.get(row) != b.get(row):
                        self.fail("end rows differ in %s %s: published %r, kestrel rows %r"
                                  % (section, row, a.get(row), b.get(row)))
        else:
            say("end rows: the published rows equal kestrel rows at %s (%d rows)"
                % (simclock.iso(p.end), sum(len(v) for v in fresh.values())))

    def check_resources(self):
        p = self.plan
        soak = [s for s in self.samples if s["sim"] < p.kill_phase]
        if not soak:
            self.fail("no resource samples")
            return
        marks = []
        day = 0
        while p.start + day * 86400 <= p.kill_phase:
            at = p.start + day * 86400
            near = min(soak, key=lambda s: abs(s["sim"] - at))
            marks.append((day, near))
            day += 1
        last = soak[-1]
        say("resources (simulated day: resident kB, descriptors, threads):")
        for d, s in marks:
            say("  day %d: %d kB, %d fds, %d threads" % (d, s["rss_kb"], s["fds"], s["threads"]))
        say("  end of soak: %d kB, %d fds, %d threads" % (last["rss_kb"], last["fds"], last["threads"]))
        settled = [s for s in soak if s["sim"] >= p.start + min(86400, (p.kill_phase - p.start) / 2)]
        if len(settled) < 2:
            return
        rss = [s["rss_kb"] for s in settled]
        fds = [s["fds"] for s in settled]
        threads = [s["threads"] for s in settled]
        # Flat: descriptors and threads come and go with a refresh in flight; memory may
        # wander by the allocator's slack, not grow with the days.
        growth = rss[-1] - min(rss[: max(1, len(rss) // 4)])
        say("  after the first day: resident %d...%d kB (growth %d kB), descriptors %d...%d, threads %d...%d"
            % (min(rss), max(rss), growth, min(fds), max(fds), min(threads), max(threads)))
        if growth > max(8192, rss[0] * 0.1):
            self.fail("resident memory grows: %d kB after the first day" % growth)
        # A refresh in flight holds a few more (the copy, its journal, the source); what must
        # not grow is the floor between refreshes, nor the peak.
        quarter = max(1, len(settled) // 4)
        for name, values, slack in (("open descriptors", fds, 1), ("threads", threads, 1)):
            first, last = values[:quarter], values[-quarter:]
            if min(last) > min(first) + slack or max(last) > max(first) + 4:
                self.fail("%s grow: %d...%d at first, %d...%d at the end"
                          % (name, min(first), max(first), min(last), max(last)))

    def run(self):
        started = time.time()
        say("soak: %s mode, %.2f simulated days at speed %g, %d kills; work folder %s"
            % ("short" if self.args.short else "long", self.plan.soak_days, self.plan.speed, self.plan.kills, self.work))
        self.setup()
        self.start_writers()
        try:
            if self.soak_phase():
                self.kill_phase()
                self.clock.set_speed(self.plan.fault_speed)
                self.host.speed = self.plan.fault_speed
                self.fault_phase = faults.FaultPhase(self)
                self.fault_phase.run()
                code = self.host.wait_end(timeout=(self.plan.end - self.clock.now()) / self.clock.speed + 60)
                if code != 0:
                    self.fail("the host ended with status %s" % code)
        finally:
            if self.host.alive():
                self.host.kill()
            self.stop_writers()
        self.check()
        if getattr(self, "fault_phase", None):
            self.fault_phase.report(say)
            for r in self.fault_phase.results:
                if not r["host_alive"] or not r["files_good"] or r.get("recovered") is False or \
                        r.get("previous_kept") is False or r.get("reported") is False or not r["log"]:
                    self.fail("fault %s left: %s" % (r["fault"], r))
        say("soak: %s in %.0f s real" % ("PASSED" if not self.failures else "%d FAILURES" % len(self.failures),
                                          time.time() - started))
        with open(os.path.join(self.work, "kills.json"), "w") as f:
            json.dump(self.kill_log, f, indent=1)
        if not self.failures and not self.args.work:
            shutil.rmtree(self.work, ignore_errors=True)
        return 0 if not self.failures else 1


def main(args):
    if args.role:
        return run_writer(args)
    if args.quick_faults:
        from . import quickfaults
        here = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        build = args.build or os.path.join(here, "build", "debug")
        return quickfaults.QuickFaults(os.path.join(build, "bin", "kestrel"), os.path.join(build, "bin", "kestrel-fixture"),
                                       os.path.join(build, "lib", "libkestrel-faults.so")).run()
    return Soak(args).run()
