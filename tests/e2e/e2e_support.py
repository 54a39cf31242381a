"""Shared support of the end-to-end tests: a private Xvfb, a session that starts the real
programs with settings of their own (runtime folder, settings store, drives, sound), xdotool
for input and window queries, ImageMagick's import for screenshots, and a runner that keeps
the screenshot of a failing step in the test's output folder."""

import os
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time


class Failure(Exception):
    pass


# Sanitizer builds run the programs several times slower (scripts/sanitize.sh says how much):
# every wait is stretched by it, and so are the recordings a scenario must not outlast.
SLOWDOWN = max(1.0, float(os.environ.get("ROADPLAYER_E2E_SLOWDOWN", "1")))


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, what, timeout=10.0):
    deadline = time.monotonic() + timeout * SLOWDOWN
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.1)


def settled(grab, what, interval=1.0, timeout=20.0):
    """What grab() gives once it has stayed the same for interval seconds: a reference picture
    taken while a slow machine still paints the window would match nothing later."""
    deadline = time.monotonic() + timeout * SLOWDOWN
    last = grab()
    while True:
        time.sleep(interval)
        now = grab()
        if now == last:
            return now
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s to settle" % what)
        last = now


def open_files(pid):
    """The files a running process holds open, by path."""
    paths = set()
    folder = "/proc/%d/fd" % pid
    try:
        for fd in os.listdir(folder):
            try:
                paths.add(os.readlink(os.path.join(folder, fd)))
            except OSError:
                pass
    except OSError:
        pass
    return paths


def make_trip_card(tools, folder, count=3, length=6, options=()):
    """A card whose normal recordings follow each other as one drive (one trip): count
    recordings of length seconds, 320x180 front and 160x90 rear camera at 10 frames a second
    with frame codes, no sound; options (make-sample-card's) refine it. Returns the recordings'
    paths relative to the card, oldest first."""
    subprocess.run([os.path.join(tools, "make-sample-card"), folder, "--categories", "normal",
                    "--count", "normal=%d" % count, "--length", str(length), "--size", "320x180",
                    "--rear-size", "160x90", "--fps", "10", "--audio", "none", "--frame-code",
                    *options], check=True, capture_output=True, timeout=300)
    names = sorted(name for name in os.listdir(os.path.join(folder, "NORMAL"))
                   if name.endswith(".mp4"))
    check(len(names) == count, "trip card: %s" % names)
    return ["NORMAL/" + name for name in names]


def gray(pixel):
    r, g, b = pixel[:3]
    return (r * 11 + g * 16 + b * 5) // 32


# Frame codes: 20 cells across the picture's bottom tenth, white, black, 16 bits, black, white.
def frame_code(picture, rect):
    """The frame number a view shows, or -1 when no code is readable there."""
    x0, y0, w, h = rect
    levels = []
    for cell in range(20):
        left, right = x0 + w * cell // 20, x0 + w * (cell + 1) // 20
        xs = range(left + (right - left) // 4, max(left + (right - left) // 4 + 1,
                                                    left + (right - left) * 3 // 4), 2)
        ys = range(y0 + h * 93 // 100, max(y0 + h * 93 // 100 + 1, y0 + h * 99 // 100), 2)
        values = [gray(picture.pixel(x, y)) for y in ys for x in xs]
        levels.append(sum(values) // len(values))
    white, black = min(levels[0], levels[19]), max(levels[1], levels[18])
    if white - black < 60:
        return -1
    threshold = (white + black) // 2
    number = 0
    for level in levels[2:18]:
        number = number * 2 + (1 if level > threshold else 0)
    return number


def missing_tools():
    """The first tool the tests need that is not installed, or None."""
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            return tool
    return None


class Display:
    """A private X server on a free, high display number, clear of the low numbers that
    other tools and scripts take for granted. The server writes its number to a pipe once it
    accepts clients; a socket file alone can appear before that."""

    def __init__(self, screen="1024x800x24"):
        rng = random.Random()
        for _ in range(30):
            number = rng.randint(400, 899)
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            read_end, write_end = os.pipe()
            self.server = subprocess.Popen(
                # -noreset: by default the server resets whenever its last client leaves and
                # refuses the programs that connect meanwhile.
                ["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0",
                 screen, "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            ready = self._read_line(read_end, timeout=20)
            os.close(read_end)
            if ready.strip() == str(number).encode():
                self.name = ":%d" % number
                return
            self.close()
        raise Failure("no Xvfb could be started")

    @staticmethod
    def _read_line(fd, timeout):
        text = b""
        deadline = time.monotonic() + timeout
        while not text.endswith(b"\n"):
            ready, _, _ = select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(fd, 16) if ready else b""
            if not chunk:
                break
            text += chunk
        return text

    def alive(self):
        return self.server.poll() is None

    def close(self):
        self.server.terminate()
        try:
            self.server.wait(5)
        except subprocess.TimeoutExpired:
            self.server.kill()


class Picture:
    """An 8-bit RGB screenshot of the whole screen."""

    def __init__(self, data):
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        check(match is not None and match.group(3) == b"255", "no 8-bit screenshot")
        self.width = int(match.group(1))
        self.height = int(match.group(2))
        self.pixels = data[match.end():]

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.pixels[offset:offset + 3])

    def save(self, path):
        with open(path, "wb") as file:
            file.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.pixels)

    def region(self, left, top, width, height):
        """The bytes of a rectangle, row by row: equal bytes, equal pictures."""
        rows = []
        for y in range(top, top + height):
            start = (y * self.width + left) * 3
            rows.append(self.pixels[start:start + width * 3])
        return b"".join(rows)


class Session:
    """The programs of one test, started with a runtime folder, settings store, drive list
    and sound setting of their own, so no two tests share state."""

    def __init__(self, display, workdir):
        self.display = display
        self.workdir = workdir
        self.env = dict(os.environ)
        self.env.update(DISPLAY=display.name, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                        XDG_RUNTIME_DIR=os.path.join(workdir, "run"),
                        XDG_CACHE_HOME=os.path.join(workdir, "cache"),
                        ROADPLAYER_REGISTRY_DIR=os.path.join(workdir, "registry"),
                        ROADPLAYER_VIRTUAL_DRIVES="", ROADPLAYER_AUDIO_DEVICE="none")
        self.env.pop("WAYLAND_DISPLAY", None)
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        # Sanitizer builds: libraries not ours keep memory they never free. A library unloaded
        # before the leak check could not be named, so sanitize.sh may ask for none to be.
        self.env["LSAN_OPTIONS"] = "suppressions=" + os.path.join(
            os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lsan.supp")
        keep_modules = os.environ.get("ROADPLAYER_KEEP_MODULES")
        if keep_modules:
            self.env["LD_PRELOAD"] = keep_modules
            self.env["ASAN_OPTIONS"] = self.env.get("ASAN_OPTIONS", "") + \
                ":verify_asan_link_order=0"
        self.processes = []
        self.log_path = os.path.join(workdir, "program.log")
        # The step of a long scenario under way, named in a failure and its screenshot.
        self.step = None

    def start(self, argv, env=None, stderr_to_log=True):
        """Starts a program; its output goes to the session's log (stderr too unless asked
        to keep it apart, then it is returned by finish())."""
        full_env = dict(self.env)
        full_env.update(env or {})
        log = open(self.log_path, "ab")
        process = subprocess.Popen(
            argv, env=full_env, stdout=log,
            stderr=subprocess.STDOUT if stderr_to_log else subprocess.PIPE)
        log.close()
        self.processes.append(process)
        return process

    def finish(self, process, what, timeout=20):
        """Waits for a program's end: (exit status, its standard error or b"")."""
        try:
            _, err = process.communicate(timeout=timeout * SLOWDOWN)
        except subprocess.TimeoutExpired:
            raise Failure(what + ": the program did not end")
        return process.returncode, err or b""

    def xdotool(self, *args):
        """A window may be given as a function that finds it, for a window that its program
        makes anew (as a toolkit does when a view that composes with the graphics card first
        appears in it)."""
        args = [arg() if callable(arg) else arg for arg in args]
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                timeout=10)
        return result.stdout

    def windows(self, name):
        """Visible windows whose title matches the pattern, oldest first."""
        return self.xdotool("search", "--onlyvisible", "--name", name).split()

    def find(self, name, process=None, timeout=10.0, size=None):
        """The first visible window with that title (and size, when given)."""
        def search():
            if not self.display.alive():
                raise Failure("the X server ended (stopped from outside)")
            if process is not None and process.poll() is not None:
                raise Failure("the program ended with status %d on %s" % (
                    process.returncode, self.display.name))
            for window in self.windows(name):
                # A window may go between the search and the question (a helper window of
                # the browser engine that shows briefly).
                geometry = self.geometry(window, missing_ok=True)
                if geometry is not None and (size is None or geometry[2:] == size):
                    return window
            return None
        return wait_for(search, "window " + name, timeout)

    def remade(self, name, process, size, timeout=30):
        """A program's main window, found again at every use: a toolkit may make a window anew
        when a view that composes with the graphics card first appears in it (the player's map
        composes in software and starts only when first shown, so it keeps its window)."""
        self.find(name, process=process, timeout=timeout, size=size)
        return lambda: self.find(name, process=process, timeout=10, size=size)

    def sized(self, name, size):
        """Visible windows with that title and size."""
        return [w for w in self.windows(name)
                if (self.geometry(w, missing_ok=True) or (0, 0, 0, 0))[2:] == size]

    def gone(self, name):
        return not self.windows(name)

    def geometry(self, window, missing_ok=False):
        fields = dict(line.split("=", 1) for line in
                      self.xdotool("getwindowgeometry", "--shell", window).split())
        if missing_ok and "X" not in fields:
            return None
        check("X" in fields, "window %s is gone" % window)
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def click(self, window, point):
        self.xdotool("mousemove", "--window", window, str(point[0]), str(point[1]),
                     "click", "1")

    def double_click(self, window, point):
        self.xdotool("mousemove", "--window", window, str(point[0]), str(point[1]),
                     "click", "--repeat", "2", "--delay", "60", "1")

    def key(self, window, *keys):
        self.xdotool("key", "--window", window, *keys)

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=20).stdout
        return Picture(data)

    def save_screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, capture_output=True,
                       timeout=20)
        return path

    def answer_save_as(self, path, process=None, title="^Save As$"):
        """Types a full path into a Save As dialog and confirms it. On a slow machine the
        completion list of a path typed so far can take the Return meant for the dialog, so
        Return is pressed again while the dialog stays."""
        dialog = self.find(title, process=process)
        self.xdotool("mousemove", "--window", dialog, "30", "30")
        time.sleep(0.3)
        self.xdotool("key", "ctrl+a")
        self.xdotool("type", "--delay", "2", path)
        time.sleep(0.2 * SLOWDOWN)
        for attempt in range(3):
            if self.gone(title):
                return
            self.xdotool("key", "Return")
            try:
                wait_for(lambda: self.gone(title), "the Save As dialog to close", timeout=5)
                return
            except Failure:
                if attempt == 2:
                    raise

    def wait_exit(self, process, what, expected=0, timeout=10):
        try:
            code = process.wait(timeout * SLOWDOWN)
        except subprocess.TimeoutExpired:
            raise Failure(what + ": the program did not end")
        check(code == expected, "%s: exit status %d" % (what, code))

    def stop(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                # A killed player with the browser engine's threads can take a while to go on
                # a loaded machine; that is no failure of the test.
                process.wait(60)
        self.processes = []


def run(name, scenarios, out_dir, screen="1024x800x24", prepare=None):
    """Runs (title, function(session, work)) scenarios in order on one private display; on the
    first failure the screen is saved as out_dir/<step>.png, the programs' output printed, and
    1 returned. 77 (skipped) when a tool is missing."""
    tool = missing_tools()
    if tool is not None:
        print("skipped: %s is not installed" % tool)
        return 77
    os.makedirs(out_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="e2e-%s-" % name)
    display = None
    session = None
    step = "set-up"
    try:
        display = Display(screen)
        session = Session(display, work)
        if prepare is not None:
            prepare(session, work)
        started = time.monotonic()
        for title, scenario in scenarios:
            step = title
            session.step = None
            scenario(session, work)
            session.stop()
            print("passed: %s (%.1f s)" % (title, time.monotonic() - started))
            sys.stdout.flush()
        return 0
    except Failure as failure:
        if session is not None and session.step:
            step = "%s: %s" % (step, session.step)
        print("FAILED: %s: %s" % (step, failure), file=sys.stderr)
        if display is not None and display.alive() and session is not None:
            shot = os.path.join(out_dir, re.sub(r"[^A-Za-z0-9]+", "-", step).strip("-") + ".png")
            session.save_screenshot(shot)
            print("screenshot of the failing step: %s" % shot, file=sys.stderr)
        log = os.path.join(work, "program.log")
        if os.path.exists(log):
            with open(log, "rb") as file:
                sys.stderr.write(file.read().decode(errors="replace"))
        return 1
    finally:
        if session:
            session.stop()
        if display:
            display.close()
        shutil.rmtree(work, ignore_errors=True)
