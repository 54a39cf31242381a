#!/usr/bin/env python3
"""DCS_4100 end to end: the real program on a private Xvfb (no window manager), a virtual
camera card, clicks through xdotool and screenshots through ImageMagick's import.

usage: settings_e2e.py PATH_TO_DCS_4100
"""

import datetime
import os
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "^설정$"
SUCCESS_TEXT = "성공적으로 설정을 저장하였습니다."
CANCEL_TEXT = "설정 저장을 취소하였습니다."

# Option buttons: caption -> top left in the dialog (all 16 pixels high).
BUTTONS = {
    "POFF": (48, 106), "PA": (138, 106), "P1": (228, 106), "P2": (318, 106), "P3": (408, 106),
    "ROFF": (93, 213), "RLOW": (183, 213), "RMID": (272, 213), "RHIGH": (363, 213),
    "SOFF": (93, 320), "SLOW": (183, 320), "SMID": (272, 320), "SHIGH": (363, 320),
    "QLOW": (93, 427), "QMID": (228, 427), "QHIGH": (363, 427),
    "GOFF": (37, 535), "G1": (92, 535), "G2": (142, 535), "G3": (192, 535), "G4": (242, 535),
    "G5": (292, 535), "G6": (342, 535), "G7": (392, 535), "G8": (442, 535),
}
SAVE = (246, 723)
CANCEL = (408, 723)
INIT = (84, 723)
SWITCH = (50, 643)
POPUP_OK = (161, 165)
DEFAULTS = {"POFF", "RHIGH", "SMID", "QHIGH", "G4"}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, what, timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.1)


class Display:
    """A private X server on a free, high display number, clear of the low numbers that
    other tools and scripts take for granted. The server writes its number to a pipe once it
    accepts clients; a socket file alone can appear before that."""

    def __init__(self):
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
                 "1024x800x24", "-nolisten", "tcp", "-noreset"],
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


class Session:
    def __init__(self, program, display, workdir):
        self.program = program
        self.display = display
        self.env = dict(os.environ)
        self.env.update(DISPLAY=display.name, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                        XDG_RUNTIME_DIR=os.path.join(workdir, "run"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        # Sanitizer builds: fontconfig and D-Bus keep allocations that they never free.
        suppressions = os.path.join(workdir, "run", "lsan.supp")
        with open(suppressions, "w") as file:
            file.write("leak:libfontconfig.so\nleak:libdbus-1.so\n")
        self.env["LSAN_OPTIONS"] = "suppressions=" + suppressions
        self.process = None
        self.workdir = workdir
        self.log = None

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                timeout=10)
        return result.stdout

    def start(self, drives, browse_answer):
        env = dict(self.env)
        env["ROADPLAYER_VIRTUAL_DRIVES"] = drives
        env["DCS_4100_BROWSE_ANSWER"] = browse_answer
        self.log = open(os.path.join(self.workdir, "program.log"), "ab")
        self.process = subprocess.Popen([self.program], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        self.window = self.find(TITLE, timeout=30)
        geometry = self.geometry(self.window)
        check((geometry[2], geometry[3]) == (498, 758), "dialog size %s" % (geometry,))

    def find(self, name, timeout=10.0):
        def search():
            if not self.display.alive():
                raise Failure("the X server ended (stopped from outside)")
            if self.process.poll() is not None:
                raise Failure("the program ended with status %d on %s (server socket %s)" % (
                    self.process.returncode, self.display.name,
                    "present" if os.path.exists("/tmp/.X11-unix/X" + self.display.name[1:])
                    else "missing"))
            ids = self.xdotool("search", "--onlyvisible", "--name", name).split()
            return ids[0] if ids else None
        return wait_for(search, "window " + name, timeout)

    def gone(self, name):
        return not self.xdotool("search", "--onlyvisible", "--name", name).split()

    def geometry(self, window):
        fields = dict(line.split("=", 1) for line in
                      self.xdotool("getwindowgeometry", "--shell", window).split())
        return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])

    def click(self, window, point):
        self.xdotool("mousemove", "--window", window, str(point[0]), str(point[1]),
                     "click", "1")

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=20).stdout
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        check(match is not None and match.group(3) == b"255", "no 8-bit screenshot")
        width = int(match.group(1))
        pixels = data[match.end():]

        def pixel(x, y):
            offset = (y * width + x) * 3
            return tuple(pixels[offset:offset + 3])
        return pixel

    def selected(self):
        """Captions whose on picture (the blue accent) shows."""
        left, top, _, _ = self.geometry(self.window)
        pixel = self.screenshot()
        lit = set()
        for caption, (x, y) in BUTTONS.items():
            red, green, blue = pixel(left + x + 3, top + y + 8)
            if blue > 180 and green > 120 and red < 120:
                lit.add(caption)
        return lit

    def expect_selected(self, expected, what):
        last = set()

        def matches():
            nonlocal last
            last = self.selected()
            return last == expected
        try:
            wait_for(matches, what, timeout=10)
        except Failure:
            raise Failure("%s: lit %s, expected %s" % (what, sorted(last), sorted(expected)))

    def wait_exit(self, what):
        try:
            code = self.process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure(what + ": the program did not end")
        check(code == 0, "%s: exit status %d" % (what, code))
        self.process = None

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(5)
        self.process = None


def read(path):
    with open(path, "rb") as file:
        return file.read()


def folder_entries(path):
    return sorted(os.listdir(path))


def scenario_card_init_and_save(session, card, work):
    out = os.path.join(work, "out-a")
    os.makedirs(out)
    session.start(card, out)
    session.expect_selected({"PA", "RMID", "SHIGH", "QHIGH", "G8"}, "card settings")
    session.click(session.window, (BUTTONS["P3"][0] + 25, BUTTONS["P3"][1] + 8))
    session.expect_selected({"P3", "RMID", "SHIGH", "QHIGH", "G8"}, "after P3")
    session.click(session.window, INIT)
    session.expect_selected(DEFAULTS, "after Init")
    session.click(session.window, SAVE)
    popup = session.find(SUCCESS_TEXT)
    check(folder_entries(out) == ["BK_Setting.cfg"], "switch off: %s" % folder_entries(out))
    check(read(os.path.join(out, "BK_Setting.cfg")) == b"032304   ", "settings bytes after Init")
    session.click(popup, POPUP_OK)
    session.wait_exit("save with the switch off")


def scenario_save_with_time(session, card, work):
    out = os.path.join(work, "out-b")
    os.makedirs(out)
    session.start(card, out)
    session.expect_selected({"PA", "RMID", "SHIGH", "QHIGH", "G8"}, "card settings")
    session.click(session.window, SWITCH)
    session.click(session.window, SAVE)
    popup = session.find(SUCCESS_TEXT)
    check(folder_entries(out) == ["BK_Setting.cfg", "BK_Time.cfg"],
          "switch on: %s" % folder_entries(out))
    check(read(os.path.join(out, "BK_Setting.cfg")) == b"123318   ", "settings bytes as read")
    text = read(os.path.join(out, "BK_Time.cfg"))
    match = re.fullmatch(rb"(\d{4}) (\d\d) (\d\d) (\d\d) (\d\d) (\d\d) (\d\d) ", text)
    check(match is not None and len(text) == 23, "time file %r" % text)
    date = datetime.date(*(int(match.group(i)) for i in (1, 2, 3)))
    today = datetime.date.today()
    check(date in (today, today - datetime.timedelta(days=1)), "time file date %s" % date)
    check(int(match.group(7)) == (date.weekday() + 1) % 7, "weekday in %r" % text)
    session.click(popup, POPUP_OK)
    session.wait_exit("save with the switch on")


def scenario_unwritable_folder(session, card, work):
    blocker = os.path.join(work, "blocker")
    with open(blocker, "wb") as file:
        file.write(b"x")
    session.start(card, os.path.join(blocker, "SETTING"))
    session.expect_selected({"PA", "RMID", "SHIGH", "QHIGH", "G8"}, "card settings")
    session.click(session.window, SWITCH)
    session.click(session.window, SAVE)
    popup = session.find(CANCEL_TEXT)
    check(session.gone(SUCCESS_TEXT), "success told for a failed save")
    check(read(blocker) == b"x", "the blocking file changed")
    session.click(popup, POPUP_OK)
    wait_for(lambda: session.gone(CANCEL_TEXT), "the popup to close")
    time.sleep(0.3)
    check(session.process.poll() is None, "the dialog closed after a failed save")
    check(not session.gone(TITLE), "the dialog is hidden after a failed save")
    check(sorted(os.listdir(work)) == ["blocker", "card", "out-a", "out-b", "program.log", "run"],
          "stray files: %s" % sorted(os.listdir(work)))
    session.click(session.window, CANCEL)
    session.wait_exit("cancel")


def scenario_no_card_and_dragging(session, work):
    session.start("", "")
    session.expect_selected(DEFAULTS, "no card")
    left, top, _, _ = session.geometry(session.window)
    for grab_y, moved in ((300, False), (10, True)):
        session.xdotool("mousemove", "--window", session.window, "200", str(grab_y),
                        "mousedown", "1", "sleep", "0.1", "mousemove_relative", "--", "20", "15",
                        "sleep", "0.1", "mousemove_relative", "--", "20", "15", "sleep", "0.1",
                        "mouseup", "1")
        expected = (left + 40, top + 30) if moved else (left, top)
        wait_for(lambda: session.geometry(session.window)[:2] == expected,
                 "window at %s after grabbing y=%d" % (expected, grab_y), timeout=5)
    session.click(session.window, SAVE)  # the browser answers "cancelled"
    popup = session.find(CANCEL_TEXT)
    session.click(popup, POPUP_OK)
    wait_for(lambda: session.gone(CANCEL_TEXT), "the popup to close")
    session.click(session.window, CANCEL)
    session.wait_exit("cancel without a card")


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("skipped: %s is not installed" % tool)
            return 77
    program = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="e2e-settings-")
    display = None
    session = None
    try:
        card = os.path.join(work, "card")
        os.makedirs(os.path.join(card, "SETTING"))
        with open(os.path.join(card, ".volume_label"), "w") as file:
            file.write("QOR-SD\n")
        with open(os.path.join(card, "SETTING", "BK_Setting.cfg"), "wb") as file:
            file.write(b"123318   ")
        display = Display()
        session = Session(program, display, work)
        started = time.monotonic()
        for name, run in (("card, P3, Init, save", lambda: scenario_card_init_and_save(session, card, work)),
                          ("save with time", lambda: scenario_save_with_time(session, card, work)),
                          ("unwritable folder", lambda: scenario_unwritable_folder(session, card, work)),
                          ("no card, dragging", lambda: scenario_no_card_and_dragging(session, work))):
            run()
            print("passed: %s (%.1f s)" % (name, time.monotonic() - started))
        check(read(os.path.join(card, "SETTING", "BK_Setting.cfg")) == b"123318   ",
              "the card's file changed")
        return 0
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        log = os.path.join(work, "program.log")
        if os.path.exists(log):
            sys.stderr.write(read(log).decode(errors="replace"))
        return 1
    finally:
        if session:
            session.stop()
        if display:
            display.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
