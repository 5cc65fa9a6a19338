#!/usr/bin/env python3
"""`cmake --install` into a fresh folder: the program, the icon, the menu entry naming that
folder, Taku_DATA with the delivered files; a second install keeps a file the user changed;
the folder still starts after it is moved.

    install_check.py --build BUILD_DIR --source SOURCE_DIR
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import ClockRun, CheckFailed, check  # noqa: E402


def install(build, prefix):
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   capture_output=True, timeout=120)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="taku-install-")
    try:
        prefix = os.path.join(work, "ちくたく")
        install(args.build, prefix)
        for name in ("chikutaku", "chikutaku.png", "chikutaku.desktop",
                     "install-desktop-entry.sh"):
            check(os.path.isfile(os.path.join(prefix, name)), f"{name} not installed")
        check(os.access(os.path.join(prefix, "chikutaku"), os.X_OK), "the program can't run")
        with open(os.path.join(prefix, "chikutaku.png"), "rb") as f:
            check(f.read(8) == b"\x89PNG\r\n\x1a\n", "the icon is not a PNG")
        with open(os.path.join(prefix, "chikutaku.desktop"), encoding="utf-8") as f:
            entry = f.read()
        check(f'Exec="{prefix}/chikutaku"' in entry and f"Icon={prefix}/chikutaku.png" in entry,
              f"the menu entry does not name the installed folder:\n{entry}")
        delivered = sorted(n for n in os.listdir(os.path.join(args.source, "data"))
                           if n != "README.md" and
                           os.path.isfile(os.path.join(args.source, "data", n)))
        data = os.path.join(prefix, "Taku_DATA")
        check(sorted(os.listdir(data)) == delivered, f"Taku_DATA holds {os.listdir(data)}")

        # The user edits a table and keeps preferences; a reinstall overwrites neither.
        mine = "自分\tjibun\n".encode("cp932")
        with open(os.path.join(data, "voice.txt"), "wb") as f:
            f.write(mine)
        with open(os.path.join(data, "Taku.Prefs"), "w") as f:
            f.write("5\n6\n")
        # A delivered file the user deleted comes back.
        others = [n for n in delivered if n != "voice.txt"]
        if others:
            os.remove(os.path.join(data, others[0]))
        install(args.build, prefix)
        with open(os.path.join(data, "voice.txt"), "rb") as f:
            check(f.read() == mine, "a reinstall overwrote the user's voice.txt")
        with open(os.path.join(data, "Taku.Prefs")) as f:
            check(f.read() == "5\n6\n", "a reinstall overwrote the user's preferences")
        check(sorted(os.listdir(data)) == sorted(set(delivered) | {"Taku.Prefs"}),
              "a missing delivered file was not put back")

        # The menu entry script writes an entry for wherever the folder now lies.
        moved = os.path.join(work, "moved")
        shutil.move(prefix, moved)
        home = os.path.join(work, "home")
        subprocess.run([os.path.join(moved, "install-desktop-entry.sh")], check=True,
                       capture_output=True, timeout=60,
                       env=dict(os.environ, HOME=home, XDG_DATA_HOME=""))
        with open(os.path.join(home, ".local/share/applications/chikutaku.desktop")) as f:
            check(f'Exec="{moved}/chikutaku"' in f.read(), "the entry does not follow the move")

        # The moved folder still finds its data: the clock starts and reads the user's table.
        with ClockRun(os.path.join(moved, "chikutaku"), "installed",
                      data={"voice.txt": mine}) as run:
            run.start("2026-12-24 12:00:00")
            run.wait_for(lambda ls: sum(1 for l in ls if l.startswith("taku.tick:")) >= 2,
                         timeout=60, what="two ticks of the installed clock")
    except CheckFailed as failure:
        print(f"FAIL install: {failure}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASS install")
    return 0


if __name__ == "__main__":
    sys.exit(main())
