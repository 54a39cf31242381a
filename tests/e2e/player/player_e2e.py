#!/usr/bin/env python3
"""RoadPlayer end to end: the real program on a private Xvfb (no window manager), started the
ways a user starts it, driven with xdotool and checked on screenshots.

usage: player_e2e.py PROGRAM_FOLDER TOOLS_FOLDER PACK_STAGE OUTPUT_FOLDER [--media-controls]
  PROGRAM_FOLDER  the built program folder (RoadPlayer, DCS_4100, VDATA.PACK)
  TOOLS_FOLDER    mkpack, make-sample-card and skin-preview
  PACK_STAGE      the files the default pack was built from
  --media-controls  only the desktop's media controls, driven with playerctl; run it under
                    dbus-run-session (a session bus of its own)
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import Failure, Picture, check, run, wait_for  # noqa: E402

MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
BOX_SIZE = (420, 196)
QUIT = "^Quit RoadPlayer$"
EXIT = (1142, 24)
PLAY = (174, 592)
FRONT_VIEW = (16, 56, 768, 432)
SECOND_VIEW = (800, 56, 352, 198)
FINR = (146, 510)
FINM = (234, 510)
GSENSOR = (866, 24)
GSENSOR_TITLE = "^G-sensor$"
# The G-sensor window's plot band (window coordinates) and the skin's pens.
GSENSOR_BAND = (54, 66, 946, 208)
PENS = {"x": (232, 112, 104), "y": (122, 204, 140), "z": (104, 166, 240)}
CURSOR_PEN = (240, 204, 96)
# The map page's ground and marker.
MAP_GROUND = (12, 15, 19)
MAP_MARKER = (79, 163, 224)
# The map page's speed legend: the corner it takes at the bottom left (width, height).
ROUTE_LEGEND = (170, 48)
BOX_OK = (242, 164)
BOX_CANCEL = (350, 164)
# Points of the main window where only its background shows, in mode 0 and mode 1 alike.
BACKGROUND_POINTS = [(600, 25), (1100, 280), (1160, 400), (700, 620), (450, 510)]


class Player:
    def __init__(self, args, out_dir):
        self.program_dir, self.tools, self.stage = args
        self.out_dir = out_dir
        self.recording = None
        self.preview = None

    def tool(self, name):
        return os.path.join(self.tools, name)

    def folder_with_pack(self, work, name, edit=None):
        """A program folder of its own: a copy of the program with its map page and map
        engine, and a pack built from the default pack's files, with Application.xml edited by
        edit(text) when given."""
        folder = os.path.join(work, name)
        os.makedirs(folder)
        for program in ("RoadPlayer", "libroadplayer-mapengine.so"):
            shutil.copy2(os.path.join(self.program_dir, program), folder)
        shutil.copytree(os.path.join(self.program_dir, "mappage"), os.path.join(folder, "mappage"))
        if edit is not None:
            stage = os.path.join(work, name + "-stage")
            shutil.copytree(self.stage, stage)
            profile = os.path.join(stage, "Application.xml")
            with open(profile, encoding="utf-8") as file:
                text = file.read()
            changed = edit(text)
            check(changed != text, "the profile edit for %s changed nothing" % name)
            with open(profile, "w", encoding="utf-8") as file:
                file.write(changed)
            subprocess.run([self.tool("mkpack"), "build", stage,
                            os.path.join(folder, "VDATA.PACK")], check=True,
                           capture_output=True, timeout=60)
        return os.path.join(folder, "RoadPlayer")


def prepare(player, session, work):
    card = os.path.join(work, "card")
    subprocess.run([player.tool("make-sample-card"), card, "--categories", "normal", "--count",
                    "normal=1", "--length", "20", "--size", "640x360", "--rear-size", "320x180",
                    "--fps", "15", "--cameras", "2"],
                   check=True, capture_output=True, timeout=300)
    recordings = sorted(os.listdir(os.path.join(card, "NORMAL")))
    check(len(recordings) == 1, "sample card: %s" % recordings)
    player.recording = os.path.join(card, "NORMAL", recordings[0])
    preview = os.path.join(work, "main-mode0.png")
    env = dict(session.env, QT_QPA_PLATFORM="offscreen")
    subprocess.run([player.tool("skin-preview"), os.path.join(player.program_dir, "VDATA.PACK"),
                    "MAIN", "0", preview], check=True, capture_output=True, env=env, timeout=60)
    player.preview = Picture(subprocess.run(["convert", preview, "-depth", "8", "ppm:-"],
                                            check=True, capture_output=True, timeout=60).stdout)


def main_window(session, process):
    return session.remade(MAIN, process, MAIN_SIZE)


def to_screen(session, window, point):
    left, top, _, _ = session.geometry(window)
    return left + point[0], top + point[1]


def front_view(session, window):
    left, top, _, _ = session.geometry(window)
    x, y, w, h = FRONT_VIEW
    return session.screenshot().region(left + x, top + y, w, h)


def close(a, b, tolerance=2):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def scenario_mode0_and_second_start(player, session, work):
    first = session.start([os.path.join(player.program_dir, "RoadPlayer")])
    window = main_window(session, first)

    def shows_mode0():
        picture = session.screenshot()
        return all(close(picture.pixel(*to_screen(session, window, p)), player.preview.pixel(*p))
                   for p in BACKGROUND_POINTS)
    wait_for(shows_mode0, "the main window's mode 0 background")

    # A window over the player; a second start must bring the player back on top.
    cover = session.start([os.path.join(player.program_dir, "DCS_4100")])
    session.find("^설정$", process=cover, timeout=30)
    spot = to_screen(session, window, BACKGROUND_POINTS[0])
    expected = player.preview.pixel(*BACKGROUND_POINTS[0])
    wait_for(lambda: not close(session.screenshot().pixel(*spot), expected), "the cover window")
    second = session.start([os.path.join(player.program_dir, "RoadPlayer")])
    session.wait_exit(second, "second start")
    wait_for(lambda: close(session.screenshot().pixel(*spot), expected),
             "the first player in front again", timeout=5)
    mains = session.sized(MAIN, MAIN_SIZE)
    check(len(mains) == 1, "main windows after a second start: %d" % len(mains))
    check(first.poll() is None, "the first player ended")


def expect_start_failure(session, program, what, mentions, env=None):
    process = session.start([program], env=env, stderr_to_log=False)
    seen = []
    while process.poll() is None:
        seen += session.windows(MAIN)
        time.sleep(0.05)
    code, err = session.finish(process, what)
    lines = [line for line in err.decode(errors="replace").splitlines() if line.strip()]
    check(code == 1, "%s: exit status %s, not 1" % (what, code))
    check(not seen, "%s: a window was shown" % what)
    check(len(lines) == 1, "%s: standard error %r" % (what, lines))
    for word in mentions:
        check(word in lines[0], "%s: %r does not mention %s" % (what, lines[0], word))


def scenario_start_failures(player, session, work):
    missing = player.folder_with_pack(work, "no-pack")
    expect_start_failure(session, missing, "missing pack", ["VDATA.PACK"])

    damaged = player.folder_with_pack(work, "damaged")
    with open(os.path.join(player.program_dir, "VDATA.PACK"), "rb") as file:
        head = file.read(1000)
    with open(os.path.join(os.path.dirname(damaged), "VDATA.PACK"), "wb") as file:
        file.write(head)
    expect_start_failure(session, damaged, "damaged pack", ["VDATA.PACK"])

    no_main = player.folder_with_pack(
        work, "no-main", lambda text: text.replace('<script target="MAIN">main.xml</script>', ""))
    expect_start_failure(session, no_main, "profile without MAIN", ["VDATA.PACK", "MAIN"])

    expect_start_failure(session, os.path.join(player.program_dir, "RoadPlayer"), "no display",
                         ["DISPLAY"], env={"DISPLAY": "", "WAYLAND_DISPLAY": "", "QT_QPA_PLATFORM": ""})
    # A display that is named but cannot be reached: one line from either program, no abort.
    for program in ("RoadPlayer", "DCS_4100"):
        for what, env, mention in (
                ("unreachable display", {"DISPLAY": ":987", "WAYLAND_DISPLAY": ""}, ":987"),
                ("Wayland name only", {"DISPLAY": "", "WAYLAND_DISPLAY": "wayland-987"},
                 "display")):
            env["QT_QPA_PLATFORM"] = ""
            expect_start_failure(session, os.path.join(player.program_dir, program),
                                 "%s: %s" % (program, what), [mention], env=env)


def scenario_play_pause_keys_and_quit(player, session, work):
    process = session.start([os.path.join(player.program_dir, "RoadPlayer"), player.recording])
    window = main_window(session, process)

    def changes(what):
        before = front_view(session, window)
        wait_for(lambda: front_view(session, window) != before, what, timeout=5)
    changes("the front view to change while playing")

    session.click(window, PLAY)
    time.sleep(0.5)
    still = front_view(session, window)
    time.sleep(1.0)
    check(front_view(session, window) == still, "the front view changed while paused")
    session.click(window, PLAY)
    changes("the front view to change after resuming")

    # Escape and Enter never reach the main window (Escape would ask to quit).
    session.xdotool("mousemove", "--window", window, "600", "25")
    session.xdotool("key", "Escape", "Return", "KP_Enter")
    time.sleep(1.0)
    check(not session.windows(QUIT), "a key opened the quit question")
    check(process.poll() is None, "a key ended the player")

    session.click(window, EXIT)
    box = session.find(QUIT, process=process, size=BOX_SIZE)
    session.click(box, BOX_CANCEL)
    wait_for(lambda: session.gone(QUIT), "the question to close")
    changes("the front view to change after Cancel")

    # The same keys do reach the question: Escape dismisses it.
    session.click(window, EXIT)
    box = session.find(QUIT, process=process, size=BOX_SIZE)
    session.xdotool("mousemove", "--window", box, "100", "100")
    session.xdotool("key", "Escape")
    wait_for(lambda: session.gone(QUIT), "Escape to dismiss the question")
    check(process.poll() is None, "Escape on the question ended the player")

    session.click(window, EXIT)
    box = session.find(QUIT, process=process, size=BOX_SIZE)
    session.click(box, BOX_OK)
    session.wait_exit(process, "OK on the quit question")


def area(session, window, rect, picture=None):
    left, top, _, _ = session.geometry(window)
    picture = picture or session.screenshot()
    return picture, (left + rect[0], top + rect[1], rect[2], rect[3])


def count_near(picture, rect, colour, tolerance=24, step=2):
    x0, y0, w, h = rect
    return sum(1 for y in range(y0, y0 + h, step) for x in range(x0, x0 + w, step)
               if close(picture.pixel(x, y), colour, tolerance))


def camera_in(picture, rect):
    """'rear' when the picture has the rear window's dark frame at its top and left edges,
    'front' when the sky is at its top, else None."""
    x, y, w, h = rect
    top = picture.pixel(x + w // 2, y + max(1, h // 60))
    side = picture.pixel(x + max(1, w // 120), y + h // 2)
    dark = lambda p: max(p) < 48
    if dark(top) and dark(side):
        return "rear"
    if not dark(top):
        return "front"
    return None


def moving(session, window, rect, what):
    first = session.screenshot()
    _, r = area(session, window, rect, first)
    wait_for(lambda: session.screenshot().region(*r) != first.region(*r), what, timeout=5)


def keep(session, player, name):
    folder = os.path.join(player.out_dir, "views")
    os.makedirs(folder, exist_ok=True)
    path = session.save_screenshot(os.path.join(folder, name))
    print("screenshot: %s" % path)


def speed_coloured(pixel):
    """A strong colour of the route's scale (green to red), not the marker's blue or a grey."""
    r, g, b = pixel[:3]
    return max(r, g, b) - min(r, g, b) >= 70 and b < max(r, g)


def count_speed_coloured(picture, rect, step=2):
    x0, y0, w, h = rect
    return sum(1 for y in range(y0, y0 + h, step) for x in range(x0, x0 + w, step)
               if speed_coloured(picture.pixel(x, y)))


def cursor_column(picture, rect):
    """The x of the G-sensor cursor line in the band, or None."""
    x0, y0, w, h = rect
    for x in range(x0, x0 + w):
        if sum(1 for y in range(y0, y0 + h, 4) if close(picture.pixel(x, y), CURSOR_PEN, 30)) > h // 8:
            return x
    return None


def scenario_views(player, session, work):
    process = session.start([os.path.join(player.program_dir, "RoadPlayer"), player.recording])
    window = main_window(session, process)

    # Front in the main area, rear in the second, both playing.
    def cameras():
        picture = session.screenshot()
        return (camera_in(*area(session, window, FRONT_VIEW, picture)),
                camera_in(*area(session, window, SECOND_VIEW, picture)))
    wait_for(lambda: cameras() == ("front", "rear"), "front and rear in their areas")
    moving(session, window, FRONT_VIEW, "the front camera to move")
    moving(session, window, SECOND_VIEW, "the rear camera to move")
    keep(session, player, "front-and-rear.png")

    session.click(window, FINR)
    wait_for(lambda: cameras() == ("rear", "front"), "the rear camera in the main area")
    moving(session, window, FRONT_VIEW, "the rear camera to move in the main area")
    keep(session, player, "rear-in-main-area.png")

    # Three curves and a cursor that moves with playback.
    session.click(window, GSENSOR)
    graph = session.find(GSENSOR_TITLE, process=process, timeout=10)

    def band():
        return area(session, graph, GSENSOR_BAND)

    def curves_and_cursor():
        picture, rect = band()
        counts = {axis: count_near(picture, rect, pen) for axis, pen in PENS.items()}
        column = cursor_column(picture, rect)
        return (counts, column) if min(counts.values()) >= 20 and column is not None else None
    counts, first_column = wait_for(curves_and_cursor, "three curves and a cursor")
    wait_for(lambda: (cursor_column(*band()) or 0) > first_column, "the cursor to move")
    keep(session, player, "gsensor.png")
    session.xdotool("mousemove", "--window", graph, "500", "20")
    session.xdotool("key", "Escape")
    wait_for(lambda: session.gone(GSENSOR_TITLE), "Escape to close the G-sensor window")

    # The map with its marker in the main area; the front camera moves to the second.
    session.click(window, FINM)

    def map_shown():
        picture, rect = area(session, window, FRONT_VIEW)
        return (count_near(picture, rect, MAP_MARKER, 30) >= 20 and
                count_near(picture, rect, MAP_GROUND, 16, 8) > rect[2] * rect[3] // 256 and
                camera_in(*area(session, window, SECOND_VIEW, picture)) == "front")
    wait_for(map_shown, "the map with its marker in the main area", timeout=30)

    # The route under the marker: a line in the speed colours, and their legend in its corner.
    def route_and_legend():
        picture, (x0, y0, w, h) = area(session, window, FRONT_VIEW)
        legend = (x0, y0 + h - ROUTE_LEGEND[1], ROUTE_LEGEND[0], ROUTE_LEGEND[1])
        route = count_speed_coloured(picture, (x0, y0, w, h - ROUTE_LEGEND[1]))
        legend_bar = count_speed_coloured(picture, legend, step=1)
        return route >= 40 and legend_bar >= 20
    wait_for(route_and_legend, "the route in speed colours with its legend", timeout=10)
    keep(session, player, "map-in-main-area.png")

    # The page takes the keyboard when clicked; Escape still never reaches the window.
    session.click(window, (FRONT_VIEW[0] + 20, FRONT_VIEW[1] + 20))
    session.xdotool("key", "Escape", "Return")
    time.sleep(1.0)
    check(not session.sized(MAIN, BOX_SIZE),
          "a key on the map opened the quit question")
    check(process.poll() is None, "a key on the map ended the player")


def scenario_quit_without_question(player, session, work):
    program = player.folder_with_pack(
        work, "no-comment", lambda text: text.replace(
            "<comment>Do you want to quit RoadPlayer?</comment>", "<comment></comment>"))
    process = session.start([program, player.recording])
    window = main_window(session, process)
    session.click(window, EXIT)
    session.wait_exit(process, "Exit with an empty question", timeout=5)


def playerctl(session, *args):
    result = subprocess.run(["playerctl", "--player=RoadPlayer", *args], env=session.env,
                            capture_output=True, text=True, timeout=10)
    return result.stdout.strip()


def scenario_media_controls(player, session, work):
    """The desktop's media controls reach the player on the session bus (MPRIS), as a desktop's
    media keys and panels do."""
    card = os.path.join(work, "media-card")
    subprocess.run([player.tool("make-sample-card"), card, "--categories", "normal", "--count",
                    "normal=3", "--length", "20", "--size", "320x180", "--rear-size", "160x90",
                    "--fps", "10", "--cameras", "2", "--audio", "none"],
                   check=True, capture_output=True, timeout=300)
    names = sorted(os.listdir(os.path.join(card, "NORMAL")))
    session.env["ROADPLAYER_VIRTUAL_DRIVES"] = card + "=QOR-SD"
    process = session.start([os.path.join(player.program_dir, "RoadPlayer"),
                             os.path.join(card, "NORMAL", names[0])])
    window = main_window(session, process)
    wait_for(lambda: playerctl(session, "status") == "Playing", "the media controls", timeout=20)

    metadata = playerctl(session, "metadata")
    check(any(line.split()[1:2] == ["xesam:title"] and names[0] in line
              for line in metadata.splitlines()), "metadata without the title: %r" % metadata)

    session.step = "pause"
    playerctl(session, "pause")
    wait_for(lambda: playerctl(session, "status") == "Paused", "Paused")
    still = front_view(session, window)
    time.sleep(1.0)
    check(front_view(session, window) == still, "the front view changed while paused")

    session.step = "position"
    playerctl(session, "position", "12")
    wait_for(lambda: front_view(session, window) != still, "the picture at the new position")
    position = float(playerctl(session, "position") or "-1")
    check(abs(position - 12) < 0.5, "position after the move: %s" % position)

    session.step = "resume"
    playerctl(session, "play")
    wait_for(lambda: playerctl(session, "status") == "Playing", "Playing again")
    moved = front_view(session, window)
    wait_for(lambda: front_view(session, window) != moved, "the picture to move again", timeout=5)

    def title_is(name):
        return lambda: playerctl(session, "metadata", "xesam:title").startswith(name)
    session.step = "next and previous"
    playerctl(session, "next")
    wait_for(title_is(names[1]), "the next recording's title")
    playerctl(session, "previous")
    wait_for(title_is(names[0]), "the previous recording's title")
    check(process.poll() is None, "the player ended")


def main():
    media_controls = sys.argv[5:] == ["--media-controls"]
    if len(sys.argv) != 5 and not media_controls:
        print(__doc__, file=sys.stderr)
        return 2
    player = Player([os.path.abspath(a) for a in sys.argv[1:4]], os.path.abspath(sys.argv[4]))

    def step(scenario):
        return lambda session, work: scenario(player, session, work)

    if media_controls:
        if shutil.which("playerctl") is None or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            print("skipped: playerctl or a session bus is missing")
            return 77
        return run("media-controls", [("media controls", step(scenario_media_controls))],
                   sys.argv[4], screen="1280x800x24")
    return run("player", [
        ("mode 0 and second start", step(scenario_mode0_and_second_start)),
        ("start-up failures", step(scenario_start_failures)),
        ("play, pause, keys and quit", step(scenario_play_pause_keys_and_quit)),
        ("quit without question", step(scenario_quit_without_question)),
        ("views, map and G-sensor", step(scenario_views)),
    ], sys.argv[4], screen="1280x800x24", prepare=lambda s, w: prepare(player, s, w))


if __name__ == "__main__":
    sys.exit(main())
