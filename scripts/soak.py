#!/usr/bin/env python3
"""Auto-advance soak: the real player on a private Xvfb plays a card's recordings round and
round (the end of the last row opens the first again) for the given time, while its resident
memory and open file descriptors are sampled.

Bound, checked at the end: over the second half of the run the player's resident memory may
grow by at most RSS_BOUND_MB (the first minutes see the allocator's per-thread pools and the
caches fill, then it levels off; a leak of a picture or a decoder per recording does not), and
its open descriptors may end at most FD_BOUND above those after the first full round of the
list; it must still be running and still moving on from recording to recording. The memory
bound is checked in runs of RSS_CHECK_MINUTES or more (shorter runs, such as CI's, are still
in that early growth and only report it). Exit status 0 within the bound, 1 beyond it or on a
failure, 77 when Xvfb, xdotool or ImageMagick is missing.

usage: soak.py [--minutes M] [--program-dir DIR] [--tools-dir DIR] [--out DIR]
  defaults: 60 minutes, the build tree's build/lib/roadplayer and build/bin
"""

import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from e2e_support import check, open_files, run, wait_for  # noqa: E402

RSS_BOUND_MB = 1
RSS_CHECK_MINUTES = 10
FD_BOUND = 2
RECORDINGS = 4
LENGTH = 4
MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
SELDRIVE = "^Choose the card$"
SELDRIVE_OK = (222, 144)
OPEN = (232, 24)
FIRST_ROW = (900, 356)
SAMPLE_SECONDS = 5


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as file:
        for line in file:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def fd_count(pid):
    return len(os.listdir("/proc/%d/fd" % pid))


def tree_rss_kb(pid):
    """The player and the helper processes it started (the map page's browser engine)."""
    total = 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as file:
                fields = file.read().rsplit(")", 1)[1].split()
            if int(entry) == pid or int(fields[1]) == pid:
                total += rss_kb(int(entry))
        except (OSError, ValueError, IndexError):
            pass
    return total


def soak(args, session, work):
    card = os.path.join(work, "card")
    subprocess.run([os.path.join(args.tools_dir, "make-sample-card"), card, "--categories",
                    "normal", "--count", "normal=%d" % RECORDINGS, "--length", str(LENGTH),
                    "--size", "320x180", "--rear-size", "160x90", "--fps", "15"],
                   check=True, capture_output=True, timeout=300)
    process = session.start([os.path.join(args.program_dir, "RoadPlayer")],
                            env={"ROADPLAYER_VIRTUAL_DRIVES": card + "=QOR-SD"})
    window = session.remade(MAIN, process, MAIN_SIZE)
    session.click(window, OPEN)
    selector = session.find(SELDRIVE, process=process)
    session.click(selector, SELDRIVE_OK)
    wait_for(lambda: session.gone(SELDRIVE), "the drive selector to close")

    def recordings():
        return [p for p in open_files(process.pid) if p.endswith(".mp4")]

    def playing():
        """In a recording's last seconds the one cued to follow it is open as well: then
        neither counts until it is alone."""
        files = recordings()
        return files[0] if len(files) == 1 else None

    def descriptors():
        """Counted while one recording is open, so that the cued one's do not count."""
        wait_for(lambda: len(recordings()) == 1, "one recording open alone")
        return fd_count(process.pid)
    # The rows are listed off the window's thread: a click before they show is clicked again.
    deadline = time.monotonic() + 30
    while playing() is None and time.monotonic() < deadline:
        session.double_click(window, FIRST_ROW)
        time.sleep(1.0)
    wait_for(playing, "the first recording to play")

    # Warm-up: one full round of the list.
    started = time.monotonic()
    opened = [playing()]

    def note_opening():
        now = playing()
        if now is not None and now != opened[-1]:
            opened.append(now)
    while len(opened) <= RECORDINGS:
        check(process.poll() is None, "the player ended during the first round")
        check(time.monotonic() - started < RECORDINGS * LENGTH * 4 + 30,
              "the first round did not come back to its start: %d opened" % len(opened))
        note_opening()
        time.sleep(0.2)
    base_rss, base_fds = rss_kb(process.pid), descriptors()
    base_tree = tree_rss_kb(process.pid)
    print("after the first round: RSS %.1f MB (with helpers %.1f MB), %d open descriptors"
          % (base_rss / 1024, base_tree / 1024, base_fds))
    sys.stdout.flush()

    end = started + args.minutes * 60
    half = started + args.minutes * 30
    half_rss = None
    peak_rss, next_sample = base_rss, time.monotonic() + SAMPLE_SECONDS
    while time.monotonic() < end:
        check(process.poll() is None, "the player ended after %d openings" % len(opened))
        note_opening()
        if half_rss is None and time.monotonic() >= half:
            half_rss = rss_kb(process.pid)
        if time.monotonic() >= next_sample:
            rss = rss_kb(process.pid)
            peak_rss = max(peak_rss, rss)
            next_sample += SAMPLE_SECONDS
            if args.verbose:
                print("  %6.0f s: RSS %.1f MB, %d descriptors, %d openings" % (
                    time.monotonic() - started, rss / 1024, fd_count(process.pid), len(opened)))
                sys.stdout.flush()
        time.sleep(0.2)
    elapsed = time.monotonic() - started
    end_rss, end_fds = rss_kb(process.pid), descriptors()
    end_tree = tree_rss_kb(process.pid)
    print("after %.0f s and %d openings: RSS %.1f MB (with helpers %.1f MB, peak %.1f MB), "
          "%d open descriptors" % (elapsed, len(opened), end_rss / 1024, end_tree / 1024,
                                   peak_rss / 1024, end_fds))
    half_rss = half_rss or base_rss
    print("growth: RSS %+.1f MB since the first round, %+.1f MB over the second half (bound "
          "%d MB); descriptors %+d since the first round (bound %d)"
          % ((end_rss - base_rss) / 1024, (end_rss - half_rss) / 1024, RSS_BOUND_MB,
             end_fds - base_fds, FD_BOUND))
    sys.stdout.flush()
    expected = int((elapsed - RECORDINGS * LENGTH * 2) / (LENGTH * 2))
    check(len(opened) >= max(RECORDINGS + 1, expected),
          "only %d openings in %.0f s" % (len(opened), elapsed))
    if args.minutes >= RSS_CHECK_MINUTES:
        check(end_rss - half_rss <= RSS_BOUND_MB * 1024, "resident memory grew beyond the bound")
    check(end_fds - base_fds <= FD_BOUND, "open descriptors grew beyond the bound")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=60.0)
    parser.add_argument("--program-dir", default=os.path.join(ROOT, "build", "lib", "roadplayer"))
    parser.add_argument("--tools-dir", default=os.path.join(ROOT, "build", "bin"))
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "soak-output"))
    parser.add_argument("--verbose", action="store_true", help="print a sample every 5 s")
    args = parser.parse_args()
    args.program_dir = os.path.abspath(args.program_dir)
    args.tools_dir = os.path.abspath(args.tools_dir)
    return run("soak", [("auto-advance soak", lambda s, w: soak(args, s, w))], args.out,
               screen="1280x800x24")


if __name__ == "__main__":
    sys.exit(main())
