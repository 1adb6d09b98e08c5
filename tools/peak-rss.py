#!/usr/bin/env python3
"""Runs a program unchanged and records how it ended and its peak memory.

    tools/peak-rss.py RECORD PROGRAM [ARGS...]

The program inherits standard input and output, so a GUI that starts this wrapper talks to
the program itself. Signals sent to the wrapper (a GUI's interrupt or terminate) are passed
on. When the program ends, one line is appended to RECORD:

    pid=P status=N signal=S passed_on=L peak_rss_kb=K maxrss_kb=M seconds=T

where N is the exit status (or -1 when a signal ended it), S the signal number (0 if none),
L the signals passed on from outside (comma-separated, "-" if none: a GUI that sends "quit"
and then SIGTERM may end a program that way without it having crashed), K the high-water
mark of the program's resident set (VmHWM in /proc/P/status, read every 0.2 s while it runs;
the mark only rises, so the last reading misses at most what the last 0.2 s added), and M
the kernel's ru_maxrss from wait4, which also counts the wrapper's own image that the child
had before it became the program (it stands in for K when the program ran too briefly to be
read). The wrapper exits as the program did.
"""

import os
import signal
import sys
import time

child = 0
passed_on = set()


def pass_on(signum, _frame):
    # Before the fork returns in the parent there is no child to pass the signal to.
    if child > 0:
        passed_on.add(signum)
        os.kill(child, signum)


def high_water_mark(pid, own_image):
    """VmHWM in kB once the child runs the program (0 before its exec, or when it is gone)."""
    try:
        if os.readlink(f"/proc/{pid}/exe") == own_image:
            return 0
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


def main():
    global child
    if len(sys.argv) < 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    record, argv = sys.argv[1], sys.argv[2:]
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
        signal.signal(signum, pass_on)
    started = time.monotonic()
    pid = os.fork()
    if pid == 0:
        # exec resets the handlers above to their defaults in the program.
        try:
            os.execvp(argv[0], argv)
        except OSError as err:
            print(f"peak-rss.py: cannot run {argv[0]}: {err}", file=sys.stderr)
        os._exit(127)
    child = pid
    own_image, peak = os.readlink("/proc/self/exe"), 0
    while True:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            break
        peak = max(peak, high_water_mark(pid, own_image))
        time.sleep(0.2)
    code = os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1
    signum = os.WTERMSIG(status) if os.WIFSIGNALED(status) else 0
    with open(record, "a", encoding="utf-8") as out:
        signals = ",".join(str(s) for s in sorted(passed_on)) or "-"
        out.write(f"pid={pid} status={code} signal={signum} passed_on={signals} "
                  f"peak_rss_kb={peak or usage.ru_maxrss} maxrss_kb={usage.ru_maxrss} "
                  f"seconds={time.monotonic() - started:.1f}\n")
    return code if code >= 0 else 128 + signum


if __name__ == "__main__":
    sys.exit(main())
