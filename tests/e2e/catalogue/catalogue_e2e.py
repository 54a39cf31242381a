#!/usr/bin/env python3
"""RoadPlayer's catalogue end to end: the real program on a private Xvfb (no window manager)
with a virtual camera card made by make-sample-card, driven with xdotool. Which recording
plays is read from the files the player holds open; messages are found by their titles.

usage: catalogue_e2e.py PROGRAM_FOLDER TOOLS_FOLDER OUTPUT_FOLDER
  PROGRAM_FOLDER  the built program folder (RoadPlayer, DCS_4100, VDATA.PACK)
  TOOLS_FOLDER    make-sample-card
"""

import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import (SLOWDOWN, Failure, check, frame_code, make_trip_card,  # noqa: E402
                         open_files, run, settled, wait_for)

MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
SELDRIVE = "^Choose the card$"
SELDRIVE_OK = (222, 144)
COPYING = "^Copying$"
COPY_CANCEL = (354, 106)
SETTINGS_TOOL = "^설정$"
BOX_SIZE = (420, 196)
BOX_OK = (350, 164)
QUESTION_OK = (242, 164)

OPEN = (232, 24)
CAPTURE = (794, 24)
SAVE = (830, 24)
SETTING = (914, 24)
SITE = (950, 24)
EXIT = (1142, 24)
PREV = (80, 592)
PLAY = (174, 592)
NEXT = (268, 592)
TABS = {"normal": (843, 318), "event": (932, 318), "manual": (1021, 318),
        "motion": (1110, 318)}
LIST = (800, 342, 352, 280)
ROW_HEIGHT = 28
FRONT_VIEW = (16, 56, 768, 432)
# The trip strip's track (window coordinates) and the look of the recording that plays on it.
TRIP_TRACK = (16, 555, 768, 12)
TRIP_CURRENT = (79, 163, 224)
TRIP_LENGTH = 6
TRIP_FPS = 10

LENGTH = 8
CLIP = ["--length", str(LENGTH), "--size", "320x180", "--rear-size", "160x90", "--fps", "10",
        "--audio", "none"]
# Recordings whose copies last long enough to be seen (about a quarter second here) and to be
# cancelled (about two seconds).
COPIED_BYTES = 256 << 20
CANCELLED_BYTES = 2 << 30

# Each folder's recordings in key order (date characters 4-9, time 11-16); "sub/" is a
# subfolder. The first character, which no key reads, is changed until the folder's walk
# does not meet them in key order.
WANTED = {
    "NORMAL": ["NOR_250516_235959_F.mp4", "NOR_250517_000001_F.mp4",
               "sub/NOR_250517_143000_F.mp4", "NOR_250517_150000_F.mp4"],
    "EVENT": ["EVT_250517_100000_F.mp4", "EVT_250517_120000_F.mp4"],
    "EVENT_N": ["EVN_250517_090000_F.mp4", "EVN_250517_110000_F.mp4"],
    "MANUAL": ["MAN_250518_070000_F.mp4", "MAN_250518_080000_F.mp4"],
    "MOTION": ["MOT_250519_061500_F.mp4", "MOT_250519_220000_F.mp4"],
}


class Catalogue:
    def __init__(self, args):
        self.program_dir, self.tools = args
        self.card = None
        self.names = {}  # folder -> its recordings in key order

    def rows(self, folder):
        """The rows a tab lists, as paths relative to the card."""
        if folder == "EVENT":
            # Both event folders merged by key.
            event, event_n = self.names["EVENT"], self.names["EVENT_N"]
            return ["EVENT_N/" + event_n[0], "EVENT/" + event[0], "EVENT_N/" + event_n[1],
                    "EVENT/" + event[1]]
        return [folder + "/" + name for name in self.names[folder]]

    def program(self):
        return os.path.join(self.program_dir, "RoadPlayer")


def make_card(catalogue, folder, categories, counts, cameras):
    subprocess.run([os.path.join(catalogue.tools, "make-sample-card"), folder, "--categories",
                    categories, "--count", counts, "--cameras", str(cameras), *CLIP],
                   check=True, capture_output=True, timeout=300)


def walk_order(folder):
    """Files below folder in the order a depth-first walk of the directory entries meets them."""
    names = []
    for entry in os.listdir(folder):
        path = os.path.join(folder, entry)
        if os.path.isdir(path):
            names += [entry + "/" + name for name in walk_order(path)]
        else:
            names.append(entry)
    return names


def rename_into(folder, wanted, first):
    """Gives the folder's recordings the wanted names with their first character replaced;
    returns the names as written."""
    current = sorted(os.path.relpath(os.path.join(top, name), folder)
                     for top, _, names in os.walk(folder) for name in names
                     if name.endswith(".mp4"))
    check(len(current) == len(wanted), "%s holds %s" % (folder, current))
    written = []
    for old, new in zip(current, wanted):
        head, _, name = new.rpartition("/")
        new = os.path.join(head, first + name[1:])
        os.makedirs(os.path.dirname(os.path.join(folder, new)), exist_ok=True)
        os.rename(os.path.join(folder, old), os.path.join(folder, new))
        written.append(new)
    return written


def names_out_of_walk_order(folder, wanted):
    for first in "NABCDEFGHIJKLMOPQRSTUVWXYZ":
        written = rename_into(folder, wanted, first)
        if walk_order(folder) != written:
            return written
    raise Failure("no names out of walk order in %s" % folder)


def prepare(catalogue, session, work):
    card = os.path.join(work, "card")
    make_card(catalogue, card, "normal,event,event_n", "normal=4,event=2,event_n=2", 2)
    make_card(catalogue, card, "manual,motion", "manual=2,motion=2", 1)
    for folder, wanted in WANTED.items():
        catalogue.names[folder] = names_out_of_walk_order(os.path.join(card, folder), wanted)
    catalogue.card = card


class Player:
    """One running player on a card: its window, its buttons and what it plays."""

    def __init__(self, session, program, card, args=(), env=None):
        self.session = session
        self.card = card
        full_env = {"ROADPLAYER_VIRTUAL_DRIVES": card + "=QOR-SD" if card else ""}
        full_env.update(env or {})
        self.process = session.start([program, *args], env=full_env)
        self.window = session.remade(MAIN, self.process, MAIN_SIZE)

    def press(self, point):
        self.session.click(self.window, point)

    def row(self, index):
        return (LIST[0] + 100, LIST[1] + ROW_HEIGHT * index + ROW_HEIGHT // 2)

    def double_click_row(self, index):
        self.session.double_click(self.window, self.row(index))

    def open_card(self):
        before = self.list_area()
        self.press(OPEN)
        selector = self.session.find(SELDRIVE, process=self.process)
        self.session.click(selector, SELDRIVE_OK)
        wait_for(lambda: self.session.gone(SELDRIVE), "the drive selector to close")
        # The rows are listed off the window's thread; they show a moment later.
        wait_for(lambda: self.list_area() != before, "the card's rows")

    def press_tab(self, tab):
        before = self.list_area()
        self.press(TABS[tab])
        wait_for(lambda: self.list_area() != before, "the %s rows" % tab)

    def playing(self):
        """The recording the player holds open, relative to the card; None when none. In a
        recording's last seconds the one to follow it is held open as well, cued: then both,
        as a tuple, which is neither of them."""
        # The player's worker also reads each listed recording a moment (which hold an
        # incident): the recordings playing are the ones held across two looks.
        def held():
            return {os.path.relpath(path, self.card) if self.card else path
                    for path in open_files(self.process.pid) if path.endswith(".mp4")}

        def held_on():
            first = held()
            time.sleep(0.3)
            both = first & held()
            return (sorted(both),) if len(both) <= 2 else None
        try:
            files = wait_for(held_on, "two recordings open at most", timeout=5)[0]
        except Failure:
            check(False, "more than two recordings open: %s" % sorted(held()))
        if not files:
            return None
        return files[0] if len(files) == 1 else tuple(files)

    def expect_playing(self, expected, what, timeout=10):
        seen = []

        def matches():
            seen[:] = [self.playing()]
            return seen[0] == expected
        try:
            wait_for(matches, what, timeout=timeout)
        except Failure:
            raise Failure("%s: playing %s, expected %s" % (what, seen and seen[0], expected))

    def front_view(self):
        left, top, _, _ = self.session.geometry(self.window)
        x, y, w, h = FRONT_VIEW
        return self.session.screenshot().region(left + x, top + y, w, h)

    def list_area(self):
        left, top, _, _ = self.session.geometry(self.window)
        x, y, w, h = LIST
        return self.session.screenshot().region(left + x, top + y, w, h)

    def expect_picture_changes(self, what):
        before = self.front_view()
        wait_for(lambda: self.front_view() != before, what, timeout=5)

    def message(self, title, what, timeout=10):
        """The message box titled title; the box is checked to be the only one."""
        box = self.session.find("^%s$" % title, process=self.process, timeout=timeout,
                                size=BOX_SIZE)
        check(len(self.session.windows("^%s$" % title)) == 1, "%s: more than one box" % what)
        return box

    def dismiss(self, box, title):
        self.session.click(box, BOX_OK)
        wait_for(lambda: self.session.gone("^%s$" % title), "the box %s to close" % title)

    def expect_no_window(self, pattern, what, seconds=2.0):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            check(not self.session.windows(pattern), what)
            time.sleep(0.1)

    def answer_save_as(self, path):
        self.session.answer_save_as(path, process=self.process)

    def quit(self):
        self.press(EXIT)
        box = self.message("Quit RoadPlayer", "quit")
        self.session.click(box, QUESTION_OK)
        self.session.wait_exit(self.process, "quitting")


class WindowWatch(threading.Thread):
    """Polls for a window from the moment it starts; clicks a point in it at once when asked
    (a window that may be gone again within a second)."""

    def __init__(self, session, pattern, click=None):
        super().__init__(daemon=True)
        self.session, self.pattern, self.point = session, pattern, click
        self.seen = None
        self.stop = False

    def run(self):
        while not self.stop and self.seen is None:
            found = self.session.windows(self.pattern)
            if found:
                self.seen = found[0]
                if self.point is not None:
                    self.session.click(self.seen, self.point)
            else:
                time.sleep(0.005)

    def finish(self):
        self.stop = True
        self.join(5)
        return self.seen


def scenario_lists_and_rows(catalogue, session, work):
    player = Player(session, catalogue.program(), catalogue.card)
    player.open_card()

    # Normal: a double click plays; Next walks the rows in key order; Next on the last closes.
    rows = catalogue.rows("NORMAL")
    player.double_click_row(0)
    player.expect_playing(rows[0], "double click on row 0")
    player.expect_picture_changes("the picture to change while playing")
    for index in range(1, len(rows)):
        player.press(NEXT)
        player.expect_playing(rows[index], "Next to normal row %d" % index)
    player.press(NEXT)
    player.expect_playing(None, "Next on the last row")

    # Event: both folders merged in key order, from Play with nothing open.
    rows = catalogue.rows("EVENT")
    player.press_tab("event")
    player.press(PLAY)
    player.expect_playing(rows[0], "Play on the event tab")
    for index in range(1, len(rows)):
        player.press(NEXT)
        player.expect_playing(rows[index], "Next to event row %d" % index)

    # Manual: its own folder; Previous goes back and does nothing on row 0.
    rows = catalogue.rows("MANUAL")
    player.press_tab("manual")
    player.double_click_row(1)
    player.expect_playing(rows[1], "manual row 1")
    player.press(PREV)
    player.expect_playing(rows[0], "Previous to manual row 0")
    player.press(PREV)
    time.sleep(0.5)
    player.expect_playing(rows[0], "Previous on row 0", timeout=0)

    # Motion: the end of the last recording opens row 0.
    rows = catalogue.rows("MOTION")
    player.press_tab("motion")
    player.double_click_row(1)
    player.expect_playing(rows[1], "motion row 1")
    player.expect_playing(rows[0], "the end of the last row", timeout=LENGTH + 8)
    player.quit()


def scenario_card_removal(catalogue, session, work):
    card = os.path.join(work, "removable")
    shutil.copytree(catalogue.card, card)
    player = Player(session, catalogue.program(), card)
    empty_list = settled(player.list_area, "the empty list")
    player.open_card()
    wait_for(lambda: player.list_area() != empty_list, "the list to show")
    player.double_click_row(1)
    player.expect_playing(catalogue.rows("NORMAL")[1], "double click before the removal")

    gone = card + ".gone"
    os.rename(card, gone)
    box = player.message("Card removed", "removal")
    check(player.playing() is None, "a recording is still open after the removal")
    player.dismiss(box, "Card removed")
    player.expect_no_window("^Card removed$", "the removal was told twice")
    wait_for(lambda: player.list_area() == empty_list, "the list to be emptied")

    # The card comes back while none is chosen: the player offers it once (in its own box, as no
    # notification service runs here). Declined, it is not the chosen card, and goes unremarked.
    os.rename(gone, card)
    box = player.message("Camera card inserted", "the card's return")
    player.dismiss(box, "Camera card inserted")  # Cancel, where a message has its OK
    player.expect_no_window("^Camera card inserted$", "the card was offered twice")
    os.rename(card, gone)
    player.expect_no_window("^Card removed$", "a second removal was told", seconds=3.0)
    check(player.playing() is None, "a recording opened")
    player.quit()


def scenario_export_snapshot_and_settings(catalogue, session, work):
    card = os.path.join(work, "card-b")
    os.makedirs(os.path.join(card, "NORMAL"))
    os.makedirs(os.path.join(card, "MANUAL"))
    os.makedirs(os.path.join(card, "EVENT"))
    two = catalogue.names["NORMAL"][0]
    one = catalogue.names["MANUAL"][0]
    shutil.copy2(os.path.join(catalogue.card, "NORMAL", two), os.path.join(card, "NORMAL"))
    shutil.copy2(os.path.join(catalogue.card, "MANUAL", one), os.path.join(card, "MANUAL"))
    # Two long recordings (their tails are holes in the files): one whose copy is watched to
    # its end, one whose copy lasts long enough to be cancelled.
    copied, cancelled = (os.path.join(card, "EVENT", name) for name in
                         ("EVT_250520_080000_F.mp4", "EVT_250520_090000_F.mp4"))
    for path, size in ((copied, COPIED_BYTES), (cancelled, CANCELLED_BYTES)):
        shutil.copy2(os.path.join(catalogue.card, "NORMAL", two), path)
        with open(path, "r+b") as file:
            file.truncate(size)
    snaps = os.path.join(work, "snaps")
    exports = os.path.join(work, "exports")
    os.makedirs(snaps)
    os.makedirs(exports)

    player = Player(session, catalogue.program(), card)
    player.open_card()
    player.double_click_row(0)
    player.expect_playing("NORMAL/" + two, "the two-camera recording")
    # Capture takes the picture shown; right after the opening there may be none yet.
    player.expect_picture_changes("the two-camera recording to show")

    # Capture twice with the proposed name kept: the sequence goes on per camera pair.
    base = os.path.splitext(two)[0]
    for number in ("000", "001"):
        player.press(CAPTURE)
        player.answer_save_as(os.path.join(snaps, base + ".jpg"))
        for camera in ("front", "rear"):
            name = os.path.join(snaps, "%s_%s_%s.jpg" % (base, camera, number))
            wait_for(lambda: os.path.exists(name), name)
            with open(name, "rb") as file:
                check(file.read(3) == b"\xff\xd8\xff", "%s is not a JPEG file" % name)
        player.expect_picture_changes("playback to resume after Capture %s" % number)
    check(sorted(os.listdir(snaps)) == sorted("%s_%s_%s.jpg" % (base, c, n) for c in
                                              ("front", "rear") for n in ("000", "001")),
          "snapshots: %s" % sorted(os.listdir(snaps)))

    # A typed name: the dialog asked about trip.jpg only, so the pair already written stays and
    # the next pair is numbered. A folder that is gone (renamed while the dialog was open)
    # says so and writes neither picture.
    before = set(os.listdir(snaps))
    for written in (("trip_front.jpg", "trip_rear.jpg"), ("trip_front_001.jpg", "trip_rear_001.jpg")):
        player.press(CAPTURE)
        player.answer_save_as(os.path.join(snaps, "trip.jpg"))
        for name in written:
            wait_for(lambda: os.path.exists(os.path.join(snaps, name)), name)
        player.expect_picture_changes("playback to resume after Capture as %s" % written[0])
    player.press(CAPTURE)
    player.answer_save_as(os.path.join(snaps, "gone", "trip.jpg"))
    box = player.message("Snapshot not saved", "a capture into a folder that is gone")
    player.dismiss(box, "Snapshot not saved")
    check(set(os.listdir(snaps)) - before == {"trip_front.jpg", "trip_rear.jpg",
                                              "trip_front_001.jpg", "trip_rear_001.jpg"},
          "snapshots: %s" % sorted(os.listdir(snaps)))
    for name in os.listdir(snaps):
        if name.startswith("trip"):
            os.remove(os.path.join(snaps, name))

    # Save: a cancelled copy leaves nothing; a finished one is the recording.
    player.press_tab("event")
    player.double_click_row(1)
    player.expect_playing("EVENT/" + os.path.basename(cancelled), "the recording to cancel")
    player.press(SAVE)
    watch = WindowWatch(session, COPYING, click=COPY_CANCEL)
    watch.start()
    player.answer_save_as(os.path.join(exports, "cancelled.mp4"))
    box = player.message("Copy failed", "cancelled copy", timeout=30)
    check(watch.finish() is not None, "no progress window during the cancelled copy")
    player.dismiss(box, "Copy failed")
    check(os.listdir(exports) == [], "a cancelled copy left %s" % os.listdir(exports))

    player.double_click_row(0)
    player.expect_playing("EVENT/" + os.path.basename(copied), "the recording to copy")
    player.press(SAVE)
    watch = WindowWatch(session, COPYING)
    watch.start()
    player.answer_save_as(os.path.join(exports, "copied.mp4"))
    wait_for(lambda: os.listdir(exports) == ["copied.mp4"] and session.gone(COPYING),
             "the copy to finish", timeout=60)
    check(watch.finish() is not None, "no progress window during the copy")
    check(subprocess.run(["cmp", "-s", copied, os.path.join(exports, "copied.mp4")]).returncode
          == 0, "the copy differs from the recording")
    os.remove(os.path.join(exports, "copied.mp4"))
    player.expect_picture_changes("playback to resume after Save")

    # Capture on a one-camera recording next to an earlier snapshot B_a.jpg: B_001.jpg.
    player.press_tab("manual")
    player.double_click_row(0)
    player.expect_playing("MANUAL/" + one, "the one-camera recording")
    player.expect_picture_changes("the one-camera recording to show")
    base = os.path.splitext(one)[0]
    with open(os.path.join(snaps, base + "_a.jpg"), "wb") as file:
        file.write(b"earlier")
    player.press(CAPTURE)
    player.answer_save_as(os.path.join(snaps, base + ".jpg"))
    written = os.path.join(snaps, base + "_001.jpg")
    wait_for(lambda: os.path.exists(written), written)
    check(not os.path.exists(os.path.join(snaps, base + ".jpg")), "B.jpg was written")

    # Settings with the card present starts the settings tool (its window covers the
    # player's buttons), and closing the player ends it.
    player.press(SETTING)
    tool = session.find(SETTINGS_TOOL, timeout=30)
    tool_pid = int(session.xdotool("getwindowpid", tool).strip())
    session.xdotool("windowmove", tool, "0", "600")
    player.quit()
    wait_for(lambda: not process_alive(tool_pid), "the settings tool to end with the player")


def process_alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as file:
            return file.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def scenario_no_card_offline(catalogue, session, work):
    recording = os.path.join(catalogue.card, catalogue.rows("NORMAL")[0])
    player = Player(session, catalogue.program(), "", args=[recording],
                    env={"ROADPLAYER_ONLINE": "0"})
    player.expect_playing(recording, "the recording named at start")
    player.press(SETTING)
    box = player.message("Camera card not found", "settings without the card")
    player.dismiss(box, "Camera card not found")
    player.expect_no_window(SETTINGS_TOOL, "the settings tool started without the card")
    player.press(SITE)
    box = player.message("No Internet connection", "site offline")
    player.dismiss(box, "No Internet connection")
    player.quit()


def current_span(picture, left, top):
    """The columns of the trip strip's track that show the recording that plays: (first, last)
    relative to the track, or None."""
    x0, y0, w, h = TRIP_TRACK
    y = top + y0 + h // 2
    xs = [x for x in range(w) if all(abs(a - b) <= 24 for a, b in
                                     zip(picture.pixel(left + x0 + x, y), TRIP_CURRENT))]
    return (xs[0], xs[-1]) if xs else None


def scenario_trip_strip(catalogue, session, work):
    card = os.path.join(work, "trip-card")
    rows = make_trip_card(catalogue.tools, card, count=3, length=TRIP_LENGTH)
    player = Player(session, catalogue.program(), card)
    player.open_card()
    player.double_click_row(0)
    player.expect_playing(rows[0], "the trip's first recording")
    width = TRIP_TRACK[2]

    # Once the durations are read the strip shows three recordings, the first one playing.
    def span():
        left, top, _, _ = session.geometry(player.window)
        return current_span(session.screenshot(), left, top)
    wait_for(lambda: (span() or (0, width))[1] < width * 0.4,
             "the strip to show the first of three recordings")

    # Paused, a click at the middle of the third recording opens it there, still paused.
    player.press(PLAY)
    time.sleep(0.3)
    x = TRIP_TRACK[0] + width * 5 // 6
    started = time.monotonic()
    player.press((x, TRIP_TRACK[1] + TRIP_TRACK[3] // 2))
    expected = TRIP_LENGTH * TRIP_FPS // 2
    seen = [-1]

    def at_click():
        left, top, _, _ = session.geometry(player.window)
        fx, fy, fw, fh = FRONT_VIEW
        seen[0] = frame_code(session.screenshot(), (left + fx, top + fy, fw, fh))
        return abs(seen[0] - expected) <= 2 and player.playing() == rows[2]
    try:
        wait_for(at_click, "the third recording's picture at the clicked time", timeout=5)
    except Failure:
        raise Failure("after the click: %s shows frame %d, expected %d of %s" % (
            player.playing(), seen[0], expected, rows[2]))
    print("trip strip click to the third recording's picture: %d ms (screenshots included)" %
          round((time.monotonic() - started) * 1000))
    first, last = wait_for(span, "the strip to mark the third recording")
    check(first > width * 0.6, "the strip marks columns %d to %d as playing" % (first, last))
    time.sleep(0.5)
    left, top, _, _ = session.geometry(player.window)
    fx, fy, fw, fh = FRONT_VIEW
    check(abs(frame_code(session.screenshot(), (left + fx, top + fy, fw, fh)) - expected) <= 2,
          "the third recording did not stay paused at the clicked time")
    keep = os.path.join(catalogue.out_dir, "trip-strip.png")
    print("screenshot: %s" % session.save_screenshot(keep))
    player.quit()


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    catalogue = Catalogue([os.path.abspath(a) for a in sys.argv[1:3]])
    catalogue.out_dir = os.path.abspath(sys.argv[3])
    os.makedirs(catalogue.out_dir, exist_ok=True)

    def step(scenario):
        return lambda session, work: scenario(catalogue, session, work)

    return run("catalogue", [
        ("lists and rows", step(scenario_lists_and_rows)),
        ("card removal", step(scenario_card_removal)),
        ("export, snapshot and settings", step(scenario_export_snapshot_and_settings)),
        ("no card, offline", step(scenario_no_card_offline)),
        ("trip strip", step(scenario_trip_strip)),
    ], sys.argv[3], screen="1280x800x24", prepare=lambda s, w: prepare(catalogue, s, w))


if __name__ == "__main__":
    sys.exit(main())
