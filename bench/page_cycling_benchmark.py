#!/usr/bin/env python3
"""The studio's page cycling a logo in headless Chromium: the processor time
Chromium's processes take over ten seconds at 10 steps a second, as a share
of one core, beside the same page showing the logo paused.

Usage: page_cycling_benchmark.py LOGOSTUDIO LOGO
LOGO is a logo file whose cycled pixels cover much of the picture.
"""
import os
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

TICKS = os.sysconf("SC_CLK_TCK")


def descendants(pid):
    """The process and every process below it."""
    found = [pid]
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) in found:
            found.append(int(entry))
    return found


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / TICKS


def share_of_a_core(driver_pid, seconds):
    pids = descendants(driver_pid)
    before, start = cpu_seconds(pids), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pids) - before) / (time.monotonic() - start)


def main():
    studio_program, logo = sys.argv[1], sys.argv[2]
    studio = subprocess.Popen([studio_program, "--port", "0", logo], stdout=subprocess.PIPE, text=True)
    address = studio.stdout.readline().split(" ", 1)[1].strip()
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,900"):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.get(address)
        time.sleep(4)  # the opening logo fitted and shown
        cycling = share_of_a_core(driver.service.process.pid, 10)
        driver.find_element(By.ID, "play-toggle").click()
        paused = share_of_a_core(driver.service.process.pid, 10)
        print(f"cycling at 10 steps a second: {100 * cycling:.1f} % of one core")
        print(f"paused: {100 * paused:.1f} % of one core")
    finally:
        driver.quit()
        studio.terminate()
        studio.wait(10)


if __name__ == "__main__":
    main()
