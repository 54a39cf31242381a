#!/usr/bin/env python3
"""The main window under a real window manager (openbox): after maximise, real size, restore
and the window manager's own resize, every control the window shows stands where a fresh
layout at the new client size puts it, and nothing stale stays painted. The fresh layout is
skin-preview's picture of the same skin at that size, with the controls in the states the
window's mode gives them.

usage: layout_e2e.py PROGRAM_FOLDER TOOLS_FOLDER OUTPUT_FOLDER
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import Failure, Picture, check, run, settled, wait_for  # noqa: E402

MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
SCREEN = (1280, 800)
SELDRIVE = "^Choose the card$"
SELDRIVE_OK = (222, 144)
OPEN = (232, 24)
MAX = (1106, 24)
REAL = (1070, 24)
# The normal button stands 80 pixels from the right edge in the enlarged layout.
NOR_FROM_RIGHT = 62
# The list is placed at a fixed spot of the normal layout; its rows are not compared.
LIST = (800, 342, 352, 280)
# With the card listed and nothing open: the buttons shown disabled, the tab chosen, and the
# controls hidden.
DISABLED = ["capture", "prev", "stop", "next", "rew", "ff", "fps", "save", "finf", "finr",
            "finm", "rinr", "rinm", "gsensor", "track"]
HIDDEN = ["main.button.rinf", "main.button.frchange", "main.video.front", "main.video.rear",
          "main.web.map"]
# A pixel differs when a channel is further apart than this; a few may (antialiasing).
CHANNEL_TOLERANCE = 12
MAX_DIFFERENT_SHARE = 0.002


class Layout:
    def __init__(self, args):
        self.program_dir, self.tools = args
        self.card = None
        self.process = None
        self.window = None


def start_window_manager(session, work):
    manager = subprocess.Popen(["openbox", "--sm-disable"], env=session.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.processes.append(manager)

    def managing():
        answer = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=session.env,
                                capture_output=True, text=True, timeout=10).stdout
        return "window id" in answer
    wait_for(managing, "openbox to manage the screen", timeout=20)


def prepare(layout, session, work):
    if shutil.which("openbox") is None or shutil.which("xprop") is None:
        raise Failure("openbox and xprop are needed (scripts/install-deps.sh)")
    layout.card = os.path.join(work, "card")
    subprocess.run([os.path.join(layout.tools, "make-sample-card"), layout.card, "--categories",
                    "normal", "--count", "normal=2", "--length", "3", "--size", "320x180",
                    "--rear-size", "160x90", "--fps", "10", "--audio", "none"],
                   check=True, capture_output=True, timeout=300)
    start_window_manager(session, work)


def preview(layout, session, work, mode, size, name):
    """The fresh layout: the skin drawn at the client size in the window's mode."""
    states = ["main.button.%s=disabled" % button for button in DISABLED]
    states += ["%s=hide" % control for control in HIDDEN]
    states.append("main.button.tabnormal=checked")
    path = os.path.join(work, name + "-preview.png")
    command = [os.path.join(layout.tools, "skin-preview"),
               os.path.join(layout.program_dir, "VDATA.PACK"), "MAIN", str(mode), path,
               "--screen", "%dx%d" % size, "--maximised"]
    for state in states:
        command += ["--state", state]
    env = dict(session.env, QT_QPA_PLATFORM="offscreen")
    subprocess.run(command, check=True, capture_output=True, env=env, timeout=60)
    return Picture(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                  capture_output=True, timeout=60).stdout)


def differences(live, left, top, fresh, masks):
    """Pixels of the window (at left, top on the screen) that differ from the fresh layout,
    outside the masked rectangles; and how many were compared."""
    different = 0
    compared = 0
    for y in range(fresh.height):
        masked = [(x, x + w) for x, my, w, h in masks if my <= y < my + h]
        row_live = live.region(left, top + y, fresh.width, 1)
        row_fresh = fresh.region(0, y, fresh.width, 1)
        if row_live == row_fresh and not masked:
            compared += fresh.width
            continue
        for x in range(fresh.width):
            if any(a <= x < b for a, b in masked):
                continue
            compared += 1
            i = x * 3
            if any(abs(row_live[i + c] - row_fresh[i + c]) > CHANNEL_TOLERANCE for c in range(3)):
                different += 1
    return different, compared


def check_layout(layout, session, work, name, mode, size):
    session.step = "%s: the fresh layout" % name

    def sized():
        geometry = session.geometry(layout.window())
        return geometry[2:] == size and geometry
    wait_for(sized, "the window at %dx%d" % size)
    left, top, _, _ = session.geometry(layout.window())
    # The pointer rests on the background, so no control shows its hover look or a hint.
    subprocess.run(["xdotool", "mousemove", str(left + size[0] // 2), str(top + 300)],
                   env=session.env, check=True, timeout=10)
    fresh = preview(layout, session, work, mode, size, name)
    check((fresh.width, fresh.height) == size,
          "the fresh layout is %dx%d" % (fresh.width, fresh.height))
    masks = [LIST] if mode == 0 else []
    live = settled(lambda: session.screenshot().region(left, top, size[0], size[1]),
                   "the window after %s" % name)
    picture = session.screenshot()
    different, compared = differences(picture, left, top, fresh, masks)
    share = different / max(compared, 1)
    if share > MAX_DIFFERENT_SHARE:
        session.save_screenshot(os.path.join(layout.out_dir, name + "-live.png"))
        shutil.copy(os.path.join(work, name + "-preview.png"),
                    os.path.join(layout.out_dir, name + "-fresh.png"))
        raise Failure("%s: %d of %d pixels differ from a fresh layout (%.2f %%)"
                      % (name, different, compared, share * 100))
    print("  %s: %dx%d, %d of %d pixels differ" % (name, size[0], size[1], different, compared))
    return live


def press(layout, session, point):
    session.click(layout.window, point)


def scenario_layouts(layout, session, work):
    session.step = "start"
    layout.process = session.start(
        [os.path.join(layout.program_dir, "RoadPlayer")],
        env={"ROADPLAYER_VIRTUAL_DRIVES": "%s=QOR-SD" % layout.card})
    session.remade(MAIN, layout.process, MAIN_SIZE)
    # Found again at every use, at whatever size it has by then.
    layout.window = lambda: session.find(MAIN, process=layout.process)
    session.step = "open the card"
    press(layout, session, OPEN)
    selector = session.find(SELDRIVE, process=layout.process)
    session.click(selector, SELDRIVE_OK)
    wait_for(lambda: session.gone(SELDRIVE), "the drive selector to close")
    check_layout(layout, session, work, "normal", 0, MAIN_SIZE)

    press(layout, session, MAX)
    check_layout(layout, session, work, "maximised", 1, SCREEN)
    press(layout, session, (SCREEN[0] - NOR_FROM_RIGHT, 24))
    check_layout(layout, session, work, "restored", 0, MAIN_SIZE)
    press(layout, session, REAL)
    check_layout(layout, session, work, "real size", 1, SCREEN)
    press(layout, session, (SCREEN[0] - NOR_FROM_RIGHT, 24))
    check_layout(layout, session, work, "restored again", 0, MAIN_SIZE)

    session.step = "the window manager's resize"
    resized = (1240, 720)
    session.xdotool("windowsize", layout.window, str(resized[0]), str(resized[1]))
    check_layout(layout, session, work, "resized", 0, resized)
    check(layout.process.poll() is None, "the player ended")


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    layout = Layout(sys.argv[1:3])
    layout.out_dir = sys.argv[3]

    def step(scenario):
        return lambda session, work: scenario(layout, session, work)
    return run("layout", [("layouts follow every size change", step(scenario_layouts))],
               layout.out_dir, screen="%dx%dx24" % SCREEN,
               prepare=lambda session, work: prepare(layout, session, work))


if __name__ == "__main__":
    sys.exit(main())
