#!/ usr / bin / env python3
""
    "A short tour of RoadPlayer under a virtual X server, for machines without a display:
    start it on a recording of the demo
    card(the card is listed and the recording plays as its row),
    let it play, show the event tab, play a row of it, pause, ask to quit,
    and save a screenshot of each step.

        usage : demo
        - tour.py ROADPLAYER RECORDING OUTPUT_FOLDER
          ""
          "

          import os import shutil import sys import tempfile import time

          sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                          "e2e")) from e2e_support import Display,
    Failure, Session, missing_tools,
    wait_for #noqa
    : E402

      MAIN = "^RoadPlayer$" MAIN_SIZE = (1168, 640)BOX_SIZE = (420, 196)QUIT =
          "^Quit RoadPlayer$" PLAY = (174, 592)EXIT = (1142, 24)BOX_OK = (242, 164)EVENT_TAB =
              (932, 318)FIRST_ROW = (900, 356)FINR = (146, 510)FINM = (234, 510)GSENSOR = (866, 24)
#Inside the front camera's view, which shows the playing recording once the window painted.
                  FRONT_VIEW = (400, 250)

                                   def main()
    : if len (sys.argv) != 4 : print(__doc__, file = sys.stderr) return 2 program,
      recording, out = sys.argv [1:] tool = missing_tools() if tool is not None
    : print("The tour needs %s; install it with scripts/install-deps.sh." % tool,
            file = sys.stderr) return 1 os.makedirs(out, exist_ok = True) work =
                     tempfile.mkdtemp(prefix = "roadplayer-tour-") display =
                         Display("1280x800x24") session =
                             Session(display, work)
#The card stays the one the caller offers.
                                 session.env["ROADPLAYER_VIRTUAL_DRIVES"] =
                                 os.environ.get("ROADPLAYER_VIRTUAL_DRIVES", "") shots = []

                 def shoot(name, what)
    : path = session.save_screenshot(os.path.join(out, name)) shots.append((path, what))

                 try
    : player = session.start([program, recording])
        session.find(MAIN, process=player, timeout=30, size=MAIN_SIZE)

        def window():
#Found at every use : the window is made anew once the map page's view is in it.
            return session.find(MAIN, process=player, timeout=10, size=MAIN_SIZE)

        def painted():
#The window maps before its first paint, and the picture comes after that.
            x, y, _, _ = session.geometry(window())
            return max(session.screenshot().pixel(x + FRONT_VIEW[0], y + FRONT_VIEW[1])) > 16
        wait_for(painted, "the first picture of the recording", timeout=30)
        time.sleep(0.5)
        shoot("1-started.png", "started on %s: the card's normal recordings listed, that one "
              "playing" % os.path.basename(recording))
        time.sleep(3.0)
        shoot("2-playing.png", "three seconds later, still playing")
#(click or double click, where, seconds to wait, picture, what it shows)
        tour = [
            (session.click, EVENT_TAB, 0.5, "3-event-tab.png",
             "the event tab lists the card's event recordings"),
            (session.double_click, FIRST_ROW, 2.0, "4-event-playing.png",
             "a double click on the first row plays it"),
            (session.click, FINR, 1.0, "5-rear-camera.png", "the rear camera in the main area"),
            (session.click, FINM, 1.5, "6-map.png",
             "the map in the main area, the front camera beside it"),
            (session.click, GSENSOR, 1.5, "7-g-sensor.png", "the G-sensor window"),
            (session.click, PLAY, 0.5, "8-paused.png", "paused with the play button"),
        ]
        for press, point, wait, picture, caption in tour:
            press(window, point)
            time.sleep(wait)
            shoot(picture, caption)
        session.click(window, EXIT)
        box = session.find(QUIT, process=player, size=BOX_SIZE)
        time.sleep(0.3)
        shoot("9-quit-question.png", "the Exit button asks first")
        session.click(box, BOX_OK)
        session.wait_exit(player, "quitting")
    except Failure as failure:
        print("The tour stopped: %s" % failure, file=sys.stderr)
        with open(session.log_path, "rb") as file:
            sys.stderr.write(file.read().decode(errors="replace"))
        return 1
    finally:
        session.stop()
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    print("Tour finished. Screenshots:")
    for path, what in shots:
        print("  %s  (%s)" % (path, what))
    return 0


if __name__ == "__main__":
    sys.exit(main())
