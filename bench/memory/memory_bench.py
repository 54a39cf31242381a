#!/usr/bin/env python3
"""bench/memory: the resident memory of the real player and the helper processes it starts
(the map page's browser engine) while it plays the demo card, against a bare Qt dialog of the
player's size started the same way in the same run.

The player is started on the card's first normal recording (as scripts/run-demo.sh does) on a
private Xvfb, with the rear camera in the second area, and plays for the given time (the list
goes on to the next recording at the end of one); the memory of its process tree is sampled
every second. With --map the map is put into the main area as soon as the window is up.

usage: memory-bench [--seconds S] [--keep DIR] [--map] [--program-dir DIR] [--tools-dir DIR]
  --keep DIR  the demo card (made there once with make-sample-card --demo, reused later)
Exit status 0 within the target (200 MB without the map, 450 MB with it), 1 beyond it, 2 on a
failure, 77 when Xvfb or xdotool is missing. The last line is
`memory: P MB player, H MB helpers, T MB total`.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PROGRAM_DIR = "@ROADPLAYER_PROGRAM_DIR@"
DEFAULT_TOOLS_DIR = "@ROADPLAYER_TOOLS_DIR@"
DEFAULT_BENCH_DIR = "@ROADPLAYER_BENCH_DIR@"
SOURCE_DIR = "@CMAKE_SOURCE_DIR@"
if SOURCE_DIR.startswith("@"):
    SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
from e2e_support import Display, Failure, Session, missing_tools, wait_for  # noqa: E402

MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
FINM = (234, 510)  # the main area's map button
TARGET_MB = {False: 200, True: 450}


def status_kb(pid, field):
    try:
        with open("/proc/%d/status" % pid) as file:
            for line in file:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children(pid):
    """Every process below pid (any depth)."""
    parents = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as file:
                parents[int(entry)] = int(file.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            pass
    found, frontier = [], [pid]
    while frontier:
        parent = frontier.pop()
        for child, its_parent in parents.items():
            if its_parent == parent:
                found.append(child)
                frontier.append(child)
    return found


def tree_kb(pid):
    """(player, helpers) resident memory in kB."""
    return status_kb(pid, "VmRSS"), sum(status_kb(child, "VmRSS") for child in children(pid))


def make_card(tools_dir, card):
    normal = os.path.join(card, "NORMAL")
    if not (os.path.isdir(normal) and any(n.endswith(".mp4") for n in os.listdir(normal))):
        print("making the demo card in %s (a minute or two)" % card)
        sys.stdout.flush()
        subprocess.run([os.path.join(tools_dir, "make-sample-card"), card, "--demo"], check=True,
                       stdout=subprocess.DEVNULL)
    return os.path.join(normal, sorted(n for n in os.listdir(normal) if n.endswith(".mp4"))[0])


def bare_dialog_kb(session, bench_dir, work):
    probe = os.path.join(work, "probe")
    process = session.start([os.path.join(bench_dir, "startup-bare-dialog")],
                            env={"ROADPLAYER_STARTUP_PROBE": probe})
    code, _ = session.finish(process, "the bare dialog")
    if code != 0 or not os.path.exists(probe):
        raise Failure("the bare dialog did not report its memory")
    with open(probe) as file:
        return int(file.read().split()[1]) // 1024


def play(session, args, recording, card):
    process = session.start([os.path.join(args.program_dir, "RoadPlayer"), recording],
                            env={"ROADPLAYER_VIRTUAL_DRIVES": card + "=QOR-SD"})
    window = session.find(MAIN, process=process, timeout=30, size=MAIN_SIZE)
    if args.map:
        time.sleep(1.0)  # the window takes clicks once it has painted
        session.click(lambda: session.find(MAIN, process=process, size=MAIN_SIZE), FINM)
    del window
    started = time.monotonic()
    peak = (0, 0)
    player = helpers = 0
    while time.monotonic() - started < args.seconds:
        if process.poll() is not None:
            raise Failure("the player ended with status %d" % process.returncode)
        player, helpers = tree_kb(process.pid)
        if player + helpers > sum(peak):
            peak = (player, helpers)
        time.sleep(1.0)
    return player, helpers, peak, len(children(process.pid))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--keep", default=None, help="the demo card's folder (made once)")
    parser.add_argument("--map", action="store_true", help="show the map in the main area")
    parser.add_argument("--program-dir", default=DEFAULT_PROGRAM_DIR)
    parser.add_argument("--tools-dir", default=DEFAULT_TOOLS_DIR)
    parser.add_argument("--bench-dir", default=DEFAULT_BENCH_DIR)
    args = parser.parse_args()
    tool = missing_tools()
    if tool is not None:
        print("skipped: %s is not installed" % tool)
        return 77
    work = tempfile.mkdtemp(prefix="memory-bench-")
    card = os.path.abspath(args.keep) if args.keep else os.path.join(work, "card")
    display = session = None
    try:
        recording = make_card(args.tools_dir, card)
        display = Display("1280x800x24")
        session = Session(display, work)
        load = os.getloadavg()
        bare = bare_dialog_kb(session, args.bench_dir, work)
        player, helpers, peak, helper_count = play(session, args, recording, card)
        session.stop()
    except (Failure, subprocess.CalledProcessError, OSError) as error:
        print("memory-bench: %s" % error, file=sys.stderr)
        return 2
    finally:
        if session is not None:
            session.stop()
        if display is not None:
            display.close()
        shutil.rmtree(work, ignore_errors=True)
    target = TARGET_MB[args.map]
    total = (player + helpers) / 1024
    print("demo card %s, %s, %.0f s of playback (load average %.1f %.1f %.1f at the start, "
          "%.1f at the end)" % (card, "map in the main area" if args.map else
                                "rear camera in the second area, map not shown",
                                args.seconds, load[0], load[1], load[2], os.getloadavg()[0]))
    print("reference: bare Qt dialog %.0f MB resident" % (bare / 1024))
    print("peak during playback: %.0f MB player + %.0f MB helpers = %.0f MB"
          % (peak[0] / 1024, peak[1] / 1024, sum(peak) / 1024))
    print("at the end: %d helper processes; total %.0f MB = %.1fx the bare dialog; target at most "
          "%d MB: %s" % (helper_count, total, total * 1024 / max(1, bare), target,
                         "met" if total <= target else "MISSED"))
    print("memory: %.0f MB player, %.0f MB helpers, %.0f MB total"
          % (player / 1024, helpers / 1024, total))
    return 0 if total <= target else 1


if __name__ == "__main__":
    sys.exit(main())
