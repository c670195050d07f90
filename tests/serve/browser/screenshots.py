"""Hand-run: screenshots of the served page by the headless browser, into a folder.

    KESTREL=build/debug/bin/kestrel python3 tests/serve/browser/screenshots.py OUT-FOLDER

lock.png (the tasks and events sections), page.png (a task's page), search.png (the search
form with typed text and the keyboard), alarm.png (a sounding alarm's tool bar) and
settings.png (the tasks plug-in's calendars pane)."""
import os
import sys
import time

from selenium.webdriver.common.by import By

from served_page import ServedPage
from test_serve_page import ALARM_NOW, event_rows, open_form, task_rows, wait_for


def main(out):
    os.makedirs(out, exist_ok=True)
    with ServedPage(plugins=("tasks", "events")) as page:
        page.driver.save_screenshot(os.path.join(out, "lock.png"))
        frame = page.frame()
        page.click_target(task_rows(page)[0], dx=100)
        frame = page.wait_frame(frame, what=lambda meta: meta["kind"] == "page")
        page.driver.save_screenshot(os.path.join(out, "page.png"))
        page.click_target(page.target("bar-button", "Done"))
        page.wait_frame(frame, what=lambda meta: meta["kind"] == "lock")
        open_form(page, "searchTodoClicked:")
        frame = page.frame()
        page.type("dent")
        page.wait_frame(frame)
        time.sleep(1)  # the last keys' frames
        page.driver.save_screenshot(os.path.join(out, "search.png"))
        page.post("/key", {"key": "Enter"})
        frame = page.frame()
        page.driver.find_element(By.ID, "show-settings").click()
        frame = page.wait_frame(frame, what=lambda meta: meta["kind"] == "settings")
        page.click_target(page.target("table-row", "Calendars"))
        page.wait_frame(frame, what=lambda meta: meta["settings"]["pane"] == "tasks/calendars")
        page.driver.save_screenshot(os.path.join(out, "settings.png"))
    with ServedPage(plugins=("events",), now=ALARM_NOW, speed=10) as page:
        wait_for("the alarm", lambda: page.state()["sounds"] or None, 60)
        frame = page.frame()
        page.click_target(event_rows(page)[1], dx=100)
        page.wait_frame(frame, what=lambda meta: any(t["name"] == "events:[[[toolbar]]]" for t in meta["targets"]))
        page.driver.save_screenshot(os.path.join(out, "alarm.png"))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "serve-screenshots")
