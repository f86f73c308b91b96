"""savkit serve in a real browser: headless Chromium, driven by Selenium,
on a copy of the benchmark file (1,000,000 cases). The page is scrolled to
the last case, a cell and a label are edited, the file is saved, and
`savkit diff` must find exactly those two changes. SAVKIT_SCREENSHOTS names
a folder for pictures of both views (docs/ keeps them)."""
import json
import os
import re
import shutil
import signal
import subprocess
import time
import urllib.request

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

CLI = os.environ["SAVKIT_CLI"]
DATA = os.environ["SAVKIT_TEST_DATA"]
SHOTS = os.environ.get("SAVKIT_SCREENSHOTS")


class Serving:
    """savkit serve FILE, running until stopped with Ctrl-C (SIGINT)."""

    def __init__(self, path, *options, env=None):
        self.process = subprocess.Popen([CLI, "serve", path, *options], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, env=env)
        lines = [self.process.stdout.readline() for _ in range(2)]
        self.url = re.search(r"http://\S+", "".join(lines)).group(0)
        self.token = self.url.split("token=")[1]
        self.base = self.url.split("/?")[0]

    def post(self, path, body):
        request = urllib.request.Request(self.base + path, data=json.dumps(body).encode(), method="POST",
                                         headers={"X-Savkit-Token": self.token, "Content-Type": "application/json"})
        with urllib.request.urlopen(request) as answer:
            return json.load(answer)

    def get(self, path):
        request = urllib.request.Request(self.base + path, headers={"X-Savkit-Token": self.token})
        with urllib.request.urlopen(request) as answer:
            return json.load(answer)

    def stop(self):
        self.process.send_signal(signal.SIGINT)
        out, err = self.process.communicate(timeout=60)
        return self.process.returncode, err


@pytest.fixture(scope="module")
def big(tmp_path_factory):
    source = os.environ["SAVKIT_BENCH_FILE_MAKER"]
    original = subprocess.run([source], check=True, capture_output=True, text=True).stdout.strip()
    copy = tmp_path_factory.mktemp("serve") / "bench.sav"
    shutil.copyfile(original, copy)
    return original, str(copy)


@pytest.fixture
def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1400,860"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                              options=options)
    yield driver
    driver.quit()


def wait(driver, condition, what, seconds=30):
    return WebDriverWait(driver, seconds).until(lambda d: condition(d), message=what)


def text(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def shoot(driver, name):
    if SHOTS:
        driver.save_screenshot(os.path.join(SHOTS, name))


def test_scroll_to_the_end_edit_a_cell_and_a_label_and_save(big, browser):
    original, copy = big
    served = Serving(copy)
    try:
        browser.get(served.url)
        wait(browser, lambda d: "1,000,000 cases" in text(d, "counts"), "the file's counts")
        wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1"] td.pending') == [] and
             d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1"]'), "the first page")

        # Dragged to the bottom of the scroll bar: the last case shows, with its values.
        browser.execute_script("const g = document.getElementById('grid'); g.scrollTop = g.scrollHeight;")
        last = wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1000000"] td[data-col="0"]:not(.pending)'),
                    "the last case")[0]
        expected = served.get("/api/rows?first=1000000&count=1")["rows"][0]["cells"][0]
        assert last.text == expected

        # Sideways to the last variable: its column is drawn, and loaded.
        browser.execute_script("const g = document.getElementById('grid'); g.scrollLeft = g.scrollWidth;")
        far = wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1000000"] td[data-col="49"]:not(.pending)'),
                   "the last variable's column")[0]
        assert far.text == served.get("/api/rows?first=1000000&count=1")["rows"][0]["cells"][49]
        assert browser.execute_script("return arguments[0].getBoundingClientRect().right <= window.innerWidth", far)
        browser.execute_script("document.getElementById('grid').scrollLeft = 0;")
        last = wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1000000"] td[data-col="0"]:not(.pending)'),
                    "the first column again")[0]

        ActionChains(browser).double_click(last).perform()
        field = wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="1000000"] td input'), "the cell's editor")[0]
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys("77", Keys.ENTER)
        wait(browser, lambda d: text(d, "unsaved") == "1 unsaved edit", "the edit")
        wait(browser, lambda d: d.find_element(By.CSS_SELECTOR, 'tr[data-case="1000000"] td[data-col="0"]').text == "77.00",
             "the cell showing its new value in F8.2")

        browser.find_element(By.ID, "show-variables").click()
        label = wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-variable="REAL0"] input[data-field="label"]'),
                     "the variable view")[0]
        label.send_keys("Edited in the browser", Keys.TAB)
        wait(browser, lambda d: text(d, "unsaved") == "2 unsaved edits", "the label's edit")

        # A refusal shows beside its field, and changes nothing.
        fmt = browser.find_element(By.CSS_SELECTOR, 'tr[data-variable="SMALL1"] input[data-field="format"]')
        fmt.send_keys(Keys.CONTROL, "a")
        fmt.send_keys("F99.2", Keys.TAB)
        error = wait(browser, lambda d: d.find_element(By.CSS_SELECTOR, 'tr[data-variable="SMALL1"] input[data-field="format"] + .field-error').text,
                     "the refusal beside the field")
        assert "1 to 40 wide" in error
        assert text(browser, "unsaved") == "2 unsaved edits"

        browser.find_element(By.ID, "show-changes").click()
        wait(browser, lambda d: "1 in the dictionary; 1 value in 1 case" in text(d, "changes-body"), "the changes", 60)
        browser.find_element(By.ID, "save").click()
        wait(browser, lambda d: text(d, "message") == "Saved", "the save", 120)
        assert text(browser, "unsaved") == ""
    finally:
        code, err = served.stop()
    assert code == 0 and "not saved" not in err

    diff = subprocess.run([CLI, "diff", original, copy, "--json"], capture_output=True, text=True)
    assert diff.returncode == 1, diff.stderr
    report = json.loads(diff.stdout)
    assert [(d["name"], d["field"], d["b"]) for d in report["dictionary"]] == [("REAL0", "label", "Edited in the browser")]
    assert [(v["caseA"], v["variable"], v["b"]) for v in report["values"]] == [(1000000, "SMALL0", "77")]
    assert report["valuesDiffering"] == 1


def test_labels_and_missing_values_show_at_a_glance(tmp_path, browser):
    path = tmp_path / "survey.sav"
    shutil.copyfile(os.path.join(DATA, "..", "..", "examples", "survey.sav"), path)
    served = Serving(str(path))
    try:
        browser.get(served.url)
        cell = lambda d, c, col: d.find_element(By.CSS_SELECTOR, f'tr[data-case="{c}"] td[data-col="{col}"]')
        wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-case="5"] td[data-col="5"]:not(.pending)'), "the cases")
        # happy: 9 is user-missing; the income of case 4 is system-missing.
        assert cell(browser, 5, 5).text == "9" and "um" in cell(browser, 5, 5).get_attribute("class")
        assert cell(browser, 4, 3).text == "." and "sm" in cell(browser, 4, 3).get_attribute("class")
        assert cell(browser, 1, 3).text == "$52,000.50" and cell(browser, 1, 4).text == "12-MAR-2019"
        browser.find_element(By.ID, "labels").click()
        wait(browser, lambda d: cell(d, 5, 5).text == "No answer", "the labels")
        cell(browser, 2, 5).click()
        shoot(browser, "serve-data-view.png")
        browser.find_element(By.ID, "show-variables").click()
        wait(browser, lambda d: d.find_elements(By.CSS_SELECTOR, 'tr[data-variable="happy"]'), "the variable view")
        assert browser.find_element(By.CSS_SELECTOR, 'tr[data-variable="happy"] input[data-field="missing"]').get_attribute("value") == "9"
        shoot(browser, "serve-variable-view.png")
    finally:
        served.stop()


def test_ctrl_c_stops_asking_nothing_and_the_file_keeps_what_was_saved(tmp_path):
    path = tmp_path / "full.sav"
    shutil.copyfile(os.path.join(DATA, "full.sav"), path)
    before = path.read_bytes()
    served = Serving(str(path))
    served.post("/api/edit", {"op": "set", "case": 1, "variable": "id", "value": "5"})
    code, err = served.stop()
    assert code == 0
    assert "1 edit was not saved, and the file is as last saved" in err
    assert path.read_bytes() == before


def test_a_taken_port_and_a_missing_file_are_refused_by_name(tmp_path):
    path = tmp_path / "full.sav"
    shutil.copyfile(os.path.join(DATA, "full.sav"), path)
    served = Serving(str(path))
    try:
        port = served.base.rsplit(":", 1)[1]
        taken = subprocess.run([CLI, "serve", str(path), "--port", port], capture_output=True, text=True, timeout=30)
        assert taken.returncode == 1
        assert taken.stderr == f"savkit: 127.0.0.1:{port}: the port is taken\n"
    finally:
        served.stop()
    missing = subprocess.run([CLI, "serve", str(tmp_path / "none.sav")], capture_output=True, text=True, timeout=30)
    assert missing.returncode == 1 and "none.sav: no such file" in missing.stderr


def test_open_starts_the_desktops_browser_on_the_address(tmp_path):
    path = tmp_path / "full.sav"
    shutil.copyfile(os.path.join(DATA, "full.sav"), path)
    opener = tmp_path / "bin" / "xdg-open"
    opener.parent.mkdir()
    opener.write_text(f"#!/bin/sh\necho \"$1\" > {tmp_path}/opened\n")
    opener.chmod(0o755)
    served = Serving(str(path), "--open", env={**os.environ, "PATH": f"{opener.parent}:{os.environ['PATH']}"})
    try:
        for _ in range(100):
            if (tmp_path / "opened").exists() and (tmp_path / "opened").read_text():
                break
            time.sleep(0.05)
        assert (tmp_path / "opened").read_text().strip() == served.url
    finally:
        code, _ = served.stop()
    assert code == 0
