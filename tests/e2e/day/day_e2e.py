#!/usr/bin/env python3
"""A user's day with both programs: the real player and settings tool on a private Xvfb (no
window manager), a demo card made by make-sample-card with frame codes, so a screenshot tells
which frame a view shows. One player walks the day step by step; every step is checked on a
screenshot region, a file or a window, and a failing step keeps its screenshot.

usage: day_e2e.py PROGRAM_FOLDER TOOLS_FOLDER OUTPUT_FOLDER
  PROGRAM_FOLDER  the built program folder (RoadPlayer, DCS_4100, VDATA.PACK)
  TOOLS_FOLDER    make-sample-card
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import (SLOWDOWN, Failure, Picture, check, frame_code,  # noqa: E402
                         open_files, run, settled, wait_for)

MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
BOX_SIZE = (420, 196)
SELDRIVE = "^Choose the card$"
SELDRIVE_OK = (222, 144)
COPYING = "^Copying$"
GSENSOR_TITLE = "^G-sensor$"
SETTINGS_TOOL = "^설정$"
SETTINGS_SAVED = "성공적으로 설정을 저장하였습니다."
QUESTION_OK = (242, 164)
MESSAGE_OK = (350, 164)

# The main window's controls in the normal layout (window coordinates).
OPEN = (232, 24)
GSENSOR = (866, 24)
CAPTURE = (794, 24)
SAVE = (830, 24)
SETTING = (914, 24)
MAXIMISE = (1106, 24)
EXIT = (1142, 24)
PLAY = (174, 592)
STEP = (312, 592)
FINF, FINR, FINM = (58, 510), (146, 510), (234, 510)
TABS = {"NORMAL": (843, 318), "EVENT": (932, 318), "MANUAL": (1021, 318),
        "MOTION": (1110, 318)}
LIST = (800, 342, 352, 280)
TAB_ROW = (800, 304, 352, 28)
ROW_HEIGHT = 28
TIME_SLIDER = (4, 530, 792, 24)
TIME_TRACK_MARGIN = 12
TRIP_TRACK = (16, 555, 768, 10)
SPEED_NORMAL, SPEED_FASTEST = (450, 592), (496, 592)
FRONT_VIEW = (16, 56, 768, 432)
SECOND_VIEW = (800, 56, 352, 198)
# The normal-size button of the enlarged layout, from the window's right edge.
NORMAL_FROM_RIGHT = (62, 24)
GSENSOR_BAND = (54, 66, 946, 208)
PENS = [(232, 112, 104), (122, 204, 140), (104, 166, 240)]
CURSOR_PEN = (240, 204, 96)
MAP_MARKER = (79, 163, 224)
# Speed and camera clock of the GPS fix at the playback position.
GPS_READOUT = (304, 8, 220, 32)
INVALID_STREAM = "Cannot play this recording"
BOOKMARK_NOTE = "^Add a bookmark$"
# The skin's mark colours (main.xml, gsensor.xml) and the G-sensor curves' pixels a minute.
MARK_COLOURS = {"braking": (231, 76, 60), "acceleration": (46, 204, 113),
                "cornering": (241, 196, 15), "impact": (155, 89, 182), "motion": (230, 126, 34),
                "bookmark": (245, 245, 245)}
GSENSOR_PIXELS_PER_MS = 0.015766666666666665
# The settings tool: the parking option MD3 and Save.
SETTINGS_P3 = (433, 114)
SETTINGS_SAVE = (246, 723)
SETTINGS_POPUP_OK = (161, 165)
# The clip window and the colour of a clip's marks on the time slider.
CLIP_WINDOW = "^Export a clip$"
CLIP_EXPORT = (282, 368)
CLIP_RENDERED = (337, 112)
CLIP_FRONT = (88, 177)
CLIP_MARK = (240, 204, 96)

FPS = 10
LENGTH = round(20 * SLOWDOWN)
CARD = ["--demo", "--size", "320x180", "--rear-size", "160x90", "--fps", str(FPS), "--length",
        str(LENGTH), "--frame-code"]


def close(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def looks_like(a, b, tolerance=8, share=0.005):
    """Two regions' bytes alike but for a few pixels (a focus frame or a hover shade); a row
    of text differs in far more."""
    differing = sum(1 for p, q in zip(a, b) if abs(p - q) > tolerance)
    return len(a) == len(b) and differing <= share * len(a)


def count_near(picture, rect, colour, tolerance=24, step=2):
    x0, y0, w, h = rect
    return sum(1 for y in range(y0, y0 + h, step) for x in range(x0, x0 + w, step)
               if close(picture.pixel(x, y), colour, tolerance))


def is_rear(picture, rect):
    """The rear camera's picture has a dark frame at its top and left edges."""
    x, y, w, h = rect
    top = picture.pixel(x + w // 2, y + max(1, h // 60))
    side = picture.pixel(x + max(1, w // 120), y + h // 2)
    return max(top) < 48 and max(side) < 48


def cursor_column(picture, rect):
    """The x of the G-sensor cursor line in the band, or None."""
    x0, y0, w, h = rect
    for x in range(x0, x0 + w):
        if sum(1 for y in range(y0, y0 + h, 4)
               if close(picture.pixel(x, y), CURSOR_PEN, 30)) > h // 8:
            return x
    return None


def lacks_index(path):
    """Whether the file is left as a power loss leaves it: media data, no index."""
    with open(path, "rb") as file:
        data = file.read()
    kinds, at = set(), 0
    while at + 8 <= len(data):
        size, header = int.from_bytes(data[at:at + 4], "big"), 8
        if size == 1:
            size, header = int.from_bytes(data[at + 8:at + 16], "big"), 16
        kinds.add(data[at + 4:at + 8])
        if size < header or at + size > len(data):
            break
        at += size
    return b"mdat" in kinds and b"moov" not in kinds


def jpeg_frame_code(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True, timeout=30).stdout
    picture = Picture(data)
    return frame_code(picture, (0, 0, picture.width, picture.height))


class Day:
    def __init__(self, program_dir, tools, out_dir):
        self.program_dir = program_dir
        self.tools = tools
        self.out_dir = out_dir
        self.session = None
        self.card = None
        self.process = None
        self.window = None
        self.left_top = (0, 0)

    def step(self, name):
        self.session.step = name
        print("  step: %s" % name)
        sys.stdout.flush()

    # The main window and what it shows.
    def to_screen(self, rect):
        left, top, _, _ = self.session.geometry(self.window)
        return (left + rect[0], top + rect[1]) + tuple(rect[2:])

    def press(self, point):
        self.session.click(self.window, point)

    def shot(self):
        return self.session.screenshot()

    def code_in(self, rect, picture=None):
        return frame_code(picture or self.shot(), self.to_screen(rect))

    def shown_frame(self, rect=FRONT_VIEW):
        """The frame a view shows once it shows a readable code."""
        seen = []

        def readable():
            seen[:] = [self.code_in(rect)]
            return seen[0] >= 0
        wait_for(readable, "a frame code in the view", timeout=10)
        return seen[0]

    def still_frame(self, rect=FRONT_VIEW):
        """The frame shown once two screenshots half a second apart agree."""
        last = [-2]

        def settled():
            code = self.code_in(rect)
            if code >= 0 and code == last[0]:
                return True
            last[0] = code
            time.sleep(0.5)
            return False
        wait_for(settled, "the view to hold one frame", timeout=10)
        return last[0]

    def advancing(self, rect=FRONT_VIEW, what="the view to play"):
        """Two readings in a row that rise by a plausible step: one code misread from a picture
        caught mid-paint cannot hold the wait back or end it."""
        last = [self.shown_frame(rect)]

        def rose():
            code = self.code_in(rect)
            if code < 0:
                return False
            rising = 0 < code - last[0] <= 50
            last[0] = code
            return rising
        wait_for(rose, what, timeout=10)

    def list_area(self):
        x, y, w, h = self.to_screen(LIST)
        return self.shot().region(x, y, w, h)

    def held_open(self):
        return [os.path.relpath(p, self.card) for p in open_files(self.process.pid)
                if p.endswith(".mp4")]

    def playing(self):
        """The recording open; in a recording's last seconds the one cued to follow it is open
        as well: then both, as a tuple, which is neither of them."""
        # The player's worker also reads each listed recording a moment (which hold an
        # incident): the recordings playing are the ones held across two looks.
        def held_on():
            first = set(self.held_open())
            time.sleep(0.3)
            both = first & set(self.held_open())
            return (sorted(both),) if len(both) <= 2 else None
        try:
            files = wait_for(held_on, "two recordings open at most", timeout=5)[0]
        except Failure:
            check(False, "more than two recordings open: %s" % self.held_open())
        if not files:
            return None
        return files[0] if len(files) == 1 else tuple(files)

    def slider_x(self, ms, duration_ms):
        """The time slider's column of a time (window coordinates)."""
        x, _, w, _ = TIME_SLIDER
        return x + TIME_TRACK_MARGIN + (w - 2 * TIME_TRACK_MARGIN) * ms // duration_ms

    def slider_mark(self, ms, duration_ms, colour):
        """Pixels of a mark's colour on the time slider around a time."""
        left, top, _, _ = self.session.geometry(self.window)
        x = self.slider_x(ms, duration_ms)
        rect = (left + x - 5, top + TIME_SLIDER[1] + 4, 11, TIME_SLIDER[3] - 8)
        return count_near(self.shot(), rect, colour, tolerance=20, step=1)

    def keep(self, name):
        folder = os.path.join(self.out_dir, "views")
        os.makedirs(folder, exist_ok=True)
        print("screenshot: %s" % self.session.save_screenshot(os.path.join(folder, name)))

    def answer_save_as(self, path):
        self.session.answer_save_as(path, process=self.process)

    def message(self, title, timeout=10):
        return self.session.find("^%s$" % title, process=self.process, timeout=timeout,
                                 size=BOX_SIZE)


def rows_of(card, folders):
    """A tab's rows: its folders' recordings in name order (the names lie one recording
    apart, so name order is key order)."""
    names = [os.path.join(folder, name) for folder in folders
             for name in os.listdir(os.path.join(card, folder)) if name.endswith(".mp4")]
    return sorted(names, key=os.path.basename)


def the_day(day, session, work):
    day.session = session
    card = day.card = os.path.join(work, "card")
    made = subprocess.run([os.path.join(day.tools, "make-sample-card"), card, *CARD], check=True,
                          capture_output=True, timeout=300, text=True)
    # What the card's recordings hold: {path in the card: [(peak ms, kind)]}.
    incidents = {}
    for line in made.stdout.splitlines():
        fields = line.split("\t")
        if len(fields) == 5 and fields[0] == "incident":
            incidents.setdefault(fields[1], []).append((int(fields[2]), fields[3]))
    data = os.path.join(work, "data")
    settings_file = os.path.join(card, "SETTING", "BK_Setting.cfg")
    with open(settings_file, "rb") as file:
        settings_before = file.read()
    exports = os.path.join(work, "exports")
    os.makedirs(exports)
    lone = os.path.join(work, "lone-card")

    day.step("start")
    day.process = session.start(
        [os.path.join(day.program_dir, "RoadPlayer")],
        # The second drive appears only once made, late in the day.
        env={"ROADPLAYER_VIRTUAL_DRIVES": "%s=QOR-SD;%s=QOR-SD" % (card, lone),
             "DCS_4100_BROWSE_ANSWER": os.path.join(card, "SETTING"),
             "ROADPLAYER_DATA_DIR": data})
    session.remade(MAIN, day.process, MAIN_SIZE)
    # Found again at every use, at whatever size the layout gives it.
    day.window = lambda: session.find(MAIN, process=day.process)
    empty_list = settled(day.list_area, "the empty list")
    check(day.playing() is None, "a recording is open at start")

    day.step("open the card")
    day.press(OPEN)
    selector = session.find(SELDRIVE, process=day.process)
    session.click(selector, SELDRIVE_OK)
    wait_for(lambda: session.gone(SELDRIVE), "the drive selector to close")
    wait_for(lambda: day.list_area() != empty_list, "the normal recordings to be listed")

    day.step("browse the four tabs")
    lists = {}
    for tab in ("EVENT", "MANUAL", "MOTION", "NORMAL"):
        before = day.list_area()
        day.press(TABS[tab])
        wait_for(lambda: day.list_area() != before, "the %s list" % tab)
        time.sleep(0.3)
        lists[tab] = day.list_area()
        check(lists[tab] != empty_list, "the %s tab lists nothing" % tab)
    check(len(set(lists.values())) == 4, "two tabs show the same list")
    check(day.playing() is None, "browsing opened a recording")

    day.step("play")
    normal = rows_of(card, ["NORMAL"])
    session.double_click(day.window, (LIST[0] + 100, LIST[1] + ROW_HEIGHT // 2))
    wait_for(lambda: day.playing() == normal[0], "the first normal recording to open")
    day.advancing(what="the front view to play")
    day.advancing(SECOND_VIEW, "the rear view to play")

    day.step("change speed")
    # Frames per second of wall time, from the first and last of timed screenshots.
    def rate(seconds):
        samples = []
        end = time.monotonic() + seconds
        while not samples or time.monotonic() < end:
            before = time.monotonic()
            code = day.code_in(FRONT_VIEW)
            if code >= 0:
                samples.append(((before + time.monotonic()) / 2, code))
        check(len(samples) >= 2, "too few readable frames")
        (t0, c0), (t1, c1) = samples[0], samples[-1]
        return (c1 - c0) / (t1 - t0)
    normal_rate = rate(2.5)
    day.press(SPEED_FASTEST)
    time.sleep(0.3)
    fast_rate = rate(2.5)
    day.press(PLAY)  # paused before the recording's end
    day.press(SPEED_NORMAL)
    check(FPS * 0.6 <= normal_rate <= FPS * 1.4, "%.1f frames a second at 1.0x" % normal_rate)
    check(fast_rate >= normal_rate * 1.5,
          "%.1f frames a second at 2.0x against %.1f at 1.0x" % (fast_rate, normal_rate))

    day.step("pause")
    paused = day.still_frame()
    time.sleep(1.0)
    check(day.code_in(FRONT_VIEW) == paused, "the picture moved while paused")

    day.step("seek with the slider")
    # A click on the track jumps there: a quarter of the recording.
    x, y, w, h = TIME_SLIDER
    track = w - 2 * TIME_TRACK_MARGIN
    day.press((x + TIME_TRACK_MARGIN + track // 4, y + h // 2))
    target = LENGTH * FPS // 4
    seen = []
    wait_for(lambda: seen.append(day.code_in(FRONT_VIEW)) or abs(seen[-1] - target) <= FPS,
             "the frame near %d after the seek (saw %s)" % (target, seen[-3:]), timeout=10)
    sought = day.still_frame()
    check(abs(sought - target) <= FPS, "frame %d after seeking to %d" % (sought, target))

    day.step("frame step")
    for expected in (sought + 1, sought + 2):
        day.press(STEP)
        wait_for(lambda: day.code_in(FRONT_VIEW) == expected, "frame %d" % expected, timeout=5)
    time.sleep(0.8)
    check(day.code_in(FRONT_VIEW) == sought + 2, "the picture moved after the frame step")

    day.step("snapshot")
    base = os.path.splitext(os.path.basename(normal[0]))[0]
    day.press(CAPTURE)
    day.answer_save_as(os.path.join(exports, base + ".jpg"))
    for camera in ("front", "rear"):
        path = os.path.join(exports, "%s_%s_000.jpg" % (base, camera))
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, path)
        time.sleep(0.2)
        code = jpeg_frame_code(path)
        check(code == sought + 2, "the %s snapshot shows frame %d, the view %d" % (
            camera, code, sought + 2))

    day.step("export")
    day.press(SAVE)
    day.answer_save_as(os.path.join(exports, "export.mp4"))
    exported = os.path.join(exports, "export.mp4")
    wait_for(lambda: os.path.exists(exported) and session.gone(COPYING), "the export to end",
             timeout=60)
    with open(os.path.join(card, normal[0]), "rb") as file:
        original = file.read()
    with open(exported, "rb") as file:
        copy = file.read()
    check(copy == original, "the export (%d bytes) differs from the recording (%d bytes)" % (
        len(copy), len(original)))

    day.step("go to the incident, see its marks and bookmark it")
    # The demo's first normal recording brakes hard halfway: N lands 5 s before the peak.
    check(len(incidents.get(normal[0], [])) == 1, "the card's incidents: %s" % incidents)
    peak_ms, kind = incidents[normal[0]][0]
    duration_ms = LENGTH * 1000
    day.press((x + TIME_TRACK_MARGIN, y + h // 2))
    wait_for(lambda: day.code_in(FRONT_VIEW) == 0, "the first frame")
    wait_for(lambda: day.slider_mark(peak_ms, duration_ms, MARK_COLOURS[kind]) >= 10,
             "the %s mark on the time slider" % kind)
    session.xdotool("mousemove", "--window", day.window, "600", "25")
    session.xdotool("key", "n")
    landed = day.still_frame()
    check(abs(landed - (peak_ms - 5000) * FPS // 1000) <= FPS // 2 + 1,
          "frame %d after N, the incident's peak at %d ms" % (landed, peak_ms))
    session.xdotool("key", "b")
    box = day.message("Add a bookmark")
    session.xdotool("mousemove", "--window", box, "100", "100")
    session.xdotool("type", "--delay", "20", "near miss")
    session.xdotool("key", "Return")
    wait_for(lambda: session.gone(BOOKMARK_NOTE), "the bookmark's question to close")
    kept = os.path.join(data, "bookmarks")
    wait_for(lambda: os.path.isdir(kept) and len(os.listdir(kept)) == 1, "the bookmark kept")
    with open(os.path.join(kept, os.listdir(kept)[0]), encoding="utf-8") as file:
        check("near miss" in file.read(), "the note is not kept")
    day.press(GSENSOR)
    graph = session.find(GSENSOR_TITLE, process=day.process, timeout=10)

    def graph_marks():
        gx, gy, _, _ = session.geometry(graph)
        bx, by, _, bh = GSENSOR_BAND
        column = bx + int(peak_ms * GSENSOR_PIXELS_PER_MS)
        return count_near(day.shot(), (gx + column - 3, gy + by, 7, bh), MARK_COLOURS[kind],
                          tolerance=20, step=1) >= 40
    wait_for(graph_marks, "the %s mark on the G-sensor graph" % kind)
    day.keep("incident-marks.png")
    session.xdotool("mousemove", "--window", graph, "500", "20")
    session.xdotool("key", "Escape")
    wait_for(lambda: session.gone(GSENSOR_TITLE), "the G-sensor window to close")
    check(day.code_in(FRONT_VIEW) == landed, "the bookmark's question moved the picture")

    day.step("the trip's marks on its strip, and Shift+N back into the trip's first recording")
    # The first two normal recordings are one trip; the second holds no mark of its own.
    session.double_click(day.window, (LIST[0] + 100, LIST[1] + ROW_HEIGHT * 3 // 2))
    wait_for(lambda: day.playing() == normal[1], "the second normal recording to open")
    day.press(PLAY)
    tx, ty, tw, th = TRIP_TRACK

    def strip_mark():
        left, top, _, _ = session.geometry(day.window)
        column = tx + tw * peak_ms // (2 * duration_ms)
        return count_near(day.shot(), (left + column - 4, top + ty, 9, th), MARK_COLOURS[kind],
                          tolerance=20, step=1) >= 6
    wait_for(strip_mark, "the first recording's %s mark on the trip strip" % kind)
    day.keep("trip-marks.png")
    session.xdotool("mousemove", "--window", day.window, "600", "25")
    session.xdotool("key", "shift+n")
    wait_for(lambda: day.playing() == normal[0], "Shift+N to open the first recording")
    back = day.still_frame()
    check(abs(back - (peak_ms - 5000) * FPS // 1000) <= FPS // 2 + 1,
          "frame %d after Shift+N, the incident's peak at %d ms" % (back, peak_ms))

    day.step("switch views")
    # From the recording's start, so that the views' checks end before it does.
    day.press((x + TIME_TRACK_MARGIN, y + h // 2))
    day.press(PLAY)
    day.advancing(what="playback to resume")
    check(day.playing() == normal[0], "playing %s" % day.playing())
    day.press(FINR)
    wait_for(lambda: is_rear(day.shot(), day.to_screen(FRONT_VIEW)),
             "the rear camera in the main area")
    day.advancing(FRONT_VIEW, "the rear camera to play in the main area")
    day.advancing(SECOND_VIEW, "the front camera to play in the second area")
    day.press(FINM)

    def map_shown():
        picture = day.shot()
        return count_near(picture, day.to_screen(FRONT_VIEW), MAP_MARKER, 30) >= 20
    wait_for(map_shown, "the map with its marker in the main area", timeout=30)
    day.press(FINF)
    wait_for(lambda: not is_rear(day.shot(), day.to_screen(FRONT_VIEW)) and
             day.code_in(FRONT_VIEW) >= 0, "the front camera back in the main area")

    day.step("enlarged mode")
    # Without a window manager the window fills the screen itself: the list goes and the front
    # camera spreads over its place.
    normal_list = day.list_area()
    # The tab row: hidden in the enlarged layout, and unlike the list's highlighted row it
    # stays as it is when the next recording opens meanwhile.
    def tab_row():
        return day.shot().region(*day.to_screen(TAB_ROW))
    normal_tabs = tab_row()
    day.press(MAXIMISE)

    def enlarged():
        picture = day.shot()
        left, top, width, _ = session.geometry(day.window)
        r, g, b = picture.pixel(left + width * 5 // 6, top + 70)
        # Grown too, so the button to go back is found from the right edge of the screen.
        return width > MAIN_SIZE[0] and b > r + 40 and day.list_area() != normal_list
    wait_for(enlarged, "the front camera across the enlarged layout")
    left, top, width, _ = session.geometry(day.window)
    band = (left + width // 2, top + 60, width // 2 - 8, 200)
    before = day.shot().region(*band)
    wait_for(lambda: day.shot().region(*band) != before, "playback in the enlarged layout")
    session.click(day.window, (width - NORMAL_FROM_RIGHT[0], NORMAL_FROM_RIGHT[1]))
    wait_for(lambda: session.geometry(day.window)[2:] == MAIN_SIZE and tab_row() == normal_tabs,
             "the normal layout with its tabs again")
    day.advancing(what="playback in the normal layout again")

    day.step("G-sensor window")
    day.press(GSENSOR)
    graph = session.find(GSENSOR_TITLE, process=day.process, timeout=10)

    def curves():
        left, top, _, _ = session.geometry(graph)
        x, y, w, h = GSENSOR_BAND
        picture = day.shot()
        return all(count_near(picture, (left + x, top + y, w, h), pen) >= 20 for pen in PENS)
    wait_for(curves, "three curves in the G-sensor window")
    session.xdotool("mousemove", "--window", graph, "500", "20")
    session.xdotool("key", "Escape")
    wait_for(lambda: session.gone(GSENSOR_TITLE), "the G-sensor window to close")

    day.step("a recording cut by a power loss plays")
    # The newest normal recording is cut: its index is rebuilt from a healthy one beside it.
    cut = normal[-1]
    check(lacks_index(os.path.join(card, cut)), "%s is not a cut recording" % cut)
    session.double_click(day.window, (LIST[0] + 100,
                                      LIST[1] + ROW_HEIGHT * (len(normal) - 1) + ROW_HEIGHT // 2))
    # Its healthy sibling is read while the index is rebuilt, then closed.
    wait_for(lambda: day.held_open() == [cut], "the cut recording to open, and only it")
    day.advancing(what="the cut recording to play")
    readout = day.to_screen(GPS_READOUT)
    before = day.shot().region(*readout)
    wait_for(lambda: day.shot().region(*readout) != before, "the GPS readout to follow")
    day.press(GSENSOR)
    graph = session.find(GSENSOR_TITLE, process=day.process, timeout=10)

    def band():
        left, top, _, _ = session.geometry(graph)
        return (left + GSENSOR_BAND[0], top + GSENSOR_BAND[1]) + GSENSOR_BAND[2:]

    def curves_and_cursor():
        picture, rect = day.shot(), band()
        column = cursor_column(picture, rect)
        curves = all(count_near(picture, rect, pen) >= 20 for pen in PENS)
        return column if curves and column is not None else None
    first_column = wait_for(curves_and_cursor, "three curves and a cursor for the cut recording")
    wait_for(lambda: (cursor_column(day.shot(), band()) or 0) > first_column,
             "the G-sensor cursor to follow the cut recording")
    session.xdotool("mousemove", "--window", graph, "500", "20")
    session.xdotool("key", "Escape")
    wait_for(lambda: session.gone(GSENSOR_TITLE), "the G-sensor window to close")
    # Asked before the map: the map engine starts on first use, which may outlast the recording.
    check(day.playing() == cut, "playing %s" % day.playing())
    day.press(FINM)
    wait_for(map_shown, "the map with its marker for the cut recording", timeout=30)
    shown = day.shot().region(*day.to_screen(FRONT_VIEW))
    wait_for(lambda: map_shown() and day.shot().region(*day.to_screen(FRONT_VIEW)) != shown,
             "the map to follow the cut recording")
    day.press(FINF)
    wait_for(lambda: day.code_in(FRONT_VIEW) >= 0, "the front camera back in the main area")

    day.step("settings tool saves onto the card")
    day.press(SETTING)
    tool = session.find(SETTINGS_TOOL, timeout=30)
    tool_pid = int(session.xdotool("getwindowpid", tool).strip())
    session.xdotool("windowmove", tool, "0", "0")
    time.sleep(0.5)
    session.click(tool, SETTINGS_P3)
    time.sleep(0.3)
    session.click(tool, SETTINGS_SAVE)
    popup = session.find(SETTINGS_SAVED, timeout=10)
    with open(settings_file, "rb") as file:
        settings_after = file.read()
    check(len(settings_after) == 9 and settings_after[:1] == b"4" and
          settings_after[1:] == settings_before[1:],
          "settings on the card: %r, before %r" % (settings_after, settings_before))
    check(sorted(os.listdir(os.path.join(card, "SETTING"))) == ["BK_Setting.cfg"],
          "the card's SETTING folder: %s" % os.listdir(os.path.join(card, "SETTING")))
    session.click(popup, SETTINGS_POPUP_OK)
    wait_for(lambda: not os.path.exists("/proc/%d" % tool_pid) or
             open("/proc/%d/stat" % tool_pid).read().rsplit(")", 1)[1].split()[0] == "Z",
             "the settings tool to end after saving")

    day.step("mark a clip across two recordings, export it both ways, then play both")
    x, y, w, h = TIME_SLIDER

    def still_near(share):
        day.press((x + TIME_TRACK_MARGIN + int(track / share), y + h // 2))
        target = int(LENGTH * FPS / share)
        wait_for(lambda: abs(day.code_in(FRONT_VIEW) - target) <= FPS,
                 "the frame near %d" % target, timeout=10)
        return day.still_frame()

    def open_row(row):
        session.double_click(day.window, (LIST[0] + 100,
                                          LIST[1] + ROW_HEIGHT * row + ROW_HEIGHT // 2))
        wait_for(lambda: day.playing() == normal[row], "normal recording %d to open" % row)
        day.advancing(what="normal recording %d to play" % row)
        day.press(PLAY)

    # Paused: in at three quarters of the first normal recording, out at a quarter of the next
    # (the same trip), then on to a half, so the thumb covers no mark.
    open_row(0)
    marked_in = still_near(4 / 3)
    session.xdotool("key", "i")
    open_row(1)
    still_near(4)
    session.xdotool("key", "o")
    still_near(2)
    slider = day.to_screen(TIME_SLIDER)

    def mark_columns():
        picture = day.shot()
        return [column - slider[0] for column in range(slider[0], slider[0] + slider[2])
                if count_near(picture, (column, slider[1], 1, slider[3]), CLIP_MARK, 30, 1) >= 4]
    wait_for(lambda: mark_columns(), "the clip's marks on the time slider")
    at = TIME_TRACK_MARGIN + track // 4
    check(any(abs(column - at) <= 3 for column in mark_columns()),
          "no out mark near x=%d of the time slider: %s" % (at, mark_columns()))
    # On the trip strip: the start at 3/8 of the two recordings' trip, the end at 5/8.
    tx, ty, tw, th = TRIP_TRACK

    def strip_clip_mark(share):
        left, top, _, _ = session.geometry(day.window)
        column = tx + int(tw * share)
        return count_near(day.shot(), (left + column - 4, top + ty, 9, th), CLIP_MARK,
                          tolerance=20, step=1) >= 6
    for share in (3 / 8, 5 / 8):
        wait_for(lambda: strip_clip_mark(share), "a clip mark at %.3f of the trip strip" % share)
    day.keep("clip-marks.png")
    clips = {}
    for name, choices in (("clip.mp4", []), ("clip-rendered.mp4", [CLIP_RENDERED, CLIP_FRONT])):
        session.xdotool("key", "c")
        clip_window = session.find(CLIP_WINDOW, process=day.process)
        for choice in choices + [CLIP_EXPORT]:
            session.click(clip_window, choice)
        clips[name] = os.path.join(exports, name)
        day.answer_save_as(clips[name])
        wait_for(lambda: os.path.exists(clips[name]) and session.gone(CLIP_WINDOW),
                 "%s to be written" % name, timeout=120)
        check(day.playing() == normal[1], "playing %s while the clip was written" % day.playing())
    # Each handed to this player by a second start. The copy starts at the key frame at or
    # before the in mark, the rendered clip at the in mark's own frame; both play on in the
    # first recording's part.
    for name, earliest in (("clip.mp4", marked_in - FPS), ("clip-rendered.mp4", marked_in - 1)):
        session.wait_exit(session.start([os.path.join(day.program_dir, "RoadPlayer"),
                                         clips[name]]), "the start that hands over " + name)
        wait_for(lambda: day.playing() == os.path.relpath(clips[name], card),
                 "%s to open" % name)
        day.advancing(what="%s to play" % name)
        first = day.shown_frame()
        check(earliest <= first < LENGTH * FPS,
              "%s shows frame %d, marked in at %d" % (name, first, marked_in))
        day.keep(name.replace(".mp4", "-playing.png"))

    day.step("card pulled during playback")
    session.double_click(day.window, (LIST[0] + 100, LIST[1] + ROW_HEIGHT // 2))
    wait_for(lambda: day.playing() == normal[0], "the first normal recording to open again")
    day.advancing(what="playback before the card is pulled")
    check(day.playing() is not None, "nothing playing before the card is pulled")
    os.rename(card, card + ".pulled")
    box = day.message("Card removed")
    check(day.playing() is None, "a recording is still open after the card was pulled")
    session.click(box, MESSAGE_OK)
    wait_for(lambda: session.gone("^Card removed$"), "the removal message to close")
    wait_for(lambda: looks_like(day.list_area(), empty_list), "the list to be emptied")
    check(day.process.poll() is None, "the player ended")

    day.step("a card with only a cut recording")
    # No healthy recording anywhere on the card to rebuild the index from.
    os.makedirs(os.path.join(lone, "NORMAL"))
    shutil.copy2(os.path.join(card + ".pulled", cut), os.path.join(lone, "NORMAL"))
    day.card = lone
    day.press(OPEN)
    selector = session.find(SELDRIVE, process=day.process)
    session.click(selector, SELDRIVE_OK)
    wait_for(lambda: session.gone(SELDRIVE), "the drive selector to close")
    wait_for(lambda: day.list_area() != empty_list, "the cut recording to be listed")
    session.double_click(day.window, (LIST[0] + 100, LIST[1] + ROW_HEIGHT // 2))
    box = day.message(INVALID_STREAM)
    check(day.playing() is None, "the lone cut recording is held open: %s" % day.playing())
    session.click(box, MESSAGE_OK)
    wait_for(lambda: session.gone("^%s$" % INVALID_STREAM), "the message to close")
    check(day.process.poll() is None, "the player ended")

    day.step("quit")
    day.press(EXIT)
    box = day.message("Quit RoadPlayer")
    session.click(box, QUESTION_OK)
    session.wait_exit(day.process, "quitting")
    check(sorted(os.listdir(exports)) == sorted(
        ["clip.mp4", "clip-rendered.mp4", "export.mp4"] +
        ["%s_%s_000.jpg" % (base, c) for c in ("front", "rear")]),
        "files written: %s" % sorted(os.listdir(exports)))

    day.step("the bookmark and the incident are there after a restart")
    day.card = card + ".pulled"
    day.process = session.start(
        [os.path.join(day.program_dir, "RoadPlayer"), os.path.join(day.card, normal[0])],
        env={"ROADPLAYER_DATA_DIR": data})
    session.remade(MAIN, day.process, MAIN_SIZE)
    wait_for(lambda: day.playing() == normal[0], "the recording to open again")
    day.press(PLAY)
    bookmark_ms = landed * 1000 // FPS
    wait_for(lambda: day.slider_mark(bookmark_ms, duration_ms, MARK_COLOURS["bookmark"]) >= 10 and
             day.slider_mark(peak_ms, duration_ms, MARK_COLOURS[kind]) >= 10,
             "the bookmark and the %s mark on the time slider" % kind)
    day.keep("marks-after-restart.png")
    day.press(EXIT)
    box = day.message("Quit RoadPlayer")
    session.click(box, QUESTION_OK)
    session.wait_exit(day.process, "quitting")


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    day = Day(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]),
              os.path.abspath(sys.argv[3]))
    return run("day", [("a user's day", lambda session, work: the_day(day, session, work))],
               sys.argv[3], screen="1280x800x24")


if __name__ == "__main__":
    sys.exit(main())
