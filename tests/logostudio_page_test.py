#!/usr/bin/env python3
"""Drives logostudio's page in headless Chromium and checks what a person
relies on: the picture becomes a logo, the view cycles exactly as the logo
file says, every control re-fits the kept picture, and each result can be
downloaded.

Usage: LOGOSTUDIO=path/to/logostudio logostudio_page_test.py
The program is started with --port 0 and the logo this test makes; its first
line on stdout gives the address. Prints a line per failure and exits 0 when
every check passes.
"""
import base64
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
except ImportError:
    # Debian's python3-selenium lives beside the system interpreter only.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

WAIT_SECONDS = 30
FIRST_CYCLED = 240  # the test logo cycles slots 240..255
VIEW_W, VIEW_H = 640, 480


class CheckFailed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def wait_for(what, condition, seconds=WAIT_SECONDS):
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except CheckFailed:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise CheckFailed("waited %ds for %s" % (seconds, what))
        time.sleep(0.05)


# ------------------------------------------------------------- pictures

def logo_file(first_cycled):
    """A 320x400 logo: entry i is (i, 37i, 255-i), all distinct, and pixel
    (x, y) uses entry (x + 3y) mod 256, so a wrong row or column, or a wrong
    cycle step, shows another colour."""
    header = b"BM" + struct.pack("<IHHI", 129078, 0, 0, 1078)
    # Byte 50 (the last field of the info header) holds the first cycled slot.
    header += struct.pack("<IiiHHIIiiII", 40, 320, 400, 1, 8, 0, 128000, 0, 0, 256, first_cycled)
    palette = b"".join(bytes((255 - i, (37 * i) & 255, i, 0)) for i in range(256))
    rows = [bytes((x + 3 * y) & 255 for x in range(320)) for y in range(400)]
    return header + palette + b"".join(reversed(rows))


def ppm(width, height, colour):
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(colour(x, y))
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(pixels)


def photo(x, y):
    sun = max(0, 255 - ((x - 140) ** 2 + (y - 50) ** 2) // 6)
    return (min(255, x + sun), min(255, 60 + y + sun // 2), (200 - y) & 255)


# ------------------------------------------------------------- the logo format

def logo_pixel(logo, x, y):
    return logo[1078 + (399 - y) * 320 + x]


def view_colours(logo, step, points):
    """What view pixel (X, Y) shows at cycle step `step`, from the file alone."""
    first = logo[50]
    n = 256 - first if first else 0
    colours = []
    for x, y in points:
        index = logo_pixel(logo, x // 2, y * 400 // 480)
        if n and index >= first:
            index = first + (index - first + step) % n
        at = 54 + 4 * index
        colours.append([logo[at + 2], logo[at + 1], logo[at]])
    return colours


# Rows 5/6 and 239/240 straddle where a logo row repeats on the view; the
# odd columns are the second half of a logo pixel.
SAMPLE = [(x, y) for x in (0, 1, 2, 3, 101, 318, 319, 320, 638, 639)
          for y in (0, 5, 6, 11, 12, 239, 240, 241, 473, 474, 479)]
SAMPLE += [(x, y) for x in range(7, 640, 53) for y in range(3, 480, 41)]
# The whole edge, where the rectangle a step redraws ends.
SAMPLE += [(x, y) for x in (0, 639) for y in range(480)] + [(x, y) for y in (0, 479) for x in range(640)]


# ------------------------------------------------------------- the server

def start_server(program, opening):
    server = subprocess.Popen([program, "--port", "0", opening], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    ready, _, _ = select.select([server.stdout], [], [], WAIT_SECONDS)
    line = server.stdout.readline().decode(errors="replace") if ready else ""
    match = re.match(r"logostudio: (http://127\.0\.0\.1:\d+/)$", line.strip())
    if not match:
        server.kill()
        server.wait()
        raise SystemExit("FAIL: logostudio did not say its address; it said %r" % line)
    return server, match.group(1)


def post(url, fields, files):
    boundary = "studio-test-" + os.urandom(8).hex()
    body = b""
    for name, value in fields.items():
        body += ('--%s\r\nContent-Disposition: form-data; name="%s"\r\n\r\n%s\r\n'
                 % (boundary, name, value)).encode()
    for name, (filename, data) in files.items():
        body += ('--%s\r\nContent-Disposition: form-data; name="%s"; filename="%s"\r\n'
                 'Content-Type: application/octet-stream\r\n\r\n' % (boundary, name, filename)).encode()
        body += data + b"\r\n"
    body += b"--%s--\r\n" % boundary.encode()
    request = urllib.request.Request(url, data=body, headers={
        "Content-Type": "multipart/form-data; boundary=" + boundary})
    try:
        with urllib.request.urlopen(request, timeout=WAIT_SECONDS) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as answer:
        return answer.code, answer.read()


# ------------------------------------------------------------- the page

class Page:
    def __init__(self, driver, base, folder):
        self.driver = driver
        self.base = base
        self.folder = folder
        self.downloads = os.path.join(folder, "downloads")

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def el(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def text(self, element_id):
        return self.el(element_id).text

    def canvas(self, points, canvas="view"):
        return self.js("""
            const d = document.getElementById(arguments[1]).getContext('2d')
                .getImageData(0, 0, 640, 480).data;
            return arguments[0].map(([x, y]) => {
              const i = 4 * (y * 640 + x);
              return [d[i], d[i + 1], d[i + 2], d[i + 3]];
            });""", [list(p) for p in points], canvas)

    def view(self, points):
        return [rgba[:3] for rgba in self.canvas(points)]

    def logo(self):
        """The bytes behind the page's LOGO.SYS link."""
        encoded = self.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch(document.getElementById('download-logo').href)
              .then((r) => r.arrayBuffer()).then((b) => {
                const u = new Uint8Array(b);
                let s = '';
                for (let i = 0; i < u.length; i += 32768) s += String.fromCharCode(...u.subarray(i, i + 32768));
                done(btoa(s));
              }).catch((e) => done('failed: ' + e));""")
        expect(not encoded.startswith("failed"), "the LOGO.SYS link gives nothing: " + encoded)
        return base64.b64decode(encoded)

    def requests(self, path):
        return self.js("return performance.getEntriesByType('resource')"
                       ".filter((e) => e.name.endsWith(arguments[0])).length", path)

    def shows_frame(self, logo, step):
        shown, wanted = self.view(SAMPLE), view_colours(logo, step, SAMPLE)
        wrong = [(p, s, w) for p, s, w in zip(SAMPLE, shown, wanted) if s != w]
        expect(not wrong, "step %d: %d of %d view pixels differ, first %s shows %s, not %s"
               % ((step, len(wrong), len(SAMPLE)) + wrong[0]) if wrong else "")

    def choose(self, path):
        self.el("picture-input").send_keys(path)

    def set_number(self, element_id, value):
        field = self.el(element_id)
        field.clear()
        field.send_keys(str(value))

    def palette_cell(self, entry):
        return self.driver.find_element(By.CSS_SELECTOR, '#palette [data-entry="%d"]' % entry)

    def downloaded(self, name):
        path = os.path.join(self.downloads, name)
        wait_for("the download of " + name, lambda: os.path.exists(path)
                 and not os.path.exists(path + ".crdownload") and os.path.getsize(path) > 0)
        time.sleep(0.2)
        with open(path, "rb") as file:
            return file.read()


# ------------------------------------------------------------- checks

def check_cycling_live(page, memo):
    """Two captures of the playing view differ in cycled pixels only."""
    wait_for("the logo named on the command line", lambda: page.el("empty-hint").get_attribute("hidden") is not None)
    cycled = bytes(1 if logo_pixel(memo.logo, x // 2, y * 400 // 480) >= FIRST_CYCLED else 0
                   for y in range(VIEW_H) for x in range(VIEW_W))
    changed, stray = page.driver.execute_async_script("""
        const [cycled, done] = [atob(arguments[0]), arguments[arguments.length - 1]];
        const grab = () => document.getElementById('view').getContext('2d').getImageData(0, 0, 640, 480).data;
        const first = grab();
        setTimeout(() => {
          const second = grab();
          let changed = 0, stray = 0;
          for (let i = 0; i < 640 * 480; i++) {
            const differs = first[4 * i] !== second[4 * i] || first[4 * i + 1] !== second[4 * i + 1] ||
                            first[4 * i + 2] !== second[4 * i + 2];
            if (differs && cycled.charCodeAt(i)) changed++;
            if (differs && !cycled.charCodeAt(i)) stray++;
          }
          done([changed, stray]);
        }, 350);""", base64.b64encode(cycled).decode())
    expect(changed > 0, "the view did not cycle")
    expect(stray == 0, "%d pixels that do not cycle changed" % stray)


def check_opening(page, memo):
    wait_for("the logo named on the command line", lambda: page.el("empty-hint").get_attribute("hidden") is not None)
    page.el("play-toggle").click()  # pause, so the step shown stays put
    step = int(re.match(r"step (\d+) of 16", page.text("frame")).group(1))
    page.shows_frame(memo.logo, step)


def check_palette_marks(page, memo):
    marked = page.js("return [...document.querySelectorAll('#palette .cycled')].map((e) => +e.dataset.entry)")
    expect(marked == list(range(FIRST_CYCLED, 256)), "cycled marks on entries %s" % marked)


def check_steps(page, memo):
    page.choose(memo.path("cycling.bmp"))  # opening again starts at step 0, still paused
    wait_for("step 0", lambda: page.text("frame") == "step 0 of 16")
    page.shows_frame(memo.logo, 0)
    taken = 0
    for steps in (1, 3, 13):  # 17 in all: once round and one more
        for _ in range(steps):
            page.el("step").click()
        taken += steps
        page.shows_frame(memo.logo, taken)


def check_reverse(page, memo):
    page.choose(memo.path("cycling-again.bmp"))
    wait_for("step 0", lambda: page.text("frame") == "step 0 of 16")
    page.el("reverse").click()
    for _ in range(2):
        page.el("step").click()
    page.shows_frame(memo.logo, -2)
    page.el("reverse").click()


def check_chosen_picture(page, memo):
    page.choose(memo.path("photo.ppm"))
    wait_for("the photo's logo", lambda: "200x150" in page.text("status"))
    colours = {tuple(c) for c in page.view(SAMPLE)}
    expect(len(colours) > 20, "the view shows %d colours" % len(colours))


def check_dropped_picture(page, memo):
    page.js("""
        const bytes = Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0));
        const transfer = new DataTransfer();
        transfer.items.add(new File([bytes], 'dropped.ppm'));
        document.getElementById('screen').dispatchEvent(
          new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));""",
            base64.b64encode(memo.dropped).decode())
    wait_for("the dropped picture's logo", lambda: "96x64" in page.text("status"))
    expect(page.text("picture-name") == "dropped.ppm", "the name shown is " + page.text("picture-name"))


def check_refit(page, memo):
    page.choose(memo.path("photo.ppm"))
    wait_for("the photo's logo", lambda: "200x150" in page.text("status"))
    fits = page.requests("/api/fit")
    page.set_number("colors", 8)
    wait_for("--colors 8 in the command", lambda: re.search(r"--colors[= ]8\b", page.text("fit-command")))
    used = set(page.logo()[1078:])
    expect(len(used) <= 8, "the re-fitted logo uses %d entries" % len(used))
    expect(page.requests("/api/fit") > fits, "no new /api/fit request")
    expect("200x150" in page.text("status"), "the summary is " + page.text("status"))
    page.set_number("colors", 256)
    wait_for("the default colours", lambda: "--colors" not in page.text("fit-command"))


def check_light(page, memo):
    logo = page.logo()
    entry = logo_pixel(logo, 160, 200)
    page.palette_cell(entry).click()
    points = [(x, y) for x in range(0, 640, 16) for y in range(0, 480, 16)]
    veil = page.canvas(points, "highlight")
    for (x, y), rgba in zip(points, veil):
        uses = logo_pixel(logo, x // 2, y * 400 // 480) == entry
        expect((rgba[3] == 0) == uses, "view pixel (%d, %d) of entry %d is %s"
               % (x, y, logo_pixel(logo, x // 2, y * 400 // 480), "dimmed" if rgba[3] else "lit"))
    page.palette_cell(entry).click()


def check_painted_shimmer(page, memo):
    page.el("anim-shimmer").click()
    page.el("brush-paint").click()
    view = page.el("view")
    stroke = ActionChains(page.driver).move_to_element_with_offset(view, -150, -100).click_and_hold()
    for _ in range(10):
        stroke = stroke.move_by_offset(25, 10)
    stroke.release().perform()
    wait_for("SHIMMER in the summary", lambda: "SHIMMER" in page.text("status"))
    expect("--shimmer" in page.text("fit-command"), "the command is " + page.text("fit-command"))
    page.el("brush-paint").click()
    # Along the middle of the stroke the logo cycles; far from it, it does not.
    width, height = page.js("const r = arguments[0].getBoundingClientRect(); return [r.width, r.height];", view)
    logo = page.logo()
    for k in range(2, 9):
        x = (width / 2 - 150 + 25 * k) * VIEW_W / width
        y = (height / 2 - 100 + 10 * k) * VIEW_H / height
        index = logo_pixel(logo, int(x) // 2, int(y) * 400 // 480)
        expect(index >= logo[50], "view pixel (%d, %d) under the stroke does not cycle" % (x, y))
    for x, y in ((5, 395), (315, 5), (160, 399)):
        expect(logo_pixel(logo, x, y) < logo[50], "logo pixel (%d, %d) far from the stroke cycles" % (x, y))


def check_picked_cycle(page, memo):
    before = page.logo()
    page.el("pick-mode").click()
    for entry in (30, 10, 20):
        page.palette_cell(entry).click()
    page.el("pick-make").click()
    wait_for("the cyclemake command", lambda: "cyclemake" in page.text("cycle-command"))
    after = page.logo()
    expect(after[50] == 253, "byte 50 is %d" % after[50])
    # The first entry picked moves to slot 255, the next to 254, ...
    for entry, slot in ((30, 255), (10, 254), (20, 253)):
        expect(after[54 + 4 * slot:58 + 4 * slot] == before[54 + 4 * entry:58 + 4 * entry],
               "slot %d does not hold entry %d's colour" % (slot, entry))
    memo.before = before
    status, memo.cycled = post(page.base + "api/cycle", {"slots": "30 10 20"}, {"logo": ("LOGO.SYS", before)})
    expect(status == 200 and memo.cycled == after, "the page's logo is not /api/cycle's answer")


def program_output(memo, program, source, before=(), after=()):
    """What a console program writes: PROGRAM [before] in.bmp out [after]."""
    with open(memo.path("in.bmp"), "wb") as file:
        file.write(source)
    subprocess.run([program, *before, "in.bmp", "out", *after], cwd=memo.folder,
                   capture_output=True, timeout=WAIT_SECONDS)
    with open(memo.path("out"), "rb") as file:
        return file.read()


def check_downloads(page, memo):
    page.el("download-logo").click()
    expect(page.downloaded("LOGO.SYS") == memo.cycled, "LOGO.SYS holds other bytes")
    for _ in range(2):
        page.el("slower").click()
    expect(page.text("delay-value").startswith("200 ms"), "the delay shows " + page.text("delay-value"))
    page.el("download-gif").click()
    gif = page.downloaded("preview.gif")
    expect(gif[:6] == b"GIF89a" and struct.unpack("<HH", gif[6:10]) == (640, 480), "preview.gif is no 640x480 GIF")
    control = gif.find(b"\x21\xf9\x04")
    expect(control > 0 and struct.unpack("<H", gif[control + 4:control + 6])[0] == 20,
           "preview.gif's frames do not last 200 ms")
    expect("cycleview" in page.text("preview-command"), "no cycleview command beside the GIF")
    # The very bytes the programs write, where the test is told where they are.
    if "CYCLEMAKE" in os.environ:
        written = program_output(memo, os.environ["CYCLEMAKE"], memo.before, after=["3", "30", "10", "20"])
        expect(written == memo.cycled, "LOGO.SYS is not what cyclemake writes")
    if "CYCLEVIEW" in os.environ:
        written = program_output(memo, os.environ["CYCLEVIEW"], memo.cycled, before=["--delay", "200"])
        expect(written == gif, "preview.gif is not what cycleview writes")


def check_console(page, memo):
    severe = [entry["message"] for entry in page.driver.get_log("browser") if entry["level"] == "SEVERE"]
    expect(not severe, "errors in the console: %s" % severe)


def check_error(page, memo):
    status, answer = post(page.base + "api/fit", {"colors": "1"}, {"picture": ("photo.ppm", memo.photo)})
    expect(status >= 400, "/api/fit took --colors 1")
    reason = re.search(rb'"error"\s*:\s*"([^"]*)"', answer).group(1).decode()
    page.set_number("colors", 1)
    wait_for("the reason in the status line", lambda: reason in page.text("status"))
    beside = page.driver.find_element(By.CSS_SELECTOR, '[data-error-for="colors"]').text
    expect(reason in beside, "beside the colours: %r, not %r" % (beside, reason))
    page.set_number("colors", 256)
    wait_for("the error to go", lambda: reason not in page.text("status"))


def check_labels(page, memo):
    unnamed = page.js("""
        const named = (e) => (e.labels && e.labels.length) || e.getAttribute('aria-label') ||
          e.getAttribute('aria-labelledby') || (e.matches('button, a') && e.textContent.trim());
        return [...document.querySelectorAll('input, select, button, a[href]')]
          .filter((e) => !named(e) && e.id !== 'gif-link').map((e) => e.id || e.outerHTML.slice(0, 60));""")
    expect(not unnamed, "controls without a label: %s" % unnamed)


def check_same_origin(page, memo):
    foreign = page.js("""
        return performance.getEntriesByType('resource').concat(performance.getEntriesByType('navigation'))
          .map((e) => e.name).filter((n) => !n.startsWith(location.origin + '/') &&
            !n.startsWith('blob:') && !n.startsWith('data:'));""")
    expect(not foreign, "requested from elsewhere: %s" % foreign)


CHECKS = [
    ("the view cycles in its cycled pixels only", check_cycling_live),
    ("the file named on the command line opens", check_opening),
    ("the palette marks the cycled slots", check_palette_marks),
    ("stepping k times shows cycle frame k", check_steps),
    ("reversed steps run the cycle backwards", check_reverse),
    ("a chosen picture becomes a logo", check_chosen_picture),
    ("a dropped picture becomes a logo", check_dropped_picture),
    ("a control change re-fits the kept picture", check_refit),
    ("an entry lights up the pixels that use it", check_light),
    ("a painted mask makes a shimmer", check_painted_shimmer),
    ("three picked entries cycle in slots 253-255", check_picked_cycle),
    ("the downloads hold the logo and its GIF", check_downloads),
    ("no error in the console so far", check_console),
    ("an error shows its reason", check_error),
    ("every control has a label", check_labels),
    ("nothing is requested from another origin", check_same_origin),
]


class Memo:
    """What one check leaves for the next."""

    def __init__(self, folder):
        self.folder = folder
        self.logo_file = logo_file(FIRST_CYCLED)
        self.photo = ppm(200, 150, photo)
        self.dropped = ppm(96, 64, lambda x, y: (255, 255, 255) if (x // 8 + y // 8) % 2 else (20, 40, 160))
        for name, data in (("cycling.bmp", self.logo_file), ("cycling-again.bmp", self.logo_file),
                           ("photo.ppm", self.photo)):
            with open(self.path(name), "wb") as file:
                file.write(data)
        self.logo = b""
        self.before = b""
        self.cycled = b""

    def path(self, name):
        return os.path.join(self.folder, name)


def browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = os.environ.get("CHROMIUM", "/usr/bin/chromium")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,900"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    service = Service(os.environ.get("CHROMEDRIVER", "/usr/bin/chromedriver"))
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_page_load_timeout(WAIT_SECONDS)
    driver.set_script_timeout(WAIT_SECONDS)
    driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


def main():
    program = os.environ.get("LOGOSTUDIO")
    if not program:
        print("usage: LOGOSTUDIO=path/to/logostudio %s" % sys.argv[0], file=sys.stderr)
        return 2
    folder = tempfile.mkdtemp(prefix="logostudio-page-")
    memo = Memo(folder)
    server, base = start_server(program, memo.path("cycling.bmp"))
    driver = None
    failed = 0
    try:
        os.makedirs(os.path.join(folder, "downloads"))
        driver = browser(os.path.join(folder, "downloads"))
        page = Page(driver, base, folder)
        status, memo.logo = post(base + "api/fit", {}, {"picture": ("cycling.bmp", memo.logo_file)})
        if status != 200 or len(memo.logo) != 129078 or memo.logo[50] != FIRST_CYCLED:
            raise SystemExit("FAIL: /api/fit does not keep the test logo as it is")
        driver.get(base)
        for name, check in CHECKS:
            try:
                check(page, memo)
            except Exception as error:  # one failure must not hide the rest
                failed += 1
                print("FAIL: %s: %s" % (name, str(error).strip().splitlines()[0] if str(error).strip()
                                          else type(error).__name__))
    finally:
        if driver:
            driver.quit()
        server.terminate()
        try:
            server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        shutil.rmtree(folder, ignore_errors=True)
    print("%d passed, %d failed" % (len(CHECKS) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
