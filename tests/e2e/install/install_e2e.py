#!/usr/bin/env python3
"""Installation end to end: `cmake --install` into a temporary prefix, the layout it gives
(program folder, links in bin/, desktop entries that validate, icons at every size), both
programs started the way a desktop starts them (the entry's Exec line, the player with a
recording as "Open with" passes it, and again while it runs) under a private Xvfb, and the
uninstall.

usage: install_e2e.py SOURCE_FOLDER BUILD_FOLDER OUTPUT_FOLDER
"""

import os
import shlex
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import Failure, check, open_files, run, wait_for  # noqa: E402

PROGRAMS = ("RoadPlayer", "DCS_4100")
ENTRIES = {"roadplayer.desktop": "RoadPlayer", "dcs-4100.desktop": "DCS_4100"}
ICONS = ("roadplayer", "dcs-4100")
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
MAIN = "^RoadPlayer$"
MAIN_SIZE = (1168, 640)
FRONT_VIEW = (16, 56, 768, 432)
SETTINGS_TITLE = "^설정$"


class Install:
    def __init__(self, source, build):
        self.source = source
        self.build = build
        self.prefix = None
        self.manifest = None
        self.recordings = []

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)


def read_entry(path):
    """The [Desktop Entry] group's keys."""
    keys = {}
    group = None
    with open(path, encoding="utf-8") as file:
        for line in file:
            line = line.strip()
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                keys[key.strip()] = value.strip()
    return keys


def png_size(path):
    with open(path, "rb") as file:
        head = file.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path)
    return struct.unpack(">II", head[16:24])


def prepare(install, session, work):
    install.prefix = os.path.join(work, "prefix")
    # The install writes the build folder's manifest: keep the one a real install left there.
    manifest = os.path.join(install.build, "install_manifest.txt")
    saved = os.path.join(work, "saved_manifest.txt")
    if os.path.exists(manifest):
        shutil.copy2(manifest, saved)
    try:
        result = subprocess.run(["cmake", "--install", install.build, "--prefix", install.prefix],
                                capture_output=True, text=True, timeout=120)
        check(result.returncode == 0, "cmake --install failed:\n" + result.stdout + result.stderr)
        install.manifest = os.path.join(work, "install_manifest.txt")
        shutil.copy2(manifest, install.manifest)
    finally:
        if os.path.exists(saved):
            shutil.copy2(saved, manifest)
        elif os.path.exists(manifest):
            os.remove(manifest)
    card = os.path.join(work, "card")
    subprocess.run([os.path.join(install.build, "bin", "make-sample-card"), card, "--categories",
                    "normal", "--count", "normal=2", "--length", "20", "--size", "640x360",
                    "--rear-size", "320x180", "--fps", "15", "--cameras", "2"],
                   check=True, capture_output=True, timeout=300)
    install.recordings = [os.path.join(card, "NORMAL", name)
                          for name in sorted(os.listdir(card + "/NORMAL"))]


def scenario_layout(install, session, work):
    program_dir = install.path("lib", "roadplayer")
    for program in PROGRAMS:
        link = install.path("bin", program)
        check(os.path.islink(link), "bin/%s is not a link" % program)
        check(not os.path.isabs(os.readlink(link)),
              "bin/%s points to an absolute path: the prefix could not move" % program)
        target = os.path.realpath(link)
        check(target == os.path.join(os.path.realpath(program_dir), program),
              "bin/%s leads to %s" % (program, target))
        check(os.access(target, os.X_OK), "%s is not executable" % target)
    for name in ("VDATA.PACK", "libroadplayer-mapengine.so", "mappage"):
        check(os.path.exists(os.path.join(program_dir, name)), "lib/roadplayer/%s missing" % name)
    check(os.listdir(os.path.join(program_dir, "mappage")), "the map page folder is empty")
    for entry, program in ENTRIES.items():
        path = install.path("share", "applications", entry)
        check(os.path.exists(path), "share/applications/%s missing" % entry)
        result = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True,
                                timeout=30)
        check(result.returncode == 0 and not result.stdout.strip(),
              "%s does not validate:\n%s%s" % (entry, result.stdout, result.stderr))
        keys = read_entry(path)
        check(shlex.split(keys["Exec"])[0] == program, "%s runs %s" % (entry, keys["Exec"]))
        check(os.path.exists(install.path("bin", program)), "%s's program is not in bin/" % entry)
        check(keys.get("Icon") in ICONS, "%s names icon %s" % (entry, keys.get("Icon")))
    player = read_entry(install.path("share", "applications", "roadplayer.desktop"))
    check("%f" in player["Exec"].split(), "the player's entry takes no file: " + player["Exec"])
    types = player.get("MimeType", "").split(";")
    for mime in ("video/mp4", "video/x-msvideo", "video/x-matroska"):
        check(mime in types, "the player is not offered for " + mime)
    for icon in ICONS:
        for size in ICON_SIZES:
            path = install.path("share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                icon + ".png")
            check(os.path.exists(path), "icon missing: " + path)
            check(png_size(path) == (size, size), "%s is %s" % (path, png_size(path)))


def desktop_command(install, entry, path=None):
    """The entry's Exec line as a desktop runs it: %f becomes the file, the program is found
    on a PATH that holds the prefix's bin/."""
    argv = []
    for word in shlex.split(read_entry(install.path("share", "applications", entry))["Exec"]):
        if word == "%f":
            if path is not None:
                argv.append(path)
        elif not (word.startswith("%") and len(word) == 2):
            argv.append(word)
    env = {"PATH": install.path("bin") + os.pathsep + os.environ.get("PATH", "")}
    return [shutil.which(argv[0], path=env["PATH"])] + argv[1:], env


def scenario_open_with(install, session, work):
    first, second = install.recordings[:2]
    argv, env = desktop_command(install, "roadplayer.desktop", first)
    check(argv[0] == install.path("bin", "RoadPlayer"), "the entry runs %s" % argv[0])
    process = session.start(argv, env=env)
    # Found again at each use (a toolkit may make a window anew for a view it composes).
    window = session.remade(MAIN, process, MAIN_SIZE)

    def front():
        left, top, _, _ = session.geometry(window())
        x, y, w, h = FRONT_VIEW
        return session.screenshot().region(left + x, top + y, w, h)
    # The recording given on the command line plays: its picture changes.
    shown = wait_for(front, "the front view")
    wait_for(lambda: front() != shown, "the recording to play", timeout=15)
    check(first in open_files(process.pid), "the player does not hold the recording open")

    # "Open with" again while it runs: the later start hands its file over and ends.
    argv, env = desktop_command(install, "roadplayer.desktop", second)
    session.wait_exit(session.start(argv, env=env), "the second start")
    wait_for(lambda: second in open_files(process.pid) and first not in open_files(process.pid),
             "the running player to switch to the handed-over recording", timeout=15)
    check(process.poll() is None, "the player ended")


def scenario_settings_tool(install, session, work):
    argv, env = desktop_command(install, "dcs-4100.desktop")
    check(argv[0] == install.path("bin", "DCS_4100"), "the entry runs %s" % argv[0])
    process = session.start(argv, env=env)
    session.find(SETTINGS_TITLE, process=process, timeout=30)


def scenario_uninstall(install, session, work):
    # A file the install did not write keeps its folder.
    note = install.path("lib", "roadplayer", "notes.txt")
    with open(note, "w") as file:
        file.write("mine\n")
    result = subprocess.run(["cmake", "-DMANIFEST=" + install.manifest, "-P",
                             os.path.join(install.source, "cmake", "Uninstall.cmake")],
                            capture_output=True, text=True, timeout=60)
    check(result.returncode == 0, "uninstall failed:\n" + result.stdout + result.stderr)
    with open(install.manifest) as file:
        left = [p for p in file.read().split() if os.path.lexists(p)]
    check(not left, "left after the uninstall: %s" % left[:5])
    check(os.path.exists(note), "the uninstall removed a file it did not install")
    check(not os.path.exists(install.path("lib", "roadplayer", "mappage")),
          "the emptied map page folder is left")
    os.remove(note)
    result = subprocess.run(["cmake", "-DMANIFEST=" + install.manifest, "-P",
                             os.path.join(install.source, "cmake", "Uninstall.cmake")],
                            capture_output=True, text=True, timeout=60)
    check(result.returncode == 0, "a second uninstall failed:\n" + result.stderr)
    check(not os.path.exists(install.path("lib", "roadplayer")), "the program folder is left")


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    if shutil.which("desktop-file-validate") is None:
        print("skipped: desktop-file-validate is not installed (desktop-file-utils)")
        return 77
    install = Install(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))

    def step(scenario):
        return lambda session, work: scenario(install, session, work)

    return run("install", [
        ("layout", step(scenario_layout)),
        ("open with the player", step(scenario_open_with)),
        ("settings tool from its entry", step(scenario_settings_tool)),
        ("uninstall", step(scenario_uninstall)),
    ], sys.argv[3], screen="1280x800x24", prepare=lambda s, w: prepare(install, s, w))


if __name__ == "__main__":
    sys.exit(main())
