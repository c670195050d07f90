"""`kestrel serve` on a generated device, watched and touched by a real headless Chromium.

ServedPage starts the server (its first line is the URL) and Chromium through
chromium-driver, and stops both, whatever happens. Every wait has a deadline. Touches are
real pointer events at a point of the picture, found from what the page says can be
touched there (window.kestrel.meta.targets); the host does the rest.
"""
import json
import os
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

NOW = "2026-12-08T14:30:00Z"
ZONE = "Europe/Berlin"
KESTREL = os.environ.get("KESTREL", "kestrel")


class Timeout(AssertionError):
    pass


def wait_for(what, condition, seconds=30, step=0.05):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("timed out waiting for " + what)
        time.sleep(step)


def make_device(root):
    """The demo device: a Taskwell installation, its badge and two reminder lists."""
    subprocess.run([KESTREL, "demo", "--root", root, "--now", NOW, "--tz", ZONE, "--out", os.path.join(root, "demo.png")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


class ServedPage:
    def __init__(self, plugins=("tasks",), extra=(), now=NOW, speed=None, root=None, tabs=1):
        self.folder = tempfile.mkdtemp(prefix="kestrel-serve-test-")
        self.root = root or os.path.join(self.folder, "device")
        self.process = None
        self.driver = None
        self.lines = queue.Queue()
        try:
            if not os.path.isdir(self.root):
                make_device(self.root)
            args = [KESTREL, "serve", "--root", self.root, "--now", now, "--tz", ZONE]
            for plugin in plugins:
                args += ["--plugin", plugin]
            if speed:
                args += ["--speed", str(speed)]
            args += list(extra)
            self.errors = open(os.path.join(self.folder, "stderr.txt"), "w")
            self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=self.errors, text=True,
                                            start_new_session=True)
            threading.Thread(target=self._read, daemon=True).start()
            first = self.lines.get(timeout=60)
            assert first.startswith("serving http://"), first
            self.url = first.split(" ", 1)[1].strip()
            self.origin = self.url.split("/?")[0]
            self.driver = self._chromium()
            self.driver.set_page_load_timeout(30)
            self.driver.set_script_timeout(30)
            self.driver.get(self.url)
            self.wait_frame()
        except BaseException:
            self.close()
            raise

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line)

    def _chromium(self, profile="chromium"):
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                         "--window-size=600,900", "--autoplay-policy=no-user-gesture-required",
                         "--user-data-dir=" + os.path.join(self.folder, profile)):
            options.add_argument(argument)
        service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver")
        return webdriver.Chrome(service=service, options=options)

    def close(self):
        if self.driver:
            try:
                self.driver.quit()
            except Exception:
                pass
            self.driver = None
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=10)
        if self.process:
            self.process.stdout.close()
            self.errors.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # What the page shows.
    def state(self, driver=None):
        return (driver or self.driver).execute_script("return window.kestrel;")

    def frame(self, driver=None):
        return self.state(driver)["frame"]

    def meta(self, driver=None):
        return self.state(driver)["meta"]

    def wait_frame(self, after=0, driver=None, seconds=30, what=None):
        """Waits until the page shows a frame newer than `after` (and meeting `what`)."""
        def shown():
            state = self.state(driver)
            if state and state["frame"] > after and state["meta"] and (what is None or what(state["meta"])):
                return state["frame"]
            return None
        return wait_for("a new screen in the page", shown, seconds)

    def screen_png(self, driver=None):
        """The bytes of the picture the page shows, fetched as the page fetched them."""
        return bytes((driver or self.driver).execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch(document.getElementById('picture').src).then(r => r.arrayBuffer())
              .then(b => done(Array.from(new Uint8Array(b))));"""))

    def targets(self, kind=None, name=None, driver=None):
        found = []
        for target in self.meta(driver)["targets"]:
            if kind and target["kind"] != kind:
                continue
            if name is not None and not target["name"].startswith(name):
                continue
            found.append(target)
        return found

    def target(self, kind, name, driver=None, seconds=15):
        return wait_for("a %s '%s' on the screen" % (kind, name),
                        lambda: (self.targets(kind, name, driver) or [None])[0], seconds)

    # Touches: real pointer events at points of the picture.
    def click_at(self, x, y, driver=None):
        driver = driver or self.driver
        screen = driver.find_element(By.ID, "screen")
        # Tall screens scroll in the page: bring the point into sight, then aim at it from
        # the middle of the screen's box (which is always in sight).
        geometry = driver.execute_script("""
            const screen = arguments[0], picture = document.getElementById('picture');
            screen.scrollTop = Math.max(0, arguments[1] - 200);
            const s = screen.getBoundingClientRect(), p = picture.getBoundingClientRect();
            return [s.left, s.top, s.width, s.height, p.left, p.top, p.width, p.height];""", screen, y)
        meta = self.meta(driver)
        sx, sy, sw, sh, px, py, pw, ph = geometry
        dx = px + x * pw / meta["width"] - (sx + sw / 2)
        dy = py + y * ph / meta["height"] - (sy + sh / 2)
        ActionChains(driver).move_to_element_with_offset(screen, int(round(dx)), int(round(dy))).click().perform()

    def click_target(self, target, driver=None, dx=None, dy=None):
        x = target["x"] + (target["width"] / 2 if dx is None else dx)
        y = target["y"] + (target["height"] / 2 if dy is None else dy)
        self.click_at(x, y, driver)

    def type(self, text, driver=None):
        ActionChains(driver or self.driver).send_keys(text).perform()

    def post(self, path, body, driver=None):
        """A POST from the page's own script (so with its cookie and Origin)."""
        return (driver or self.driver).execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch(arguments[0], {method: 'POST', headers: {'Content-Type': 'application/json'},
                                 body: JSON.stringify(arguments[1])})
              .then(async r => done([r.status, await r.text()]));""", path, body)

    def new_tab(self):
        """Another browser (its own profile), opened on the printed URL."""
        self.tabs = getattr(self, "tabs", 0) + 1
        driver = self._chromium("chromium-%d" % self.tabs)
        driver.set_page_load_timeout(30)
        driver.set_script_timeout(30)
        driver.get(self.url)
        self.wait_frame(driver=driver)
        return driver

    def output_lines(self):
        lines = []
        while True:
            try:
                lines.append(self.lines.get_nowait())
            except queue.Empty:
                return lines
