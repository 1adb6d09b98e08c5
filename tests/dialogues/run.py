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
        if isinstance(node, ast.Constant) and isinstance(node.value, str):
            return node.value.encode("latin-1")
        if isinstance(node, ast.Constant) and isinstance(node.value, int):
            return node.value
        if isinstance(node, ast.BinOp) and isinstance(node.op, (ast.Add, ast.Mult)):
            left, right = value(node.left), value(node.right)
            return left + right if isinstance(node.op, ast.Add) else left * right
        if isinstance(node, ast.Call) and getattr(node.func, "id", "") == "random":
            count, seed = (value(arg) for arg in node.args)
            out = bytearray()
            for _ in range(count):
                seed = (seed * 1103515245 + 12345) & 0xFFFFFFFF
                out.append(seed >> 23 & 0xFF)
            return bytes(out)
        raise Failure("not a data expression: " + text)

    return value(ast.parse(text, mode="eval").body)


class Rules:
    """Debian's stockfish as an independent judge: "go perft 1" lists the legal moves."""

    def __init__(self):
        self.proc = None

    def legal_moves(self, position):
        if self.proc is None:
            if not os.access(STOCKFISH, os.X_OK):
                raise Failure(STOCKFISH + " is needed to check moves (apt-get install stockfish)")
            self.proc = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, text=True)
        self.proc.stdin.write("position %s\ngo perft 1\n" % position)
        self.proc.stdin.flush()
        moves = []
        for line in self.proc.stdout:
            if line.startswith("Nodes searched"):
                return moves
            found = re.match(r"([a-h][1-8][a-h][1-8][qrbn]?): \d+$", line)
            if found:
                moves.append(found.group(1))
        raise Failure("stockfish ended without listing the moves")

    def close(self):
        if self.proc:
            self.proc.stdin.close()
            self.proc.wait()


class Engine:
    """The engine's process: lines to its input, lines read from its output."""

    def __init__(self, binary, cwd):
        self.proc = subprocess.Popen([binary], cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
        os.set_blocking(self.proc.stdin.fileno(), False)
        self.pending = b""
        self.at_end = False  # the engine's output has ended
        self.lines = []

    def read_some(self, timeout):
        ready, _, _ = select.select([self.proc.stdout], [], [], max(timeout, 0))
        if ready:
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            self.pending += chunk
            self.at_end = not chunk
        return bool(ready)

    def send(self, payload):
        if self.proc.stdin.closed:
            raise Failure("the engine's input is closed")
        deadline = time.monotonic() + PATIENCE
        while payload:
            readers = [] if self.proc.stdout.closed or self.at_end else [self.proc.stdout]
            ready, writable, _ = select.select(readers, [self.proc.stdin], [], PATIENCE)
            if ready:  # what the engine prints meanwhile, so that it never blocks
                self.read_some(0)
            if writable:
                try:
                    payload = payload[os.write(self.proc.stdin.fileno(), payload):]
                except BlockingIOError:
                    pass
                except BrokenPipeError:
                    raise Failure("the engine no longer reads its input")
            if time.monotonic() > deadline:
                raise Failure("the engine took no input for %d seconds" % PATIENCE)

    def next_line(self):
        """The next line of output; None when the output has ended."""
        deadline = time.monotonic() + PATIENCE
        while b"\n" not in self.pending and not self.at_end:
            if not self.read_some(deadline - time.monotonic()):
                raise Failure("no line came within %d seconds" % PATIENCE)
        if b"\n" not in self.pending and not self.pending:
            return None
        line, _, self.pending = self.pending.partition(b"\n")
        self.lines.append(line.decode("latin-1"))
        return self.lines[-1]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Dialogue:
    def __init__(self, binary, path):
        self.binary, self.path = binary, path
        self.work = tempfile.mkdtemp(prefix="kelvorante-dialogue-")
        self.engine = None
        self.rules = Rules()
        self.groups = ()  # what the last pattern captured
        self.forbidden = []
        self.position = ("startpos", [])
        self.ended = False  # the exit has been checked

    # --- the position the engine is in, as the transcript states it
    def position_text(self, moves=None):
        base, played = self.position
        moves = played if moves is None else moves
        return base + (" moves " + " ".join(moves) if moves else "")

    def check_moves(self, words, keep):
        moves = list(self.position[1])
        for move in words:
            legal = self.rules.legal_moves(self.position_text(moves))
            if move not in legal:
                raise Failure("%s is not legal in position %s (legal: %s)"
                              % (move, self.position_text(moves), " ".join(legal) or "none"))
            moves.append(move)
        if keep:
            self.position = (self.position[0], moves)

    def substitute(self, text):
        def group(found):
            if found.group(1) == "position":
                return self.position_text()
            index = int(found.group(1))
            if index > len(self.groups) or self.groups[index - 1] is None:
                raise Failure("the last pattern captured no group %d" % index)
            return self.groups[index - 1]

        return re.sub(r"\$(\d|position)", group, text)

    # --- lines read from the engine
    def line(self):
        text = self.started().next_line()
        for pattern in self.forbidden:
            if text is not None and re.search(pattern, text):
                raise Failure("a line that may not come now: " + text)
        return text

    def expect(self, kind, wanted):
        while True:
            text = self.line()
            if text is None:
                raise Failure("the output ended; expected: " + wanted)
            found = re.fullmatch(wanted, text) if kind.endswith("~") else text == wanted
            if found:
                self.groups = found.groups() if kind.endswith("~") else ()
                return
            if not kind.startswith("<<"):
                raise Failure("expected: %s\n     got: %s" % (wanted, text))

    def exit(self, status, seconds):
        engine = self.started()
        deadline = time.monotonic() + seconds
        while not engine.proc.stdout.closed and not engine.at_end:
            if engine.read_some(deadline - time.monotonic()):
                while b"\n" in engine.pending or (engine.at_end and engine.pending):
                    self.line()
            elif time.monotonic() >= deadline:
                raise Failure("the engine still runs after %s seconds" % seconds)
        try:
            code = engine.proc.wait(max(deadline - time.monotonic(), 0.1))
        except subprocess.TimeoutExpired:
            raise Failure("the engine still runs after %s seconds" % seconds)
        self.ended = True
        if code != status:
            raise Failure("exit status %d, expected %d" % (code, status))

    def started(self):
        if self.engine is None:
            self.engine = Engine(self.binary, self.work)
        return self.engine

    # --- one transcript line
    def step(self, line):
        word, _, rest = line.partition(" ")
        file_path = os.path.join(self.work, rest.split(" ")[0])
        if word == ">":
            self.started().send(self.substitute(rest).encode("latin-1") + b"\n")
        elif word in ("<", "<<", "<~", "<<~"):
            self.expect(word, rest)
        elif word == "@send":
            self.started().send(data(rest))
        elif word == "@file":
            with open(file_path, "wb") as f:
                f.write(data(rest.partition(" ")[2]))
        elif word == "@expect-file":
            with open(file_path, "rb") as f:
                if f.read() != data(rest.partition(" ")[2]):
                    raise Failure("the file holds something else")
        elif word == "@copy":
            source, target = rest.split()
            shutil.copyfile(os.path.join(ROOT, source), os.path.join(self.work, target))
        elif word == "@mkdir":
            os.mkdir(file_path)
        elif word == "@position":
            words = rest.split()
            cut = words.index("moves") if "moves" in words else len(words)
            self.position = (" ".join(words[:cut]), words[cut + 1:])
        elif word in ("@legal", "@play"):
            self.check_moves(self.substitute(rest).split(), keep=word == "@play")
        elif word == "@forbid":
            self.forbidden.append(rest)
        elif word == "@allow":
            self.forbidden = [p for p in self.forbidden if rest and p != rest]
        elif word == "@close-input":
            self.started().proc.stdin.close()
        elif word == "@close-output":
            self.started().proc.stdout.close()
        elif word == "@eof":
            text = self.line()
            if text is not None:
                raise Failure("expected the end of the output, got: " + text)
        elif word == "@exit":
            found = re.fullmatch(r"(\d+) within (\d+)", rest)
            if not found:
                raise Failure("@exit STATUS within SECONDS")
            self.exit(int(found.group(1)), int(found.group(2)))
        else:
            raise Failure("unknown line: " + line)

    def run(self):
        number = 0
        try:
            with open(self.path, encoding="utf-8") as f:
                for number, raw in enumerate(f, 1):
                    line = raw.rstrip("\n")
                    if line.strip() and not line.startswith("#"):
                        self.step(line)
            number += 1
            if not self.ended:  # the interface goes away: the engine must end at once
                if not self.started().proc.stdin.closed:
                    self.engine.proc.stdin.close()
                self.exit(0, PATIENCE)
            return True
        except Failure as failure:
            print("%s:%d: %s" % (self.path, number, failure))
            if self.engine:
                print("the last lines the engine printed:")
                for text in self.engine.lines[-20:]:
                    print("    | " + text)
            return False
        finally:
            if self.engine:
                self.engine.stop()
            self.rules.close()
            shutil.rmtree(self.work, ignore_errors=True)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    failed = [path for path in sys.argv[2:] if not Dialogue(sys.argv[1], path).run()]
    print("%d of %d transcripts passed" % (len(sys.argv) - 2 - len(failed), len(sys.argv) - 2))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
