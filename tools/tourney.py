#!/usr/bin/env python3
"""Plays games between two chess engines over UCI or XBoard/CECP and fails on any fault.

A small match manager in the manner of a tournament GUI: it starts both engines as child
processes, keeps their clocks itself, and takes the rules from Debian's stockfish, which it
runs beside them as an independent checker (legal moves, check, the position's FEN). Games
are played at a clock ([MOVES/]BASE[+INC], sessions repeating), a fixed time a move (st=) or
a fixed depth (depth=), from the start position, an opening line or a FEN/EPD position.
Every game is saved as PGN with the mover's clock (or the move's time) after each move; a
JSON summary goes beside it, and the closing tables give each engine's score and time use.

Exit status: 0 when every game ended regularly, 1 when a game ended by an illegal move, a
refused move, a time forfeit, a crash, a stall or a disconnect (or the clock rule of
--min-clock-before-move was broken, or an engine could not be started), 2 on bad usage.

With --check-logs it plays nothing and reads instead the polyglot logs of UCI games played
under xboard (tools/soak.sh keeps one in each game's directory): every principal variation
the engine sent must be legal move by move from the position it was searching, and the
engine's clock, as xboard reported it, must never have fallen below --min-clock (1.5 s by
default). Exit status 1 on an illegal PV or a clock below that floor, 0 otherwise.
"""

import argparse
import collections
import fcntl
import json
import os
import queue
import re
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time

LOCK_PATH = "/tmp/kelvorante-match.lock"
# PGN's Termination tag for each way a game can end.
TERMINATION = {"illegal move": "rules infraction", "refused move": "rules infraction",
               "time forfeit": "time forfeit", "stall": "stalled connection", "crash": "abandoned",
               "disconnect": "abandoned", "adjudication": "adjudication", "normal": "normal"}
MOVE_RE = re.compile(r"^[a-h][1-8][a-h][1-8][qrbn]?$")
KNOWN_PACKAGES = {"stockfish", "fairymax", "hoichess", "sjeng", "phalanx"}


class EngineFault(Exception):
    """An engine broke the game: kind is illegal move, refused move, time forfeit, crash,
    stall or disconnect; detail says how."""

    def __init__(self, kind, detail):
        super().__init__(f"{kind}: {detail}")
        self.kind, self.detail = kind, detail


class Refused(Exception):
    """An engine cannot take part at all (missing feature, no handshake)."""


class Log:
    """The whole dialogue with every process, time-stamped, written as it happens."""

    def __init__(self, path):
        self.start = time.monotonic()
        self.file = open(path, "w", encoding="utf-8") if path else None
        self.lock = threading.Lock()

    def write(self, who, arrow, line):
        if self.file:
            with self.lock:
                self.file.write(f"{time.monotonic() - self.start:10.3f} {who} {arrow} {line}\n")
                self.file.flush()


class Process:
    """A child process spoken to line by line; a reader thread time-stamps its output."""

    def __init__(self, label, argv, cwd, log):
        self.label, self.log = label, log
        self.recent = collections.deque(maxlen=12)  # the dialogue shown with a fault
        self.lines = queue.Queue()
        self.eof = False
        try:
            self.proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                         text=True, bufsize=1, errors="replace", start_new_session=True)
        except OSError as err:
            raise Refused(f"{label}: cannot start {argv[0]}: {err}") from err
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        for line in iter(self.proc.stdout.readline, ""):
            line = line.rstrip("\r\n")
            self.recent.append(f"{self.label} > {line}")
            self.log.write(self.label, ">", line)
            self.lines.put((time.monotonic(), line))
        self.lines.put((time.monotonic(), None))

    def _gone(self):
        """Tells a crash (the process ended) from a disconnect (its pipes closed)."""
        try:
            status = self.proc.wait(timeout=1)
        except subprocess.TimeoutExpired:
            return EngineFault("disconnect", "closed its connection but kept running")
        how = f"killed by signal {-status}" if status < 0 else f"exited with status {status}"
        return EngineFault("crash", f"the process {how}")

    def send(self, line):
        self.recent.append(f"{self.label} < {line}")
        self.log.write(self.label, "<", line)
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError, ValueError):
            raise self._gone() from None

    def read(self, deadline, waiting_for):
        """The next line and its arrival time; a stall past the deadline, a crash at EOF."""
        if self.eof:
            raise self._gone()
        try:
            stamp, line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise EngineFault("stall", f"no {waiting_for} by the deadline") from None
        if line is None:
            self.eof = True
            raise self._gone()
        return stamp, line

    def pending(self):
        """The lines already received and not yet read, without waiting."""
        out = []
        while not self.eof:
            try:
                _, line = self.lines.get_nowait()
            except queue.Empty:
                break
            if line is None:
                self.eof = True
            else:
                out.append(line)
        return out

    def close(self, quit_command=None):
        """Asks the process to quit, then ends its whole process group (a wrapper's too)."""
        if self.proc.poll() is None and quit_command:
            try:
                self.send(quit_command)
                self.proc.wait(timeout=2)
            except (EngineFault, subprocess.TimeoutExpired):
                pass
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except OSError:
            pass
        self.proc.wait()
        for pipe in (self.proc.stdin, self.proc.stdout):
            try:
                pipe.close()
            except OSError:
                pass


class Position:
    """What the oracle says about one position: legal moves, FEN and whether in check."""

    def __init__(self, legal, fen, in_check):
        self.legal, self.fen, self.in_check = legal, fen, in_check

    def board(self):
        """Square name to piece letter, read off the FEN's placement field."""
        squares = {}
        for rank, row in enumerate(self.fen.split()[0].split("/")):
            file = 0
            for ch in row:
                if ch.isdigit():
                    file += int(ch)
                else:
                    squares["abcdefgh"[file] + str(8 - rank)] = ch
                    file += 1
        return squares

    def repetition_key(self):
        return " ".join(self.fen.split()[:4])  # without the two move counters

    def halfmove_clock(self):
        return int(self.fen.split()[4])

    def insufficient_material(self):
        """King against king, or king and one minor piece against king."""
        rest = [p for p in self.board().values() if p not in "Kk"]
        return not rest or (len(rest) == 1 and rest[0] in "NBnb")


class Oracle:
    """Debian's stockfish as the rules authority; asked, never searched with."""

    def __init__(self, path, log):
        self.proc = Process("oracle", [path], None, Log(None))  # its boards would swamp the log
        self.proc.send("uci")
        self._until(lambda l: l == "uciok")

    def _until(self, done):
        lines = []
        while True:
            try:
                _, line = self.proc.read(time.monotonic() + 30, "answer")
            except EngineFault as fault:
                raise SystemExit(f"FAIL: the rules checker (stockfish) failed: {fault}")
            lines.append(line)
            if done(line):
                return lines

    def _set(self, moves, fen):
        start = f"position fen {fen}" if fen else "position startpos"
        self.proc.send(start + " moves " + " ".join(moves) if moves else start)

    def position(self, moves, fen=None):
        """The position after the moves, from the FEN or from the start position."""
        self._set(moves, fen)
        self.proc.send("go perft 1")
        legal = [l.split(":")[0] for l in self._until(lambda l: l.startswith("Nodes searched"))
                 if re.match(r"^[a-h][1-8][a-h][1-8][qrbn]?: \d+$", l)]
        self.proc.send("d")  # after the perft has answered: both print from different threads
        shown = self._until(lambda l: l.startswith("Checkers:"))
        fen = next(l[5:].strip() for l in shown if l.startswith("Fen: "))
        return Position(legal, fen, bool(shown[-1][9:].strip()))

    def plies_applied(self, moves, fen=None):
        """How many of the moves stockfish accepted: it stops at the first illegal one,
        and the FEN's move number and side count the plies from where it started."""
        self._set(moves, fen)
        self.proc.send("d")
        after = next(l[5:].split() for l in self._until(lambda l: l.startswith("Checkers:"))
                     if l.startswith("Fen: "))
        return ply_number(after) - (ply_number(fen.split()) if fen else 0)


def ply_number(fields):
    """Plies since the start of the game by a FEN's move number and side to move."""
    return 2 * (int(fields[5]) - 1) + (fields[1] == "b")


class Engine:
    """One player: its process, its protocol and its statistics over the whole run."""

    def __init__(self, settings, args, log):
        self.settings, self.args, self.log = settings, args, log
        self.label = settings.get("name") or os.path.basename(settings["cmd"])
        self.proc, self.broken = None, False
        self.stats = {"games": 0, "wins": 0, "draws": 0, "losses": 0, "faults": 0,
                      "illegal_pv": 0, "mate_as_cp": 0, "false_claims": 0, "lowest_clock": None}
        # How the engine used its time over all games; which figures apply depends on the control.
        tc, use = args.tc, {"moves": 0, "thinking_seconds": 0.0, "average_move_seconds": None, "longest_move": None}
        if tc.kind != "depth":
            use.update(offered_seconds=0.0, share_used_percent=None, largest_fraction=None)
        if tc.moves:
            use["largest_fraction_before_control"] = None
        if tc.kind == "clock" and tc.inc:
            use["highest_clock_climb"] = None
        self.stats["time_use"] = use

    def start(self):
        argv = [self.settings["cmd"]] + self.settings.get("args", [])
        self.proc, self.broken = Process(self.label, argv, self.settings.get("dir"), self.log), False
        try:
            self.handshake()
        except EngineFault as fault:
            raise Refused(f"{self.label}: {fault} during the start-up handshake") from None

    def stop(self):
        if self.proc:
            self.proc.close("quit")

    def restart(self):
        self.stop()
        self.start()

    def wait_for(self, done, what, timeout=None):
        deadline = time.monotonic() + (timeout or self.args.init_timeout)
        while True:
            _, line = self.proc.read(deadline, what)
            self.handle(line)
            if done(line):
                return line

    def handle(self, line):
        """Lines that may come at any time (claims, refusals); overridden per protocol."""

    def warn(self, kind, text, counter):
        self.stats[counter] += 1
        if self.stats[counter] <= self.args.max_warnings:
            print(f"Warning: {kind} from {self.label}: {text}")


class UciEngine(Engine):
    protocol = "uci"

    def handshake(self):
        self.proc.send("uci")
        line = self.wait_for(lambda l: l == "uciok" or l.startswith("id name "), "uciok")
        if line.startswith("id name ") and not self.settings.get("name"):
            self.label = self.proc.label = line[8:].strip()
        if line != "uciok":
            self.wait_for(lambda l: l == "uciok", "uciok")
        for name, value in self.settings.get("options", {}).items():
            self.proc.send(f"setoption name {name} value {value}")

    def new_game(self, tc, fen):
        self.fen = fen
        self.proc.send("ucinewgame")
        self.sync()

    def sync(self):
        self.proc.send("isready")
        self.wait_for(lambda l: l == "readyok", "readyok")

    def request_move(self, moves, clocks, side, tc, deadline_after, to_go):
        start = f"position fen {self.fen}" if self.fen else "position startpos"
        self.proc.send(start + " moves " + " ".join(moves) if moves else start)
        if tc.kind == "st":
            go = f"go movetime {int(round(tc.st * 1000))}"
        elif tc.kind == "depth":
            go = f"go depth {tc.depth}"
        else:
            go = f"go wtime {int(clocks['w'] * 1000)} btime {int(clocks['b'] * 1000)}"
            go += f" winc {int(tc.inc * 1000)} binc {int(tc.inc * 1000)}"
            if to_go:
                go += f" movestogo {to_go}"
        self.proc.send(go)
        sent = time.monotonic()
        pvs = []
        while True:
            stamp, line = self.proc.read(sent + deadline_after, "bestmove")
            words = line.split()
            if words[:1] == ["info"] and words[1:2] != ["string"]:
                if "pv" in words:
                    pvs.append((line, words[words.index("pv") + 1:]))
                if "cp" in words and words.index("cp") + 1 < len(words):
                    value = words[words.index("cp") + 1]
                    if value.lstrip("-").isdigit() and abs(int(value)) >= 20000:
                        self.warn("Mate score given as centipawns", line, "mate_as_cp")
            elif words[:1] == ["bestmove"]:
                move = words[1] if len(words) > 1 else ""
                return "move", move, stamp - sent, pvs

    def end_game(self, moves, result, reason):
        self.sync()

class XboardEngine(Engine):
    protocol = "xboard"

    def handshake(self):
        self.features = {}
        self.proc.send("xboard")
        self.proc.send("protover 2")
        # An engine that sends no feature within two seconds speaks protocol version 1.
        deadline = time.monotonic() + 2
        while True:
            try:
                _, line = self.proc.read(deadline, "feature done=1")
            except EngineFault as fault:
                if fault.kind != "stall" or self.features:
                    raise
                break
            if not line.startswith("feature "):
                continue
            for name, value in re.findall(r'(\w+)=("[^"]*"|\S+)', line):
                value = value.strip('"')
                self.features[name] = value
                if name != "done":
                    self.proc.send(("rejected " if name == "san" and value == "1" else "accepted ") + name)
            done = self.features.get("done")
            if done == "1":
                break
            # done=0 asks for time to start up; the start-up time-out still holds.
            deadline = time.monotonic() + (self.args.init_timeout if done == "0" else 2)
        if self.features.get("myname") and not self.settings.get("name"):
            self.label = self.proc.label = self.features["myname"]
        if self.args.bridge and self.features.get("ping") != "1":
            raise Refused("engine did not declare required feature: ping")
        if self.args.fen_openings and self.features.get("setboard") != "1":
            raise Refused(f"{self.label}: engine did not declare required feature: setboard "
                          "(the openings give positions)")

    def handle(self, line):
        words = line.split()
        if line.startswith("Illegal move"):
            raise EngineFault("refused move", f"answered {line!r} to a legal move")
        if words and words[0] in ("1-0", "0-1", "1/2-1/2"):
            self.claims.append((self.game_ply, words[0], line))
        if words[:1] == ["resign"]:
            self.resigned = True

    def sync(self):
        if self.features.get("ping") == "1":
            self.ping += 1
            self.proc.send(f"ping {self.ping}")
            self.wait_for(lambda l: l == f"pong {self.ping}", f"pong {self.ping}")

    def new_game(self, tc, fen):
        self.sent, self.forced, self.claims, self.resigned, self.game_ply = 0, True, [], False, 0
        self.ping = getattr(self, "ping", 0)
        self.proc.send("new")
        if fen:
            self.proc.send("force")
            self.proc.send(f"setboard {fen}")
        if tc.kind == "st":
            self.proc.send(f"st {tc.st:g}")
        elif tc.kind == "depth":
            self.proc.send(f"sd {tc.depth}")  # and no clock at all
        else:
            base = int(round(tc.base))
            self.proc.send(f"level {tc.moves} {base // 60}:{base % 60:02d} {tc.inc:g}"
                           if base % 60 else f"level {tc.moves} {base // 60} {tc.inc:g}")
        for command in ("post", "easy", "computer", "force"):
            self.proc.send(command)
        self.sync()

    def _send_moves(self, moves):
        prefix = "usermove " if self.features.get("usermove") == "1" else ""
        for move in moves[self.sent:]:
            self.proc.send(prefix + move)
        self.sent = len(moves)

    def _check_pending(self, moves):
        self.game_ply = len(moves)
        for line in self.proc.pending():
            self.handle(line)
            if line.startswith("move "):
                raise EngineFault("illegal move", f"sent {line!r} when it was not on move")

    def request_move(self, moves, clocks, side, tc, deadline_after, to_go):
        self._check_pending(moves)
        if self.resigned:
            return "resign", None, 0.0, []
        own, other = int(clocks[side] * 100), int(clocks["b" if side == "w" else "w"] * 100)
        if tc.kind == "st":  # the time a move on both clocks, as GUIs send it with st
            own = other = int(round(tc.st * 100))
        timing = [f"time {own}", f"otim {other}"]
        if self.features.get("time") == "0" or tc.kind == "depth":
            timing = []
        if self.args.bridge or self.forced:
            # Bridge style asks for every move with force, the moves, then go.
            if not self.forced:
                self.proc.send("force")
            self._send_moves(moves)
            for line in timing + ["go"]:
                self.proc.send(line)
        else:
            # Outside force mode the opponent's move itself starts the engine's search.
            for line in timing:
                self.proc.send(line)
            self._send_moves(moves)
        self.forced = False
        sent = time.monotonic()
        while True:
            stamp, line = self.proc.read(sent + deadline_after, "move")
            self.handle(line)
            if self.resigned:
                return "resign", None, stamp - sent, []
            if line.startswith("move "):
                self.sent = len(moves) + 1
                return "move", line.split()[1], stamp - sent, []

    def end_game(self, moves, result, reason):
        self.game_ply = len(moves)
        if not self.forced:
            self.proc.send("force")
            self.forced = True
        self._send_moves(moves)
        self.proc.send(f"result {result} {{{reason}}}")
        self.sync()
        for line in self.proc.pending():  # without ping: whatever has come by now
            self.handle(line)
        if self.features.get("reuse") == "0":
            self.restart()

class TimeControl:
    """The control a game is played at, in one of three kinds:
    clock: [MOVES/]BASE[+INC] in seconds, MOVES per session, BASE added per session, INC per move;
    st:    st=SECONDS, a fixed time for every move (fractions allowed);
    depth: depth=N, every move searched to N plies, without a clock."""

    def __init__(self, text):
        self.moves, self.base, self.inc, self.st, self.depth = 0, 0.0, 0.0, None, None
        number = r"(\d+(?:\.\d*)?|\.\d+)"
        if m := re.fullmatch(r"st=" + number, text):
            self.kind, self.st = "st", float(m[1])
            if self.st <= 0:
                raise argparse.ArgumentTypeError(f"time control {text!r}: the time a move must be above 0")
            self.text = f"st={self.st:g}"
        elif m := re.fullmatch(r"depth=(\d+)", text):
            self.kind, self.depth = "depth", int(m[1])
            if self.depth <= 0:
                raise argparse.ArgumentTypeError(f"time control {text!r}: the depth must be at least 1")
            self.text = f"depth={self.depth}"
        elif m := re.fullmatch(r"(?:(\d+)/)?" + number + r"(?:\+" + number + r")?", text):
            self.kind = "clock"
            self.moves, self.base, self.inc = int(m[1] or 0), float(m[2]), float(m[3] or 0)
            self.text = (f"{self.moves}/" if self.moves else "") + f"{self.base:g}" + (f"+{self.inc:g}" if self.inc else "")
        else:
            raise argparse.ArgumentTypeError(f"time control {text!r} is not [MOVES/]BASE[+INC], st=SECONDS or depth=N")

    def pgn_tag(self):
        """The PGN TimeControl tag: one move per st seconds; '-' (none) for a fixed depth."""
        return f"1/{self.st:g}" if self.kind == "st" else "-" if self.kind == "depth" else self.text

    def start_clock(self):
        """What each clock shows before a side's first move (st: before every move)."""
        return self.st if self.kind == "st" else 0.0 if self.kind == "depth" else self.base


def clock_text(seconds, decimals=1):
    """h:mm:ss.s, or with more decimals; cut, not rounded, as a clock shows it."""
    units = int(max(0.0, seconds) * 10 ** decimals)
    minute = 60 * 10 ** decimals
    return (f"{units // (60 * minute)}:{units // minute % 60:02d}:"
            f"{units % minute / 10 ** decimals:0{3 + decimals}.{decimals}f}")


def san(move, before, after):
    """Standard algebraic notation of a legal move, from the positions on both sides."""
    board = before.board()
    frm, to = move[:2], move[2:4]
    piece = board[frm]
    kind = piece.upper()
    if kind == "K" and abs(ord(frm[0]) - ord(to[0])) == 2:
        text = "O-O" if to[0] == "g" else "O-O-O"
    elif kind == "P":
        text = (frm[0] + "x" if frm[0] != to[0] else "") + to + ("=" + move[4].upper() if len(move) == 5 else "")
    else:
        rivals = [m[:2] for m in before.legal if m[2:4] == to and m[:2] != frm and board.get(m[:2]) == piece]
        if not rivals:
            which = ""
        elif all(r[0] != frm[0] for r in rivals):
            which = frm[0]
        elif all(r[1] != frm[1] for r in rivals):
            which = frm[1]
        else:
            which = frm
        text = kind + which + ("x" if to in board else "") + to
    if after.in_check:
        text += "#" if not after.legal else "+"
    return text


def game_end(pos, keys, plies, max_moves):
    """(result, termination, reason) when the game is over after the last move, else None."""
    mover = "White" if pos.fen.split()[1] == "b" else "Black"
    if not pos.legal:
        if pos.in_check:
            return ("1-0" if mover == "White" else "0-1"), "normal", f"{mover} mates"
        return "1/2-1/2", "normal", "Stalemate"
    if pos.halfmove_clock() >= 100:
        return "1/2-1/2", "normal", "Draw by the fifty-move rule"
    if keys.count(keys[-1]) >= 3:
        return "1/2-1/2", "normal", "Draw by threefold repetition"
    if pos.insufficient_material():
        return "1/2-1/2", "normal", "Draw by insufficient material"
    if max_moves and plies >= 2 * max_moves:
        return "1/2-1/2", "adjudication", f"Draw by adjudication after {max_moves} moves"
    return None


def check_pv(engine, oracle, fen, moves, pvs, game_no, mode):
    """Every word after 'pv' must continue the game legally: one oracle call per PV."""
    for line, pv in (pvs if mode == "all" else pvs[-1:]):
        if not pv:
            continue
        applied = oracle.plies_applied(moves + pv, fen) - len(moves)
        if applied < len(pv):
            engine.warn("Illegal PV move", f"{pv[applied]} (game {game_no}, ply {len(moves) + 1}): {line}",
                        "illegal_pv")


def higher(best, value, key):
    """Whether value (a dict) beats best (a dict or None) by key."""
    return best is None or value[key] > best[key]


def play_game(game_no, white, black, opening, tc, oracle, args):
    """Plays one game; returns its record (with 'fault' set when an engine broke it)."""
    for engine in (white, black):
        if engine.broken:
            engine.restart()
    fen = opening.get("fen")
    moves, sans, comments = list(opening["moves"]), [], []
    pos = oracle.position([], fen)
    keys = [pos.repetition_key()]
    for i, move in enumerate(opening["moves"]):
        after = oracle.position(opening["moves"][:i + 1], fen)
        sans.append(san(move, pos, after))
        comments.append(None)
        pos = after
        keys.append(pos.repetition_key())
    clocks = {"w": tc.start_clock(), "b": tc.start_clock()}
    players = {"w": white, "b": black}
    # Each side's time use over the game. The control is counted, as xboard counts it, from
    # the position the game was set up from (the start position or a FEN, whatever its move
    # number): the moves of an opening line count, the clock runs from the first move the
    # manager asks for. The time offered is what the clock held for the side's first move and
    # what was added to it before a later one (not what came in after its last move).
    first_side = (fen.split()[1] if fen else "w")
    line = len(opening["moves"])
    use = {side: {"moves": 0, "thinking": 0.0, "offered": 0.0, "coming": tc.base if tc.kind == "clock" else 0.0,
                  "sessions": 0, "longest": None, "largest": None, "before_control": None,
                  "line_moves": (line + 1) // 2 if side == first_side else line // 2} for side in "wb"}
    record = {"round": game_no, "white": white.label, "black": black.label, "opening": opening["name"],
              "fault": None, "lowest_clock": {}, "clock_rule": {}}
    if fen:
        record["fen"] = fen
    ending, faulty = game_end(pos, keys, len(moves), args.max_moves), None
    try:
        for engine in (white, black):
            faulty = engine
            engine.new_game(tc, fen)
        faulty = None
    except EngineFault as fault:
        ending = (("0-1" if faulty is white else "1-0"), TERMINATION[fault.kind],
                  f"{faulty.label}: {fault.kind} ({fault.detail}) at the start of the game")
        record["fault"] = {"engine": faulty.label, "kind": fault.kind, "detail": fault.detail,
                           "dialogue": list(faulty.proc.recent)}
    while ending is None:
        side = pos.fen.split()[1]
        engine, u = players[side], use[side]
        colour, loss = ("White", "0-1") if side == "w" else ("Black", "1-0")
        move_no = int(pos.fen.split()[5])
        to_go = tc.moves - (u["moves"] + u["line_moves"]) % tc.moves if tc.moves else None
        before = clocks[side]
        # How long the manager waits before a silence is a stall, and the most a move may take.
        allowed = None if tc.kind == "depth" else before
        deadline = args.grace if allowed is None else allowed + args.grace
        try:
            kind, move, used, pvs = engine.request_move(moves, clocks, side, tc, deadline, to_go)
            if kind == "resign":
                ending = loss, "normal", f"{colour} resigns"
                break
            move = move[:4] + move[4:].lower()  # a promotion letter in either case, as GUIs take it
            if allowed is not None and used > allowed + args.time_margin:
                raise EngineFault("time forfeit", f"took {used:.3f} s with {allowed:.3f} s on its clock"
                                  if tc.kind == "clock" else f"took {used:.3f} s of its {allowed:g} s a move")
            if move not in pos.legal:
                raise EngineFault("illegal move", f"played {move!r} at move {move_no}")
        except EngineFault as fault:
            if fault.kind == "stall":
                fault.detail = (f"no move within {deadline:.2f} s ("
                                + ("" if allowed is None else f"{allowed:.2f} s on its clock + "
                                   if tc.kind == "clock" else f"{allowed:g} s a move + ")
                                + f"{args.grace:g} s grace)")
            ending = loss, TERMINATION[fault.kind], f"{colour} ({engine.label}): {fault.kind}, {fault.detail}"
            record["fault"] = {"engine": engine.label, "kind": fault.kind, "detail": fault.detail,
                               "game": game_no, "move": move_no, "dialogue": list(engine.proc.recent)}
            faulty = engine
            break
        u["moves"] += 1
        u["thinking"] += used
        u["offered"] += u["coming"] + (tc.st if tc.kind == "st" else 0.0)
        u["coming"] = 0.0
        if higher(u["longest"], {"seconds": used}, "seconds"):
            u["longest"] = {"seconds": round(used, 3), "move": move_no}
        if allowed is not None:
            if before > 0:
                share = {"percent": round(100 * used / before, 1), "move": move_no}
                if higher(u["largest"], share, "percent"):
                    u["largest"] = share
                if to_go == 1 and higher(u["before_control"], share, "percent"):
                    u["before_control"] = share
            left = before - used  # the lowest point: before the increment comes in
            lowest = record["lowest_clock"].get(engine.label)
            if lowest is None or left < lowest["seconds"]:
                record["lowest_clock"][engine.label] = {"seconds": round(left, 3), "move": move_no}
            rule = args.min_clock_before_move
            if rule and move_no < rule[0] and left < rule[1] and engine.label not in record["clock_rule"]:
                record["clock_rule"][engine.label] = (f"{engine.label} had {left:.3f} s left at move {move_no}, "
                                                      f"below {rule[1]:g} s before move {rule[0]:g}")
        if tc.kind == "clock":
            clocks[side] = left + tc.inc
            u["coming"] += tc.inc
            if tc.moves and (u["moves"] + u["line_moves"]) % tc.moves == 0:
                clocks[side] += tc.base  # a new session
                u["coming"] += tc.base
                u["sessions"] += 1
        if pvs and args.pv_check != "off":
            check_pv(engine, oracle, fen, moves, pvs, game_no, args.pv_check)
        moves.append(move)
        after = oracle.position(moves, fen)
        sans.append(san(move, pos, after))
        comments.append(f"[%clk {clock_text(clocks[side])}]" if tc.kind == "clock" else f"[%emt {clock_text(used, 3)}]")
        pos = after
        keys.append(pos.repetition_key())
        ending = game_end(pos, keys, len(moves), args.max_moves)
    result, termination, reason = ending
    record.update(result=result, termination=termination, reason=reason, plies=len(moves),
                  moves=moves, sans=sans, comments=comments, time_use={})
    for side, engine in players.items():
        u = use[side]
        entry = {"moves": u["moves"], "thinking_seconds": round(u["thinking"], 3), "longest_move": u["longest"]}
        if tc.kind != "depth":
            entry.update(offered_seconds=round(u["offered"], 3), largest_fraction=u["largest"])
        if tc.moves:
            entry["largest_fraction_before_control"] = u["before_control"]
        if tc.kind == "clock":
            entry["clock_at_end"] = round(clocks[side], 3)
            if tc.inc:
                # How far the increments lifted the clock above the time the sessions gave.
                entry["clock_climb"] = round(clocks[side] - tc.base * (1 + u["sessions"]), 3)
        record["time_use"][engine.label] = entry
    for engine in (white, black):
        if engine is faulty:
            continue
        try:
            engine.end_game(moves, result, reason)
        except EngineFault as fault:
            # A fault after the result is not the game's, but it is still a fault.
            record.setdefault("late_faults", []).append(
                {"engine": engine.label, "kind": fault.kind, "detail": fault.detail + " (after the game)",
                 "dialogue": list(engine.proc.recent)})
            engine.stats["faults"] += 1
            engine.broken = True
        for ply, claimed, line in getattr(engine, "claims", []):
            if claimed != result or ply != len(moves):
                engine.warn("False result claim", f"{line!r} at ply {ply} (game {game_no}: {result})",
                            "false_claims")
    if faulty:
        faulty.stats["faults"] += 1
        faulty.broken = True  # a broken process is not trusted with the next game
    return record


def pgn_text(record, tc, event):
    tags = [("Event", event), ("Site", os.uname().nodename), ("Date", time.strftime("%Y.%m.%d")),
            ("Round", str(record["round"])), ("White", record["white"]), ("Black", record["black"]),
            ("Result", record["result"])]
    if record.get("fen"):
        tags += [("SetUp", "1"), ("FEN", record["fen"])]
    tags += [("TimeControl", tc.pgn_tag()), ("Termination", record["termination"]),
             ("PlyCount", str(record["plies"]))]
    if record["opening"]:
        tags.append(("Opening", record["opening"]))
    head = "".join(f'[{k} "{v.replace(chr(92), "").replace(chr(34), chr(39))}"]\n' for k, v in tags)
    tokens = []
    first = ply_number(record["fen"].split()) if record.get("fen") else 0
    for i, (text, comment) in enumerate(zip(record["sans"], record["comments"])):
        ply = first + i
        if ply % 2 == 0:
            tokens.append(f"{ply // 2 + 1}.")
        elif i == 0:
            tokens.append(f"{ply // 2 + 1}...")
        tokens.append(text)
        if comment:
            tokens.append("{" + comment + "}")
    tokens += ["{" + record["reason"] + "}", record["result"]]
    lines, line = [], ""
    for token in tokens:
        if line and len(line) + 1 + len(token) > 79:
            lines.append(line)
            line = token
        else:
            line = f"{line} {token}" if line else token
    return head + "\n" + "\n".join(lines + [line]) + "\n\n"


def read_openings(path, oracle):
    """Openings from a file, one a line: coordinate moves from the start position, or a
    position as FEN or EPD; a '#' comment names either, as does an EPD line's id."""
    openings = []
    try:
        lines = open(path, encoding="utf-8").read().splitlines()
    except OSError as err:
        usage_error(f"cannot read the openings: {err}")
    for number, raw in enumerate(lines, 1):
        if "/" in raw.split("#", 1)[0]:
            openings.append(read_position(raw, f"{path}:{number}", oracle))
            continue
        text, _, name = raw.partition("#")
        words = text.split()
        if not words:
            continue
        bad = [w for w in words if not MOVE_RE.match(w)]
        if bad or oracle.plies_applied(words) != len(words):
            usage_error(f"{path}:{number}: not a legal line of moves: {text.strip()}")
        # A score in brackets after the name is a note on the line, not part of its name.
        name = re.sub(r"\s*\([+-]?\d+\)\s*$", "", name.strip())
        openings.append({"name": name, "moves": words})
    if not openings:
        usage_error(f"{path}: no opening lines")
    return openings


EPD_OPERATION = re.compile(r'\s*([A-Za-z]\w*)((?:\s+(?:"[^"]*"|[^\s;"]+))*)\s*(?:;|$)')


def read_position(raw, where, oracle):
    """One opening given as a position: a FEN (4 to 6 fields), or the 4 fields of an EPD
    line and its operations, of which hmvc and fmvn give the move counters and id the name.
    A '#' comment (after a blank) or anything after a ';' that is no operation is passed over."""
    text, comment = (re.split(r"(?:^|\s)#", raw, maxsplit=1) + [""])[:2]
    head, _, tail = text.partition(";")
    words = head.split()
    fields, counters = words[:4], []
    rest = words[4:]
    while rest and len(counters) < 2 and rest[0].isdigit():
        counters.append(rest.pop(0))
    operations = {}
    for m in EPD_OPERATION.finditer(" ".join(rest) + (";" + tail if tail else "")):
        operations.setdefault(m[1], m[2].strip().strip('"'))
    halfmove = counters[0] if counters else operations.get("hmvc", "0")
    fullmove = counters[1] if len(counters) > 1 else operations.get("fmvn", "1")
    fen = " ".join(fields + [halfmove, fullmove])
    problem = fen_problem(fields, halfmove, fullmove)
    if not problem:
        pos = oracle.position([], fen)
        flipped = " ".join([fields[0], "b" if fields[1] == "w" else "w", fields[2], "-", "0", "1"])
        if oracle.position([], flipped).in_check:
            problem = "the side not to move is in check"
        elif not pos.legal:
            problem = "the side to move has no legal move"
    if problem:
        usage_error(f"{where}: not a usable position ({problem}): {text.strip()}")
    name = comment.strip() or operations.get("id", "")
    return {"name": re.sub(r"\s*\([+-]?\d+\)\s*$", "", name), "fen": fen, "moves": []}


def fen_problem(fields, halfmove, fullmove):
    """What is wrong with a FEN as text (the oracle is not asked about a malformed one), or None."""
    if len(fields) < 4:
        return "fewer than four fields"
    ranks = fields[0].split("/")
    if len(ranks) != 8 or any(not re.fullmatch(r"[pnbrqkPNBRQK1-8]+", r) for r in ranks):
        return "the placement is not eight ranks of pieces and digits"
    if any(sum(int(c) if c.isdigit() else 1 for c in r) != 8 for r in ranks):
        return "a rank is not eight squares long"
    if fields[0].count("K") != 1 or fields[0].count("k") != 1:
        return "each side needs one king"
    if re.search(r"[pP]", ranks[0] + ranks[7]):
        return "a pawn on the first or last rank"
    if fields[1] not in ("w", "b"):
        return "the side to move is not w or b"
    if not re.fullmatch(r"-|K?Q?k?q?", fields[2]):
        return "the castling field is not - or of KQkq"
    board = Position([], fields[0], False).board()
    for right, king, rook in (("K", "e1", "h1"), ("Q", "e1", "a1"), ("k", "e8", "h8"), ("q", "e8", "a8")):
        white = right.isupper()
        if right in fields[2] and board.get(king) != ("K" if white else "k"):
            return f"castling right {right} without the king on {king}"
        if right in fields[2] and board.get(rook) != ("R" if white else "r"):
            return f"castling right {right} without the rook on {rook}"
    if not re.fullmatch(r"-|[a-h]" + ("6" if fields[1] == "w" else "3"), fields[3]):
        return "the en passant field is not - or a square behind a pawn of the side not to move"
    if not halfmove.isdigit() or not fullmove.isdigit() or int(fullmove) < 1:
        return "the move counters are not numbers (the move number from 1)"
    return None


def find_program(name, require):
    """A program's path; a missing Debian engine is installed with apt-get first."""
    if shutil.which(name):
        return shutil.which(name)
    if name not in KNOWN_PACKAGES:
        usage_error(f"no program {name!r} (not found, or not executable)")
    else:
        print(f"installing {name} with apt-get", file=sys.stderr)
        install = ["apt-get", "-o", "DPkg::Lock::Timeout=300", "install", "-y", name]
        if subprocess.call(install, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) != 0:
            subprocess.call(["apt-get", "update"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.call(install, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if shutil.which(name):
        return shutil.which(name)
    if require:
        raise SystemExit(f"FAIL: {name} is not installed and apt-get could not install it")
    print(f"SKIPPED: {name} is not installed and apt-get could not install it")
    sys.exit(0)


def hold_match_lock(path):
    """One match at a time on the machine; a lock an ancestor (flock(1)) holds is ours."""
    fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o666)
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        return fd
    except BlockingIOError:
        pass
    inode, holders = os.fstat(fd).st_ino, set()
    with open("/proc/locks") as locks:
        for line in locks:
            f = line.split()
            if len(f) > 5 and f[1] == "FLOCK" and int(f[5].split(":")[2]) == inode:
                holders.add(int(f[4]))
    pid = os.getppid()
    while pid > 1:
        if pid in holders:
            return fd
        with open(f"/proc/{pid}/stat") as stat:
            pid = int(stat.read().rsplit(")", 1)[1].split()[1])
    print(f"waiting for {path} (another match is running)", file=sys.stderr)
    fcntl.flock(fd, fcntl.LOCK_EX)
    return fd


def usage_error(message):
    print(f"tourney.py: {message}", file=sys.stderr)
    sys.exit(2)


def engine_settings(words):
    settings = {"args": [], "options": {}}
    for word in words:
        key, eq, value = word.partition("=")
        if not eq:
            usage_error(f"--engine takes KEY=VALUE words, not {word!r}")
        if key == "arg":
            settings["args"].append(value)
        elif key == "args":
            settings["args"] += shlex.split(value)
        elif key.startswith("option."):
            settings["options"][key[7:]] = value
        elif key in ("cmd", "proto", "name", "dir"):
            settings[key] = value
        else:
            usage_error(f"--engine: unknown key {key!r}")
    if "cmd" not in settings:
        usage_error("--engine needs cmd=PATH")
    if settings.setdefault("proto", "xboard") not in ("uci", "xboard"):
        usage_error("--engine: proto is uci or xboard")
    return settings


POLYGLOT_LINE = re.compile(r"^\S+ (GUI->Adapter|Adapter->Engine|Engine->Adapter): (.*)$")


def check_polyglot_log(path, oracle):
    """(PV lines checked, illegal PV lines, lowest clock in seconds or None) of one game.

    Each search is judged against the position it searched: the engine answers every go with
    one bestmove, in order, so its output belongs to the oldest go not yet answered. That
    matters after a ponder miss, when polyglot sends stop and the next position and go at
    once, and the stopped search's last lines come after them."""
    moves, searches, pvs, checked, illegal, lowest = [], collections.deque(), [], 0, [], None
    with open(path, errors="replace") as log:
        for raw in log:
            m = POLYGLOT_LINE.match(raw.rstrip("\n"))
            if not m:
                continue
            who, text = m.groups()
            words = text.split()
            if who == "GUI->Adapter" and words[:1] == ["time"]:
                seconds = int(words[1]) / 100
                lowest = seconds if lowest is None else min(lowest, seconds)
            elif who == "Adapter->Engine" and words[:1] == ["position"]:
                # Only a game from the start position can be replayed to the oracle.
                moves = words[3:] if words[1:3] == ["startpos", "moves"] else [] if words[1:2] == ["startpos"] else None
            elif who == "Adapter->Engine" and words[:1] == ["go"]:
                searches.append(moves)
            elif who == "Engine->Adapter" and words[:1] == ["info"] and "pv" in words:
                pvs.append((text, words[words.index("pv") + 1:]))
            elif who == "Engine->Adapter" and words[:1] == ["bestmove"]:
                searched = searches.popleft() if searches else moves
                for line, pv in (pvs if searched is not None else []):
                    checked += 1
                    if oracle.plies_applied(searched + pv) - len(searched) < len(pv):
                        illegal.append(line)
                pvs = []
    return checked, illegal, lowest


def check_logs(args):
    """--check-logs: the PVs and the clock of every game directory's polyglot.log."""
    oracle = Oracle(find_program(args.oracle, args.require), None)
    failed = False
    total_checked, total_illegal, floor = 0, 0, None
    for d in args.check_logs:
        path = os.path.join(d, "polyglot.log")
        if not os.path.exists(path):
            continue  # an XBoard game: no adapter between xboard and the engine
        checked, illegal, lowest = check_polyglot_log(path, oracle)
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
    print(f"{len(args.check_logs)} games, {total_checked} principal variations checked, "
          f"{total_illegal} with an illegal move; lowest clock "
          f"{'-' if floor is None else f'{floor:.2f} s'}")
    return 1 if failed else 0


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0], epilog=(
        "engine keys: cmd=PATH (required) proto=uci|xboard (default xboard) name=NAME dir=WORKDIR "
        "arg=ARG (repeatable) option.NAME=VALUE (UCI setoption). One --engine plays itself."))
    p.add_argument("--engine", action="append", nargs="+", metavar="KEY=VALUE")
    p.add_argument("--tc", type=TimeControl, default=TimeControl("5+0.05"),
                   help="[MOVES/]BASE[+INC] in seconds, st=SECONDS a move, or depth=N (default 5+0.05)")
    p.add_argument("--games", type=int, help="games to play (default: each opening twice, or 2)")
    p.add_argument("--openings", help="file of openings (lines of moves, or FEN/EPD positions), "
                   "each played with both colours")
    p.add_argument("--bridge", action="store_true",
                   help="drive XBoard engines with force/go for every move; they must declare ping=1")
    p.add_argument("--max-moves", type=int, default=200, help="adjudicate a draw after this many moves (0: never)")
    p.add_argument("--grace", type=float,
                   help="seconds past the clock before a silence is a stall (default 3; with depth=N, 60 a move)")
    p.add_argument("--time-margin", type=float, default=0.0, help="seconds an engine may overstep its clock")
    p.add_argument("--init-timeout", type=float, default=10.0, help="seconds for handshakes and ping/isready")
    p.add_argument("--pv-check", choices=("last", "all", "off"), default="last",
                   help="UCI PVs checked for legality: the last of each move, all, or none")
    p.add_argument("--min-clock-before-move", nargs=2, type=float, metavar=("MOVE", "SECONDS"),
                   help="fail when an engine's clock is below SECONDS at a move numbered below MOVE")
    p.add_argument("--max-warnings", type=int, default=3, help="warnings of each kind printed per engine")
    p.add_argument("--pgn", default="games.pgn")
    p.add_argument("--summary", help="JSON summary (default: the PGN's name with .json)")
    p.add_argument("--log", help="write the whole time-stamped dialogue to this file")
    p.add_argument("--event", default="Kelvorante match")
    p.add_argument("--oracle", default="stockfish", help="the stockfish used as rules checker")
    p.add_argument("--require", action="store_true", help="a program that cannot be installed fails the run")
    p.add_argument("--no-lock", action="store_true", help=f"do not take {LOCK_PATH}")
    p.add_argument("--check-logs", nargs="+", metavar="GAME_DIR",
                   help="play nothing: check the PVs and clocks in each GAME_DIR/polyglot.log")
    p.add_argument("--min-clock", type=float, default=1.5,
                   help="with --check-logs: the lowest clock in seconds an engine may reach")
    args = p.parse_args(argv)
    if args.grace is None:
        args.grace = 60.0 if args.tc.kind == "depth" else 3.0
    if args.check_logs:
        if args.engine:
            p.error("--check-logs plays no games: give no --engine")
        return args
    if not args.engine:
        p.error("the following arguments are required: --engine")
    args.engine = [engine_settings(words) for words in args.engine]
    if len(args.engine) == 1:
        args.engine.append(dict(args.engine[0]))
    if len(args.engine) != 2:
        p.error("give one engine (self-play) or two")
    return args


def main(argv):
    args = parse_args(argv)
    os.environ["PATH"] += os.pathsep + "/usr/games"  # where Debian installs chess engines
    if args.check_logs:
        return check_logs(args)
    log = Log(args.log)
    oracle_path = find_program(args.oracle, args.require)
    for settings in args.engine:
        settings["cmd"] = find_program(settings["cmd"], args.require)
    lock = None if args.no_lock else hold_match_lock(LOCK_PATH)
    oracle = Oracle(oracle_path, log)
    openings = read_openings(args.openings, oracle) if args.openings else [{"name": "", "moves": []}]
    args.fen_openings = any(o.get("fen") for o in openings)
    games = args.games if args.games is not None else (2 * len(openings) if args.openings else 2)
    engines = [(UciEngine if s["proto"] == "uci" else XboardEngine)(s, args, log) for s in args.engine]
    try:
        for engine in engines:
            engine.start()
    except Refused as refusal:
        print(f"FAIL: {refusal}")
        for engine in engines:
            engine.stop()
        return 1
    if engines[0].label == engines[1].label:
        # Self-play: the second process keeps a name of its own, also across restarts.
        engines[1].label = engines[1].proc.label = engines[1].settings["name"] = engines[1].label + " (2)"
    print(f"{games} games, {engines[0].label} ({engines[0].protocol}) against {engines[1].label} "
          f"({engines[1].protocol}), {args.tc.text}{', bridge style' if args.bridge else ''}")
    records, failures = [], []
    with open(args.pgn, "w", encoding="utf-8") as pgn:
        for number in range(1, games + 1):
            first, second = engines if number % 2 else engines[::-1]
            opening = openings[(number - 1) // 2 % len(openings)]
            try:
                record = play_game(number, first, second, opening, args.tc, oracle, args)
            except Refused as refusal:
                failures.append(f"an engine could not be restarted: {refusal}")
                break
            records.append(record)
            pgn.write(pgn_text(record, args.tc, args.event))
            pgn.flush()
            tally(record, first, second)
            print(f"game {number:3d}  {record['white']} - {record['black']}  {record['result']}  "
                  f"{{{record['reason']}}}  {record['plies']} plies  {opening['name']}", flush=True)
            for fault in ([record["fault"]] if record["fault"] else []) + record.get("late_faults", []):
                failures.append(f"game {number}: {fault['engine']}: {fault['kind']}: {fault['detail']}")
                print(f"FAIL: {failures[-1]}\n  last dialogue:\n    " + "\n    ".join(fault["dialogue"]))
    for engine in engines:
        engine.stop()
    failures += [f"game {r['round']}: {text}" for r in records for text in r["clock_rule"].values()]
    report(engines, records, failures, args)
    if lock is not None:
        os.close(lock)
    return 1 if failures else 0


def tally(record, white, black):
    points = {"1-0": (1, 0), "0-1": (0, 1), "1/2-1/2": (0.5, 0.5)}[record["result"]]
    for engine, score in zip((white, black), points):
        s = engine.stats
        s["games"] += 1
        s["wins" if score == 1 else "draws" if score == 0.5 else "losses"] += 1
        low = record["lowest_clock"].get(engine.label)
        if low and (s["lowest_clock"] is None or low["seconds"] < s["lowest_clock"]["seconds"]):
            s["lowest_clock"] = dict(low, game=record["round"])
        game, total = record["time_use"].get(engine.label), s["time_use"]
        if not game:
            continue
        total["moves"] += game["moves"]
        total["thinking_seconds"] = round(total["thinking_seconds"] + game["thinking_seconds"], 3)
        if total["moves"]:
            total["average_move_seconds"] = round(total["thinking_seconds"] / total["moves"], 3)
        if "offered_seconds" in total:
            total["offered_seconds"] = round(total["offered_seconds"] + game["offered_seconds"], 3)
            if total["offered_seconds"] > 0:
                total["share_used_percent"] = round(100 * total["thinking_seconds"] / total["offered_seconds"], 1)
        for key, by in (("longest_move", "seconds"), ("largest_fraction", "percent"),
                        ("largest_fraction_before_control", "percent")):
            if key in total and game.get(key) and higher(total[key], game[key], by):
                total[key] = dict(game[key], game=record["round"])
        if "highest_clock_climb" in total and game["moves"]:
            climb = {"seconds": game["clock_climb"], "game": record["round"]}
            if higher(total["highest_clock_climb"], climb, "seconds"):
                total["highest_clock_climb"] = climb


def where(figure, key, unit):
    """A figure with the move and game it was seen at, or '-'."""
    if not figure:
        return "-"
    at = f"move {figure['move']}, game {figure['game']}" if "move" in figure else f"game {figure['game']}"
    return f"{figure[key]:.{1 if unit == '%' else 3}f}{unit} ({at})"


def time_use_table(engines, tc):
    """The closing table of time use: which columns depends on the kind of control."""
    columns = [("moves", 5, lambda t: str(t["moves"])),
               ("avg move", 8, lambda t: "-" if t["average_move_seconds"] is None
                else f"{t['average_move_seconds']:.3f} s"),
               ("longest move (move, game)", 27, lambda t: where(t["longest_move"], "seconds", " s"))]
    if tc.kind != "depth":
        columns += [("time used", 9, lambda t: "-" if t["share_used_percent"] is None
                     else f"{t['share_used_percent']:.1f}%"),
                    ("most of clock (move, game)" if tc.kind == "clock" else "most of st (move, game)", 26,
                     lambda t: where(t["largest_fraction"], "percent", "%"))]
    if tc.moves:
        columns.append(("before control (move, game)", 27,
                        lambda t: where(t["largest_fraction_before_control"], "percent", "%")))
    if tc.kind == "clock" and tc.inc:
        columns.append(("clock climb (game)", 18, lambda t: where(t["highest_clock_climb"], "seconds", " s")))
    print(f"\n{'time use':28} " + " ".join(f"{title:>{width}}" for title, width, _ in columns))
    for e in engines:
        print(f"{e.label[:28]:28} " + " ".join(f"{show(e.stats['time_use']):>{width}}"
                                                for _, width, show in columns))


def report(engines, records, failures, args):
    print(f"\n{'engine':28} {'games':>5} {'+':>4} {'=':>4} {'-':>4} {'score':>6}  "
          f"{'lowest clock (move, game)':26} {'illegal PV':>10} {'mate as cp':>10} {'false claims':>12}")
    for e in engines:
        s = e.stats
        low = s["lowest_clock"]
        low_text = f"{low['seconds']:.2f} s (move {low['move']}, game {low['game']})" if low else "-"
        score = s["wins"] + s["draws"] / 2
        print(f"{e.label[:28]:28} {s['games']:5d} {s['wins']:4d} {s['draws']:4d} {s['losses']:4d} {score:6.1f}  "
              f"{low_text:26} {s['illegal_pv']:10d} {s['mate_as_cp']:10d} {s['false_claims']:12d}")
    time_use_table(engines, args.tc)
    summary = {"time_control": args.tc.text, "bridge": args.bridge, "failures": failures,
               "engines": [dict(e.stats, name=e.label, protocol=e.protocol, cmd=e.settings["cmd"]) for e in engines],
               "games": [{k: v for k, v in r.items() if k not in ("sans", "comments")} for r in records]}
    path = args.summary or re.sub(r"(\.pgn)?$", ".json", args.pgn, count=1)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=1)
    print(f"PGN: {args.pgn}; summary: {path}")
    for failure in failures:
        print(f"FAIL: {failure}")
    print("FAILED" if failures else "all games ended regularly")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
