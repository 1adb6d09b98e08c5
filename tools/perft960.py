#!/usr/bin/env python3
"""Builds the Chess960 perft suite tests/data/perft960.epd, its counts taken from Debian's
stockfish (/usr/games/stockfish, apt-get install stockfish), which runs with one thread and
UCI_Chess960 on. Nothing is installed; without stockfish the script stops with status 1.

Usage, from the top of the source tree:

    tools/perft960.py > tests/data/perft960.epd
    tools/perft960.py walk FEN PLIES [SEED]

The first form writes the suite to standard output. The positions are the list POSITIONS
below, in groups, each written into the output under its heading. For every position the
script checks, before counting, that stockfish reads it as written: the same board, side to
move and en passant square, and the same castling rooks (the rights may be written with
KQkq, meaning the outermost rook on that side of the king, or with rook files as in HAha);
that the side not to move is not in check; that a position noted as reached by moves from a
start is the one those moves reach; and that the castling moves noted as present or absent
are so. Each line reads

    FEN ;D1 n ;D2 n ;D3 n ;D4 n [;D5 n] ;moves <the legal moves, sorted>

with D5 only where it is below 5,000,000 leaves. Moves are in stockfish's Chess960 notation,
castling written as the king taking its own rook (e1h1, b1a1, g1h1).

The second form plays PLIES random legal moves from FEN, trying seeds from SEED (default 1,
a thousand at most) until the side to move may castle in the final position, and prints the
seed, the moves and the FEN reached: this is how the middlegame positions were found.

Exit status: 0 on success; 1 when stockfish is missing, when it disagrees with the list (each
position it disagrees with is named on standard error) or when no walk ends where castling
is legal; 2 on bad usage.
"""

import random
import subprocess
import sys

STOCKFISH = "/usr/games/stockfish"
D5_LIMIT = 5_000_000


class Pos:
    """One position of the suite: its FEN; optionally the start and moves it was reached
    from; castling moves that must be legal (want) and castling moves that must not (lack)."""

    def __init__(self, fen, start=None, moves="", want="", lack=""):
        self.fen = fen
        self.start = start
        self.moves = moves.split()
        self.want = want.split()
        self.lack = lack.split()


def start(rank):
    """The Chess960 start position whose white back rank is RANK (eight letters)."""
    return f"{rank.lower()}/pppppppp/8/8/8/8/PPPPPPPP/{rank.upper()} w KQkq - 0 1"


POSITIONS = [
    ("Start positions 518 (the classical one), 0, 959, 289, 342, 746, 410, 100, 300, 600, 700,\n"
     "800 and 900 of the usual Chess960 numbering, in that order.", [
        Pos(start("rnbqkbnr")),                                         # 518
        Pos(start("bbqnnrkr").replace("KQkq", "HFhf")),                 # 0
        Pos(start("rkrnnqbb")),                                         # 959
        Pos(start("bqnbrkrn").replace("KQkq", "GEge"), want="f1g1"),   # 289
        Pos(start("nrbkqbrn")),                                         # 342
        Pos(start("rknnbbqr").replace("KQkq", "HAha")),                 # 746
        Pos(start("rqnnbbkr")),                                         # 410
        Pos(start("qbbnrnkr").replace("KQkq", "HEhe")),                 # 100
        Pos(start("qbnrkrbn")),                                         # 300
        Pos(start("rbqnbkrn").replace("KQkq", "GAga"), want="f1g1"),   # 600
        Pos(start("rbqknnbr")),                                         # 700
        Pos(start("bbrkqnrn").replace("KQkq", "GCgc"), want="d1c1"),   # 800
        Pos(start("rbbkqrnn")),                                         # 900
    ]),
    ("Middlegames reached by random moves from a start (the moves are kept with the list in\n"
     "tools/perft960.py); the side to move may castle.", [
        Pos("bqnbr1rn/ppp1ppk1/6p1/2Np3p/8/3P2N1/PPP1PPPP/B1QBRKR1 w KQ - 1 6",
            start("bqnbrkrn"), "c1b3 h7h6 b1c1 d7d5 b3c5 h6h5 h1g3 g7g6 d2d3 f8g7",
            want="f1g1"),
        Pos("nrbk2rn/1ppp1pp1/4q2p/p1b1p3/P1PP4/1P6/1B2PPPP/NR1KQBRN w GBgb - 1 7",
            start("nrbkqbrn"), "d2d3 e7e5 b2b3 h7h6 c2c4 f8a3 c1b2 a3c5 a2a4 a7a5 d3d4 e8e6",
            want="d1b1"),
        Pos("rk2rqbb/ppppp1pp/5n2/2n2P2/2Q5/2P2NP1/PP1P1P1P/RKRN2BB b KQq - 0 6",
            start("rkrnnqbb"), "c2c3 f7f5 g2g3 d8e6 e2e4 e8f6 e1f3 c8e8 f1c4 e6c5 e4f5",
            want="b8a8"),
        Pos("qbnr1rb1/pNpkpp1p/8/3p2p1/1P6/4PP2/PQPP1P1P/1B1RKRBN w FD - 2 8",
            start("qbnrkrbn"), "c1b3 h8g6 b3a5 d7d6 a5b7 g6h4 e2e3 h4f3 g2f3 d6d5 b2b4 g7g5 "
            "a1b2 e8d7", want="e1d1"),
        Pos("rn1qk2r/ppp1pp1p/4b3/3pb1pn/P5PP/8/1PPP1PR1/1NBQKBNR b Kkq - 1 8",
            start("rnbqkbnr"), "h2h4 d7d5 e2e4 g8f6 a2a4 g7g5 g2g4 f6h5 e4e5 f8g7 a1a3 c8e6 "
            "a3g3 g7e5 g3g2", want="e8h8"),
        Pos("b1qnn1kr/1pbpp1p1/5r2/p1p1Np1p/2N2P2/7P/PPPPP1P1/BBQ1R1KR b Hh - 0 7",
            start("bbqnnrkr"), "d1e3 h7h5 f2f4 c7c5 e3c4 f7f5 e1f3 f8f6 f1e1 b8c7 f3e5 a7a5 h2h3",
            want="g8h8"),
        Pos("rbqkn2r/p1pppb1p/1p6/6p1/P5n1/1PPN2N1/2QPPPPP/R2K2BR w KQkq - 2 9",
            start("rbqknnbr"), "a2a4 g7g5 b1a2 f8g6 a2f7 e8g7 e1d3 g7e8 f1g3 g8f7 b2b3 g6e5 "
            "c2c3 b7b6 c1c2 e5g4", want="d1a1"),
        Pos("1brkq1rn/p1ppp1p1/2b4p/1p3Bn1/3P4/1PP1P2P/P2K1PP1/B1R1QNRN b gc - 0 7",
            start("bbrkqnrn"), "c2c3 h7h6 h2h3 b7b5 b2b3 a8c6 d2d4 f7f5 e2e3 f8h7 d1d2 h7g5 b1f5",
            want="d8c8"),
        Pos("r5kr/pqpp2pp/1nn3b1/PBb1pp2/1N6/1P2P3/1QPP1PPP/R2NB1KR w KQkq - 1 10",
            start("rqnnbbkr"), "a2a4 b7b5 a4a5 d8c6 b2b3 c8b6 c1a2 f7f6 b1c1 e8g6 a2b4 f6f5 "
            "e2e3 b8b7 c1b2 e7e5 f1b5 f8c5", want="g1h1"),
    ]),
    ("A rook beside its king: king b1 with rook a1, king g1 with rook h1, for both sides.\n"
     "The second line is the first with the colours exchanged, so its counts are the same.", [
        Pos("3r2kr/ppp2ppp/2n1bn2/2bpp3/3PP3/2NBBN2/PPP2PPP/RK2R3 w KQkq - 0 1",
            want="b1a1 b1e1"),
        Pos("rk2r3/ppp2ppp/2nbbn2/3pp3/2BPP3/2N1BN2/PPP2PPP/3R2KR b HDea - 0 1",
            want="b8a8 b8e8"),
        Pos("rnbq2kr/ppppbppp/5n2/4p3/4P3/5N2/PPPPBPPP/RNBQ2KR w KQkq - 2 3", want="g1h1"),
        Pos("rnbq2kr/pppp1ppp/4pn2/2b5/2B5/4PN2/PPPP1PPP/RKBQ3R b KQkq - 0 1", want="g8h8"),
        Pos("rk5r/pp5p/8/8/8/8/PP5P/RK5R w KQkq - 0 1", want="b1a1 b1h1"),
    ]),
    ("The king or the rook stays where it is: king on c1 or c8 castling to its own square (g1\n"
     "and g8 are above), rook on f1 or d1 already on its castled square; king and rook\n"
     "exchanging squares.", [
        Pos("r1k4r/pppq1ppp/2nbbn2/3pp3/3PP3/2NBBN2/PPPQ1PPP/R1K4R w KQkq - 0 1",
            want="c1a1 c1h1"),
        Pos("1rk4r/ppp1bppp/2nqbn2/3pp3/3PP3/2NQBN2/PPP1BPPP/1RK4R b KQkq - 0 1",
            want="c8b8 c8h8"),
        Pos("1k3r2/ppp2ppp/8/8/8/8/PPP2PPP/1K3R2 w Kk - 0 1", want="b1f1"),
        Pos("3r1k1r/ppp1qppp/2nbbn2/3pp3/3PP3/2NBBN2/PPP1QPPP/3R1K1R w KQkq - 0 1",
            want="f1d1 f1h1"),
        Pos("2rk3r/pp1nbppp/2p1pn2/3p4/3P4/2N1PN2/PPP1BPPP/R4KR1 b KQkq - 0 1",
            want="d8c8 d8h8"),
    ]),
    ("Castling refused: a square on the king's way attacked; the rook's leaving opens a line\n"
     "to the king's new square; a square taken by another piece; the king in check. And two\n"
     "where only the rook's new square is attacked, which does not matter.", [
        Pos("1k5r/ppp2ppp/8/8/1b6/8/PPP2PPP/RK5R w KQk - 0 1", want="b1a1", lack="b1h1"),
        Pos("2r1k2r/pp3ppp/2n1bn2/8/8/2N1BN2/PP3PPP/qRK4R w KQk - 0 1",
            want="c1h1", lack="c1b1"),
        Pos("4k2r/ppp2ppp/2n1bn2/8/8/2N1BN2/1PP2PPP/rR1K3R w KQk - 0 1",
            want="d1h1", lack="d1b1"),
        Pos("r4krR/ppp2p1p/2nbbn2/3pp3/3PP3/2NBBN2/PPP2PPP/R3K3 b Qkq - 0 1",
            want="f8a8", lack="f8g8"),
        Pos("rk5r/ppp2ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPP2PPP/RK1n3R w KQkq - 0 1",
            lack="b1a1 b1h1"),
        Pos("rkr5/pp3ppp/2nbbn2/2pqp3/2PQP3/2NBBN2/PP3PPP/RKR5 w KQkq - 0 1",
            want="b1c1", lack="b1a1"),
        Pos("r5kr/ppp2ppp/8/8/3b4/8/PPP3PP/R2N2KR w KQkq - 0 1", lack="g1a1 g1h1"),
        Pos("6k1/5ppp/1r6/8/8/3N4/P1P2PPP/RK5R w KQ - 0 1", lack="b1a1 b1h1"),
        Pos("r5kr/ppp2ppp/b7/8/8/8/PPP3PP/R5KR w KQkq - 0 1", want="g1h1", lack="g1a1"),
        Pos("1k5r/ppp2ppp/8/8/6b1/8/PPP2P1P/RK5R w KQk - 0 1", want="b1a1", lack="b1h1"),
    ]),
    ("Castling rights written both ways: KQkq naming the outermost rook on each side of the\n"
     "king, a file letter for an inner one; or the files of the rooks. Pairs of the same\n"
     "position; where the rights name other rooks, the counts differ.", [
        Pos("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1"),
        Pos(start("bqnbrkrn"), want="f1g1"),
        Pos("r3k2r/ppp1qppp/2nbbn2/3pp3/3PP3/2NBBN2/1PP1QPPP/R1R1K2R w KCkq - 0 1",
            want="e1c1 e1h1"),
        Pos("r3k2r/ppp1qppp/2nbbn2/3pp3/3PP3/2NBBN2/1PP1QPPP/R1R1K2R w HCha - 0 1",
            want="e1c1 e1h1"),
        Pos("r3k2r/ppp1qppp/2nbbn2/3pp3/3PP3/2NBBN2/1PP1QPPP/R1R1K2R w KQkq - 0 1",
            want="e1h1", lack="e1a1"),
        Pos("rr1k4/ppp1bppp/2nqbn2/3pp3/3PP3/2NQBN2/PPP1BPPP/5KRR w Kq - 0 1", lack="f1h1"),
        Pos("rr1k4/ppp1bppp/2nqbn2/3pp3/3PP3/2NQBN2/PPP1BPPP/5KRR w Ha - 0 1", lack="f1h1"),
        Pos("rr1k4/ppp1bppp/2nqbn2/3pp3/3PP3/2NQBN2/PPP1BPPP/5KRR w Gb - 0 1", want="f1g1"),
        Pos("rk5r/pp5p/8/8/8/8/PP5P/RK5R b Kq - 0 1", want="b8a8"),
        Pos("rk5r/pp5p/8/8/8/8/PP5P/RK5R b Ha - 0 1", want="b8a8"),
    ]),
    ("En passant beside castling rights.", [
        Pos("r1bqkb1r/ppp2ppp/2n1pn2/3pP3/2B5/5N2/PPPP1PPP/RNBQK2R w KQkq d6 0 5",
            start("rnbqkbnr"), "e2e4 e7e6 g1f3 g8f6 f1c4 b8c6 e4e5 d7d5", want="e1h1"),
        Pos("bqnbrkrn/ppp1pppp/8/8/P2pP3/8/1PPP1PPP/BQNBRKRN b GEge e3 0 3",
            start("bqnbrkrn"), "a2a3 d7d5 a3a4 d5d4 e2e4", want="f8g8"),
        Pos("nrbkqbrn/ppp1ppp1/8/3pP3/7p/1P6/PBPP1PPP/NR1KQBRN w KQkq d6 0 5",
            start("nrbkqbrn"), "b2b3 h7h6 c1b2 h6h5 e2e4 h5h4 e4e5 d7d5", want="d1b1"),
        Pos("qb1rkrbn/ppppppp1/1n6/8/P5Pp/1P6/2PPPP1P/QBNRKRBN b FDfd g3 0 4",
            start("qbnrkrbn"), "a2a3 c8b6 a3a4 h7h5 b2b3 h5h4 g2g4", want="e8d8"),
        Pos("rk5r/ppp3pp/8/3pPp2/8/8/PPP2PPP/RK5R w KQkq f6 0 1", want="b1a1 b1h1"),
        Pos("rk5r/pp3ppp/8/8/2pP4/8/PP3PPP/RK5R b HAha d3 0 1", want="b8a8 b8h8"),
    ]),
]


class Stockfish:
    def __init__(self):
        try:
            self.proc = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, text=True, bufsize=1)
        except OSError as err:
            sys.exit(f"perft960.py: cannot start {STOCKFISH} ({err}); "
                     "Debian: apt-get install stockfish")
        self.send("uci")
        self.read_until("uciok")
        self.send("setoption name Threads value 1")
        self.send("setoption name UCI_Chess960 value true")
        self.sync()

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def read_until(self, prefix):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("stockfish ended unexpectedly")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def sync(self):
        self.send("isready")
        self.read_until("readyok")

    def set(self, fen, moves=()):
        self.send(f"position fen {fen}" + (" moves " + " ".join(moves) if moves else ""))

    def board(self):
        """(FEN, checkers) of the current position, as stockfish's d shows them."""
        self.send("d")
        lines = self.read_until("Checkers:")
        fen = next(l[5:].strip() for l in lines if l.startswith("Fen: "))
        return fen, lines[-1][len("Checkers:"):].split()

    def perft(self, depth):
        """(leaves, {root move: leaves}) of the current position."""
        self.send(f"go perft {depth}")
        lines = self.read_until("Nodes searched:")
        moves = {}
        for line in lines[:-1]:
            move, sep, count = line.partition(": ")
            if sep and count.strip().isdigit():
                moves[move.strip()] = int(count)
        return int(lines[-1].split(":")[1]), moves

    def quit(self):
        self.send("quit")
        self.proc.wait()


def squares(fen):
    """The board of FEN as a dict {"e1": "K", ...}."""
    board = {}
    for i, row in enumerate(fen.split()[0].split("/")):
        file = 0
        for ch in row:
            if ch.isdigit():
                file += int(ch)
            else:
                board["abcdefgh"[file] + str(8 - i)] = ch
                file += 1
    return board


def castling_rooks(fen):
    """The squares of the castling rooks named by FEN's castling field, whichever way it is
    written; raises ValueError when a right names no rook of its side on its king's rank, or
    two rights lie on one side of a king, or a king with a right stands in a corner."""
    board = squares(fen)
    field = fen.split()[2]
    rooks = set()
    for ch in "" if field == "-" else field:
        white = ch.isupper()
        rank = "1" if white else "8"
        king, rook = ("K", "R") if white else ("k", "r")
        kings = [f for f in "abcdefgh" if board.get(f + rank) == king]
        if len(kings) != 1:
            raise ValueError(f"castling right {ch} without the king on its back rank")
        own = [f for f in "abcdefgh" if board.get(f + rank) == rook]
        if ch in "KkQq":
            side = [f for f in own if (f > kings[0]) == (ch in "Kk")]
            if not side:
                raise ValueError(f"castling right {ch} with no rook on that side")
            file = side[-1] if ch in "Kk" else side[0]
        else:
            file = ch.lower()
            if file not in own or file == kings[0]:
                raise ValueError(f"castling right {ch} names no rook")
        if kings[0] in "ah":
            raise ValueError(f"castling right {ch} with the king in a corner")
        if any(r[1] == rank and (r[0] > kings[0]) == (file > kings[0]) for r in rooks):
            raise ValueError(f"castling right {ch}: two rights on one side of the king")
        rooks.add(file + rank)
    return rooks


def castles(fen, moves):
    """The castling moves among MOVES: the king takes its own rook."""
    board = squares(fen)
    mover = "K" if fen.split()[1] == "w" else "k"
    rook = "R" if mover == "K" else "r"
    return sorted(m for m in moves if board.get(m[:2]) == mover and board.get(m[2:4]) == rook)


def same_position(mine, theirs):
    """Whether two FENs describe the same position; counters are not compared."""
    a, b = mine.split(), theirs.split()
    return a[0:2] == b[0:2] and a[3] == b[3] and castling_rooks(mine) == castling_rooks(theirs)


def other_side(fen):
    fields = fen.split()
    fields[1] = "b" if fields[1] == "w" else "w"
    fields[3] = "-"
    return " ".join(fields)


def count(sf, pos):
    """The suite's line for POS, after checking what POS says of itself."""
    fen = pos.fen
    castling_rooks(fen)
    sf.set(fen)
    shown, _ = sf.board()
    if not same_position(fen, shown):
        raise ValueError(f"stockfish reads {fen}\n  as {shown}")
    sf.set(other_side(fen))
    _, checkers = sf.board()
    if checkers:
        raise ValueError(f"the side not to move is in check: {fen}")
    if pos.start:
        sf.set(pos.start, pos.moves)
        reached, _ = sf.board()
        if not same_position(fen, reached):
            raise ValueError(f"the moves reach {reached}\n  not {fen}")
    sf.set(fen)
    leaves, root = sf.perft(1)
    moves = sorted(root)
    if leaves == 0 or leaves != len(moves):
        raise ValueError(f"stockfish lists {len(moves)} moves, counts {leaves}: {fen}")
    found = castles(fen, moves)
    for move in pos.want:
        if move not in found:
            raise ValueError(f"{move} is not legal in {fen} (castling: {found})")
    for move in pos.lack:
        if move in moves:
            raise ValueError(f"{move} is legal in {fen}")
    counts = [leaves]
    for depth in (2, 3, 4):
        counts.append(sf.perft(depth)[0])
    # Depth 5 is counted only when its estimate is within reach of the limit.
    if counts[3] * counts[3] // max(counts[2], 1) < 4 * D5_LIMIT:
        leaves = sf.perft(5)[0]
        if leaves < D5_LIMIT:
            counts.append(leaves)
    depths = " ".join(f";D{d} {n}" for d, n in enumerate(counts, 1))
    return f"{fen} {depths} ;moves {' '.join(moves)}"


HEADER = """\
# Chess960 perft suite: start positions, middlegames and castling cases of Fischer Random
# chess, one a line: "FEN ;D1 n ;D2 n ... ;moves <legal moves, sorted>". The leaf counts and
# moves were agreed with an independent engine. Castling rights are written both ways:
# KQkq for the outermost rook on that side of the king (a file letter for an inner one),
# or the files of the rooks (HAha). Castling is written as the king taking its own rook
# (e1h1, b1a1, g1h1). Written by tools/perft960.py; do not edit by hand."""


def build():
    sf = Stockfish()
    print(HEADER)
    failed = 0
    for heading, group in POSITIONS:
        print()
        for line in heading.splitlines():
            print(f"# {line}" if line else "#")
        for pos in group:
            try:
                print(count(sf, pos), flush=True)
            except ValueError as err:
                print(f"perft960.py: {err}", file=sys.stderr)
                failed += 1
    sf.quit()
    return 1 if failed else 0


def walk(fen, plies, seed):
    sf = Stockfish()
    for seed in range(seed, seed + 1000):
        rng = random.Random(seed)
        moves = []
        for _ in range(plies):
            sf.set(fen, moves)
            legal = sorted(sf.perft(1)[1])
            if not legal:
                break
            moves.append(rng.choice(legal))
        sf.set(fen, moves)
        reached, _ = sf.board()
        found = castles(reached, sorted(sf.perft(1)[1]))
        if len(moves) == plies and found:
            print(f"seed {seed}\nmoves {' '.join(moves)}\nfen {reached}\ncastling {' '.join(found)}")
            sf.quit()
            return 0
    sf.quit()
    print("perft960.py: no castling at the end of a thousand walks", file=sys.stderr)
    return 1


def main(argv):
    if len(argv) == 1:
        return build()
    if argv[1] == "walk" and len(argv) in (4, 5) and argv[3].isdigit():
        return walk(argv[2], int(argv[3]), int(argv[4]) if len(argv) == 5 else 1)
    print("\n\n".join(__doc__.split("\n\n")[1:3]), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
