"""The served page in a real headless Chromium: what a person sees and what their clicks,
taps and keys do. Each test starts its own `kestrel serve` on a fresh demo device."""
import glob
import os
import subprocess
import tempfile
import unittest

from selenium.webdriver.common.by import By

from served_page import KESTREL, NOW, ZONE, ServedPage, make_device, wait_for

# The dentist's alarm (4 PM in Berlin, 15 minutes before) rings at 14:45Z and sounds again
# every minute; the clock runs ten times faster so that takes seconds.
ALARM_NOW = "2026-12-08T14:44:50Z"


def task_rows(page, driver=None):
    return [t for t in page.targets("row", "tasks:", driver) if "[[[" not in t["name"]]


def event_rows(page, driver=None):
    return [t for t in page.targets("row", "events:", driver) if "[[[" not in t["name"]]


def open_toolbar(page):
    frame = page.frame()
    page.click_target(page.target("bar-button", "toggleMenuClicked:"))
    page.wait_frame(frame, what=lambda meta: any(t["name"] == "tasks:[[[toolbar]]]" for t in meta["targets"]))


def open_form(page, button):
    open_toolbar(page)
    frame = page.frame()
    page.click_target(page.target("bar-button", button))
    # The keyboard comes up a moment after the form.
    page.wait_frame(frame, what=lambda meta: meta["kind"] == "page" and meta["keyboard"])


class ServedPageTest(unittest.TestCase):
    def test_first_screen_is_what_render_draws(self):
        with tempfile.TemporaryDirectory() as folder:
            root = os.path.join(folder, "device")
            make_device(root)
            out = os.path.join(folder, "render.png")
            subprocess.run([KESTREL, "render", "--plugin", "tasks", "--root", root, "--now", NOW, "--tz", ZONE,
                            "--out", out], check=True, stdout=subprocess.DEVNULL, timeout=120)
            with open(out, "rb") as f:
                rendered = f.read()
            with ServedPage(root=root) as page:
                self.assertEqual(page.meta()["kind"], "lock")
                self.assertEqual(page.frame(), 1)
                self.assertEqual(page.screen_png(), rendered)
                # The token went into the cookie and out of the address bar.
                self.assertNotIn("token", page.driver.current_url)
                self.assertTrue(page.driver.title.startswith("Taskwell"), page.driver.title)

    def test_clicking_task_row_twos_completion_control_removes_that_task(self):
        with ServedPage() as page:
            second = task_rows(page)[1]
            frame = page.frame()
            page.click_target(second, dx=320 - 12, dy=10)
            page.wait_frame(frame, what=lambda meta: all(t["name"] != second["name"] for t in meta["targets"]))
            task = second["name"].split(":", 1)[1]
            wait_for("the server's removed line", lambda: any(
                "tasks  removed  " + task in line for line in page.output_lines() + [""]) or None, 30)

    def test_a_row_opens_its_page_and_done_closes_it(self):
        with ServedPage() as page:
            frame = page.frame()
            page.click_target(task_rows(page)[0], dx=100)
            frame = page.wait_frame(frame, what=lambda meta: meta["kind"] == "page")
            self.assertTrue(any("Task 1 of" in line for line in page.meta()["texts"]), page.meta()["texts"])
            page.click_target(page.target("segment", "D"))
            frame = page.wait_frame(frame, what=lambda meta: any("Task 2 of" in l for l in meta["texts"]))
            page.click_target(page.target("bar-button", "Done"))
            page.wait_frame(frame, what=lambda meta: meta["kind"] == "lock")

    def test_typing_in_the_search_form_finds_a_task(self):
        with ServedPage() as page:
            open_form(page, "searchTodoClicked:")
            frame = page.frame()
            page.type("dentist")
            frame = page.wait_frame(frame)
            page.type("\n")
            page.wait_frame(frame, what=lambda meta: any("Call the dentist" in l for l in meta["texts"]))

    def test_the_new_task_form_creates_a_device_reminder(self):
        with ServedPage() as page:
            open_form(page, "newTodoClicked:")
            page.type("Buy oat milk")
            page.click_target(page.target("segment", "Reminders"))
            frame = page.frame()
            page.click_target(page.target("bar-button", "Done"))
            page.wait_frame(frame, what=lambda meta: meta["kind"] == "lock")
            pattern = os.path.join(page.root, "var/mobile/Library/Calendar/Reminders/*/*.ics")

            def written():
                for path in glob.glob(pattern):
                    with open(path, encoding="utf-8", errors="replace") as f:
                        if "SUMMARY:Buy oat milk" in f.read():
                            return path
                return None
            wait_for("the reminder's file", written, 30)

    def test_an_alarm_rings_in_the_page_and_snoozes_from_it(self):
        with ServedPage(plugins=("events",), now=ALARM_NOW, speed=10) as page:
            sound = wait_for("the alarm's sound in the page", lambda: page.state()["sounds"] or None, 60)[0]
            played = page.driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                fetch(arguments[0]).then(r => done([r.status, r.headers.get('Content-Type')]));""", sound["url"])
            self.assertEqual(played, [200, "audio/wav"])
            dentist = [t for t in event_rows(page)][1]
            frame = page.frame()
            page.click_target(dentist, dx=100)
            page.wait_frame(frame, what=lambda meta: any(t["name"] == "events:[[[toolbar]]]" for t in meta["targets"]))
            snooze = page.target("bar-button", "snoozeAlarmClicked:")
            frame = page.frame()
            page.click_target(snooze)
            page.wait_frame(frame, what=lambda meta: all(t["name"] != "events:[[[toolbar]]]" for t in meta["targets"]))
            wait_for("the snooze in the host", lambda: any(
                "events  removed  [[[toolbar]]]" in line for line in page.output_lines() + [""]) or None, 30)

    def test_hiding_a_calendar_in_settings_removes_its_rows(self):
        with ServedPage() as page:
            personal = [t["name"] for t in task_rows(page)
                        if any("Personal" in line for line in page.meta()["texts"])]
            self.assertTrue(personal)
            lines_before = [l for l in page.meta()["texts"] if "Personal" in l]
            self.assertTrue(lines_before)
            frame = page.frame()
            page.driver.find_element(By.ID, "show-settings").click()
            frame = page.wait_frame(frame, what=lambda meta: meta["kind"] == "settings")
            page.click_target(page.target("table-row", "Calendars"))
            frame = page.wait_frame(frame, what=lambda meta: meta["settings"]["pane"] == "tasks/calendars")
            page.click_target(page.target("table-row", "Personal"))
            frame = page.wait_frame(frame, what=lambda meta: "Personal: off" in meta["texts"])
            page.driver.find_element(By.ID, "show-lock").click()
            page.wait_frame(frame, what=lambda meta: meta["kind"] == "lock" and
                            not any("Personal" in line for line in meta["texts"][1:]))

    def test_two_tabs_see_each_others_touches(self):
        with ServedPage() as page:
            other = page.new_tab()
            try:
                frame = page.frame(other)
                page.click_target(page.target("bar-button", "toggleMenuClicked:"))
                page.wait_frame(frame, driver=other,
                                what=lambda meta: any(t["name"] == "tasks:[[[toolbar]]]" for t in meta["targets"]))
                self.assertEqual(page.screen_png(other), page.screen_png())
            finally:
                other.quit()


if __name__ == "__main__":
    unittest.main()
