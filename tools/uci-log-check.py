#!/usr/bin/env python3
"""Reads the polyglot logs of UCI games played under xboard (tools/strength.sh or
tools/soak.sh keep one per game directory) and checks what a tournament manager would:
every principal variation the engine sent is legal move by move from the position it was
searching ("Illegal PV move" otherwise), and the engine's clock, as xboard reported it,
never fell below a floor.

    tools/uci-log-check.py [--min-clock SECONDS] GAME_DIR...

Exit status 1 on an illegal PV or a clock below the floor, 0 otherwise."""

import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tourney  # noqa: E402  (the rules oracle: Debian's stockfish)

LINE = re.compile(r"^\S+ (GUI->Adapter|Adapter->Engine|Engine->Adapter): (.*)$")


def check_log(path, oracle):
    """(PV lines checked, illegal PV lines, lowest clock in seconds or None)"""
    moves, pvs, checked, illegal, lowest = [], [], 0, [], None
    with open(path, errors="replace") as log:
        for raw in log:
            m = LINE.match(raw.rstrip("\n"))
            if not m:
                continue
            who, text = m.groups()
            if who == "GUI->Adapter" and text.startswith("time "):
                seconds = int(text.split()[1]) / 100
                lowest = seconds if lowest is None else min(lowest, seconds)
            elif who == "Adapter->Engine" and text.startswith("position startpos"):
                words = text.split()
                moves = words[3:] if len(words) > 3 and words[2] == "moves" else []
                pvs = []
            elif who == "Engine->Adapter" and text.startswith("info ") and " pv " in text:
                pvs.append((text, text.split(" pv ", 1)[1].split()))
            elif who == "Engine->Adapter" and text.startswith("bestmove"):
                for line, pv in pvs:
                    checked += 1
                    if oracle.plies_applied(moves + pv) - len(moves) < len(pv):
                        illegal.append(line)
                pvs = []
    return checked, illegal, lowest


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--min-clock", type=float, default=1.5)
    p.add_argument("--oracle", default="/usr/games/stockfish")
    p.add_argument("dirs", nargs="+")
    args = p.parse_args()
    oracle = tourney.Oracle(args.oracle, None)
    failed = False
    total_checked, total_illegal, floor = 0, 0, None
    for d in args.dirs:
        path = os.path.join(d, "polyglot.log")
        if not os.path.exists(path):
            continue
        checked, illegal, lowest = check_log(path, oracle)
        total_checked += checked
        total_illegal += len(illegal)
        for line in illegal[:3]:
            print(f"Illegal PV move in {d}: {line}")
        if lowest is not None:
            floor = lowest if floor is None else min(floor, lowest)
            if lowest < args.min_clock:
                print(f"{d}: the engine's clock fell to {lowest:.2f} s")
                failed = True
        failed |= bool(illegal)
    print(f"{len(args.dirs)} games, {total_checked} principal variations checked, "
          f"{total_illegal} with an illegal move; lowest clock "
          f"{'-' if floor is None else f'{floor:.2f} s'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
