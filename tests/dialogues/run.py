#!/usr/bin/env python3
"""Plays dialogue transcripts with the engine, as an interface would:

    run.py ENGINE TRANSCRIPT...

Each transcript runs against a fresh engine process in a fresh working directory. The
format is described in README.md beside this file. Exits 1 when a transcript fails,
naming its file and line and showing the last lines the engine printed."""
import ast
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STOCKFISH = "/usr/games/stockfish"
# How long an expected line or an exit may take: a guard against hangs, never a measure.
PATIENCE = 60


class Failure(Exception):
    pass


def data(text):
    """Bytes from a data expression: Python string literals (\\n, \\0, \\xNN ...) joined
    with +, repeated with * N, and random(N, SEED) for N bytes of every value."""

    def value(node):
        if isinstance(node, ast.Constant) and isinstance(node.value, (str, int)):
            return node.value.encode("latin-1") if isinstance(node.value, str) else node.value
        if isinstance(node, ast.BinOp) and isinstance(node.op, ast.Add):
            return value(node.left) + value(node.right)
        if isinstance(node, ast.BinOp) and isinstance(node.op, ast.Mult):
            return value(node.left) * value(node.right)
        if isinstance(node, ast.Call) and getattr(node.func, "id", "") == "random":
            count, seed = map(value, node.args)
            out = bytearray()
            for _ in range(count):
                seed = (seed * 1103515245 + 12345) & 0xFFFFFFFF
                out.append(seed >> 23 & 0xFF)
            return bytes(out)
        raise Failure("not a data expression: " + text)

    return value(ast.parse(text, mode="eval").body)


judge = None  # Debian's stockfish, started when a move is first checked


def legal_moves(position, chess960=False):
    """The legal moves of a position in UCI form, as stockfish's "go perft 1" lists them
    (in Chess960, castling as the king taking its own rook)."""
    global judge
    if judge is None:
        if not os.access(STOCKFISH, os.X_OK):
            raise Failure(STOCKFISH + " is needed to check moves (apt-get install stockfish)")
        judge = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 text=True)
    judge.stdin.write("setoption name UCI_Chess960 value %s\nposition %s\ngo perft 1\n"
                      % ("true" if chess960 else "false", position))
    judge.stdin.flush()
    moves = []
    for line in judge.stdout:
        if line.startswith("Nodes searched"):
            return moves
        moves += re.findall(r"^([a-h][1-8][a-h][1-8][qrbn]?): \d+$", line)
    raise Failure("stockfish ended without listing the moves")


class Dialogue:
    def __init__(self, binary, path):
        self.binary, self.path = os.path.abspath(binary), path
        self.work = tempfile.mkdtemp(prefix="kelvorante-dialogue-")
        self.proc = None
        self.pending, self.at_end, self.lines = b"", False, []  # the engine's output
        self.groups, self.forbidden = (), []  # what the last regex captured; @forbid
        self.base, self.moves = "startpos", []  # the position the transcript follows
        self.chess960 = False  # its rules
        self.ended = False  # the exit has been checked

    def engine(self):
        if self.proc is None:
            self.proc = subprocess.Popen([self.binary], cwd=self.work, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE)
            os.set_blocking(self.proc.stdin.fileno(), False)
        return self.proc

    def read_some(self, timeout):
        """Reads what the engine has printed; False when nothing came within timeout."""
        out = self.engine().stdout
        if out.closed or self.at_end or not select.select([out], [], [], max(timeout, 0))[0]:
            return False
        chunk = os.read(out.fileno(), 65536)
        self.pending += chunk
        self.at_end = not chunk
        return True

    def send(self, payload):
        stdin = self.engine().stdin
        if stdin.closed:
            raise Failure("the engine's input is closed")
        deadline = time.monotonic() + PATIENCE
        while payload:
            # What the engine prints meanwhile is read, so that it never blocks on it.
            self.read_some(0)
            if select.select([], [stdin], [], 0.05)[1]:
                try:
                    payload = payload[os.write(stdin.fileno(), payload):]
                except BlockingIOError:
                    pass
                except BrokenPipeError:
                    raise Failure("the engine no longer reads its input")
            if time.monotonic() > deadline:
                raise Failure("the engine took no input for %d seconds" % PATIENCE)

    def line(self):
        """The engine's next line, checked against @forbid; None when its output has ended."""
        deadline = time.monotonic() + PATIENCE
        while b"\n" not in self.pending and not self.at_end:
            if not self.read_some(deadline - time.monotonic()):
                raise Failure("no line came within %d seconds" % PATIENCE)
        if not self.pending:
            return None
        text, _, self.pending = self.pending.partition(b"\n")
        self.lines.append(text.decode("latin-1"))
        for pattern in self.forbidden:
            if re.search(pattern, self.lines[-1]):
                raise Failure("a line that may not come now: " + self.lines[-1])
        return self.lines[-1]

    def expect(self, kind, wanted):
        while True:
            text = self.line()
            if text is None:
                raise Failure("the output ended; expected: " + wanted)
            found = re.fullmatch(wanted, text) if kind.endswith("~") else text == wanted
            if found:
                # A pattern without groups leaves the last captures for later lines.
                if kind.endswith("~") and found.groups():
                    self.groups = found.groups()
                return
            if not kind.startswith("<<"):
                raise Failure("expected: %s\n     got: %s" % (wanted, text))

    def exit(self, status, seconds):
        proc, deadline = self.engine(), time.monotonic() + seconds
        while not proc.stdout.closed and not self.at_end:
            if time.monotonic() >= deadline:
                raise Failure("the engine still runs after %s seconds" % seconds)
            if self.read_some(deadline - time.monotonic()):
                while b"\n" in self.pending or (self.at_end and self.pending):
                    self.line()
        try:
            code = proc.wait(max(deadline - time.monotonic(), 0.1))
        except subprocess.TimeoutExpired:
            raise Failure("the engine still runs after %s seconds" % seconds)
        self.ended = True
        if code != status:
            raise Failure("exit status %d, expected %d" % (code, status))

    def position(self, moves):
        return self.base + (" moves " + " ".join(moves) if moves else "")

    def substitute(self, text, escape=False):
        def group(found):
            if found.group(1) == "position":
                value = self.position(self.moves)
            else:
                index = int(found.group(1))
                if index > len(self.groups) or self.groups[index - 1] is None:
                    raise Failure("the last pattern captured no group %d" % index)
                value = self.groups[index - 1]
            return re.escape(value) if escape else value

        return re.sub(r"\$(\d|position)", group, text)

    def check_moves(self, words, keep):
        moves = list(self.moves)
        for move in words:
            legal = legal_moves(self.position(moves), self.chess960)
            if move not in legal:
                raise Failure("%s is not legal in position %s (legal: %s)"
                              % (move, self.position(moves), " ".join(legal) or "none"))
            moves.append(move)
        if keep:
            self.moves = moves

    def run_program(self, words):
        """Runs a program in the working directory (found on PATH or in /usr/games, where
        Debian keeps chess programs); its failure, or its absence, fails the transcript."""
        program = shutil.which(words[0]) or shutil.which(words[0], path="/usr/games")
        if program is None:
            raise Failure("%s is needed (apt-get install %s)" % (words[0], words[0]))
        done = subprocess.run([program] + words[1:], cwd=self.work, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=PATIENCE)
        if done.returncode != 0:
            raise Failure("%s ended with status %d:\n%s" % (" ".join(words), done.returncode,
                                                           done.stdout.decode("latin-1")))

    def step(self, line):
        word, _, rest = line.partition(" ")
        name, _, value = rest.partition(" ")
        if word == ">":
            self.send(self.substitute(rest).encode("latin-1") + b"\n")
        elif word in ("<", "<<", "<~", "<<~"):
            self.expect(word, self.substitute(rest, escape=word.endswith("~")))
        elif word == "@send":
            self.send(data(rest))
        elif word == "@file":
            with open(os.path.join(self.work, name), "wb") as f:
                f.write(data(value))
        elif word == "@expect-file":
            with open(os.path.join(self.work, name), "rb") as f:
                if f.read() != data(value):
                    raise Failure("the file holds something else")
        elif word == "@copy":
            shutil.copyfile(os.path.join(ROOT, name), os.path.join(self.work, value))
        elif word == "@mkdir":
            os.mkdir(os.path.join(self.work, name))
        elif word == "@run":
            self.run_program(rest.split())
        elif word == "@chess960":
            self.chess960 = name == "on"
        elif word == "@position":
            self.base, _, moves = rest.partition(" moves ")
            self.moves = moves.split()
        elif word in ("@legal", "@play"):
            self.check_moves(self.substitute(rest).split(), keep=word == "@play")
        elif word == "@forbid":
            self.forbidden.append(rest)
        elif word == "@allow":
            self.forbidden = [p for p in self.forbidden if rest and p != rest]
        elif word == "@close-input":
            self.engine().stdin.close()
        elif word == "@close-output":
            self.engine().stdout.close()
        elif word == "@eof":
            text = self.line()
            if text is not None:
                raise Failure("expected the end of the output, got: " + text)
        elif word == "@exit" and re.fullmatch(r"\d+ within \d+", rest):
            self.exit(int(name), int(rest.split()[-1]))
        else:
            raise Failure("unknown line: " + line)

    def run(self):
        number = 0
        try:
            with open(self.path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if line.strip() and not line.startswith("#"):
                        self.step(line.rstrip("\n"))
            number += 1
            if not self.ended:  # the interface goes away: the engine must end at once
                if not self.engine().stdin.closed:
                    self.proc.stdin.close()
                self.exit(0, PATIENCE)
            return True
        except Failure as failure:
            print("%s:%d: %s" % (self.path, number, failure))
            print("the last lines the engine printed:")
            for text in self.lines[-20:]:
                print("    | " + text)
            return False
        finally:
            if self.proc and self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait()
            shutil.rmtree(self.work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    failed = [path for path in sys.argv[2:] if not Dialogue(sys.argv[1], path).run()]
    print("%d of %d transcripts passed" % (len(sys.argv) - 2 - len(failed), len(sys.argv) - 2))
    sys.exit(1 if failed else 0)
