#!/usr/bin/env python3
"""DCS_4100 end to end: the real program on a private Xvfb (no window manager), a virtual
camera card, clicks through xdotool and screenshots through ImageMagick's import.

usage: settings_e2e.py PATH_TO_DCS_4100 OUTPUT_FOLDER
"""

import datetime
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import Failure, Session, check, run, wait_for  # noqa: E402

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


class SettingsSession:
    """The settings tool in a shared session: its dialog and its lit option buttons."""

    def __init__(self, session, program):
        self.session = session
        self.program = program
        self.process = None
        self.window = None

    def start(self, drives, browse_answer):
        self.process = self.session.start(
            [self.program],
            env={"ROADPLAYER_VIRTUAL_DRIVES": drives, "DCS_4100_BROWSE_ANSWER": browse_answer})
        self.window = self.find(TITLE, timeout=30)
        geometry = self.geometry(self.window)
        check((geometry[2], geometry[3]) == (498, 758), "dialog size %s" % (geometry,))

    def find(self, name, timeout=10.0):
        return self.session.find(name, process=self.process, timeout=timeout)

    def gone(self, name):
        return self.session.gone(name)

    def geometry(self, window):
        return self.session.geometry(window)

    def click(self, window, point):
        self.session.click(window, point)

    def xdotool(self, *args):
        return self.session.xdotool(*args)

    def selected(self):
        """Captions whose on picture (the blue accent) shows."""
        left, top, _, _ = self.geometry(self.window)
        picture = self.session.screenshot()
        lit = set()
        for caption, (x, y) in BUTTONS.items():
            red, green, blue = picture.pixel(left + x + 3, top + y + 8)
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
        self.session.wait_exit(self.process, what)
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
    entries = sorted(set(os.listdir(work)) - {"registry"})
    check(entries == ["blocker", "card", "out-a", "out-b", "program.log", "run"],
          "stray files: %s" % entries)
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
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    program = os.path.abspath(sys.argv[1])
    state = {}

    def prepare(session, work):
        card = os.path.join(work, "card")
        os.makedirs(os.path.join(card, "SETTING"))
        with open(os.path.join(card, ".volume_label"), "w") as file:
            file.write("QOR-SD\n")
        with open(os.path.join(card, "SETTING", "BK_Setting.cfg"), "wb") as file:
            file.write(b"123318   ")
        state["card"] = card
        state["settings"] = SettingsSession(session, program)

    def step(scenario, *with_card):
        return lambda session, work: scenario(state["settings"], *(
            [state["card"]] if with_card else []), work)

    def card_unchanged(session, work):
        check(read(os.path.join(state["card"], "SETTING", "BK_Setting.cfg")) == b"123318   ",
              "the card's file changed")

    return run("settings", [
        ("card, P3, Init, save", step(scenario_card_init_and_save, True)),
        ("save with time", step(scenario_save_with_time, True)),
        ("unwritable folder", step(scenario_unwritable_folder, True)),
        ("no card, dragging", step(scenario_no_card_and_dragging)),
        ("card unchanged", card_unchanged),
    ], sys.argv[2], prepare=prepare)


if __name__ == "__main__":
    sys.exit(main())
