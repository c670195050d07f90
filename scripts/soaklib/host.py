"""The host under soak: `kestrel run` started, watched, stopped and killed by the harness.

Every line the host prints is kept (in order, with the number of the run that printed it) in
`lines` and in the work folder's host.log. The harness clock runs only while a host runs: it
starts when the host has printed its sections (that is when the host's own clock starts) and
stands still from a kill or a stop until the next start.
"""
import os
import signal
import subprocess
import threading
import time

from . import simclock


class Host:
    def __init__(self, kestrel, root, clock, work, until, zone, speed, plugins=("tasks", "events"), options=()):
        self.kestrel = kestrel
        self.root = root
        self.clock = clock
        self.work = work
        self.until = until
        self.zone = zone
        self.speed = speed
        self.plugins = plugins
        self.options = list(options)
        self.process = None
        self.runs = 0
        self.lines = []  # (run, text)
        self.lock = threading.Lock()
        self.log = open(os.path.join(work, "host.log"), "a")
        self.stderr = open(os.path.join(work, "host-stderr.log"), "a")
        self.started = threading.Event()
        self.exits = []  # (run, return code)

    def command(self):
        cmd = [self.kestrel, "run", "--root", self.root, "--now", simclock.iso(self.clock.now()), "--speed",
               str(self.speed), "--until", simclock.iso(self.until), "--tz", self.zone]
        for p in self.plugins:
            cmd += ["--plugin", p]
        for o in self.options:
            cmd += ["--option", o]
        return cmd

    def start(self, faults=None, timeout=30):
        """Starts a host at the harness clock's time; returns True once its clock runs, False
        when it ended before (a fault shim's kill during start-up)."""
        assert self.process is None
        self.runs += 1
        env = dict(os.environ)
        env.pop("KESTREL_LOG_STDERR", None)
        if faults:
            env.update(faults)
        self.started.clear()
        self.stderr.write("== run %d: %s\n" % (self.runs, " ".join(self.command())))
        self.stderr.flush()
        self.process = subprocess.Popen(self.command(), stdout=subprocess.PIPE, stderr=self.stderr, env=env,
                                        text=True, bufsize=1)
        run = self.runs
        reader = threading.Thread(target=self._read, args=(self.process, run), daemon=True)
        reader.start()
        self._reader = reader
        deadline = time.time() + timeout
        while not self.started.wait(0.05):
            if self.process.poll() is not None:
                self._reader.join(timeout=10)
                if self.started.is_set():
                    return True
                self._reap()
                return False
            if time.time() > deadline:
                raise RuntimeError("the host printed nothing within %d s (run %d)" % (timeout, run))
        return True

    def _read(self, process, run):
        first = True
        for line in process.stdout:
            line = line.rstrip("\n")
            with self.lock:
                self.lines.append((run, line))
            self.log.write("%d %s\n" % (run, line))
            if first:
                first = False
                self.clock.run()
                self.started.set()
        self.log.flush()

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def pid(self):
        return self.process.pid if self.process else None

    def _reap(self):
        code = self.process.wait(timeout=60)
        self._reader.join(timeout=10)
        self.exits.append((self.runs, code))
        self.process = None
        return code

    def kill(self):
        """SIGKILL, as the system ends a process; the clock stops with it."""
        if not self.process:
            return None
        os.kill(self.process.pid, signal.SIGKILL)
        self.clock.stop()
        return self._reap()

    def died(self):
        """The host ended by itself (a fault shim's kill, or the end time): stop the clock."""
        if self.process and self.process.poll() is not None:
            self.clock.stop()
            return self._reap()
        return None

    def stop(self, timeout=60):
        """SIGTERM: the host unloads the plug-ins as on the device and exits 0."""
        if not self.process:
            return None
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=timeout)
        finally:
            self.clock.stop()
        return self._reap()

    def wait_end(self, timeout):
        deadline = time.time() + timeout
        while self.alive() and time.time() < deadline:
            time.sleep(0.1)
        if self.alive():
            raise RuntimeError("the host did not stop at its end time")
        self.clock.stop()
        return self._reap()

    def control(self, line):
        """Writes one run-control request and signals the host (kestrel run --help)."""
        path = os.path.join(self.root, "var/run/kestrel")
        os.makedirs(path, exist_ok=True)
        tmp = os.path.join(path, ".run-control.tmp")
        with open(tmp, "w") as f:
            f.write(line + "\n")
        os.replace(tmp, os.path.join(path, "run-control"))
        os.kill(self.process.pid, signal.SIGUSR1)

    def wait_line(self, text, since, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with self.lock:
                for run, line in self.lines[since:]:
                    if text in line:
                        return line
            time.sleep(0.02)
        raise RuntimeError("the host never printed %r" % text)

    def resources(self):
        """Resident memory (kB), open descriptors and threads of the running host."""
        pid = self.pid()
        if not pid:
            return None
        try:
            rss = threads = None
            with open("/proc/%d/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        rss = int(line.split()[1])
                    elif line.startswith("Threads:"):
                        threads = int(line.split()[1])
            fds = len(os.listdir("/proc/%d/fd" % pid))
            return {"rss_kb": rss, "fds": fds, "threads": threads}
        except (OSError, ValueError):
            return None
