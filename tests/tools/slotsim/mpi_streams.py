#!/usr/bin/env python3
"""sim and session under mpirun: two processes of one thread print exactly what one process
of two threads prints (but for the seconds taken); a machine file that one process cannot
open ends the run with exit 1 and one message; a process that dies ends it with a non-zero
exit. No case may hang."""

import re
import subprocess
import sys

mpirun, tool, example = sys.argv[1:4]
MPI = [mpirun, "--allow-run-as-root", "--oversubscribe"]


def run(command):
    # mpirun hands its standard input to process 0: it must not take the caller's.
    done = subprocess.run([str(a) for a in command], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=120)
    return done.returncode, re.sub(r" in [0-9.]+ s", "", done.stdout), done.stderr


for command in [["sim", example, "--spins", 300001, "--seed", 9],
                ["session", example, "--credits", 40, "--stop-at", 90, "--sessions", 3001]]:
    alone = run([tool] + command + ["--threads", "2"])
    spread = run(MPI + ["-np", "2", tool] + command + ["--threads", "1"])
    assert alone[0] == 0 and alone == spread, (alone, spread)

code, out, err = run(MPI + ["-np", "1", tool, "sim", example, "--spins", 1000, ":",
                            "-np", "1", tool, "sim", example + ".missing", "--spins", 1000])
said = [line for line in err.splitlines() if line.startswith("slotsim:")]
assert code == 1 and out == "" and len(said) == 1 and ".missing" in said[0], (code, out, err)

code, out, err = run(MPI + ["-np", "1", tool, "sim", example, "--spins", 1000, ":", "-np", "1",
                            "timeout", "-s", "KILL", "2", tool, "sim", example, "--spins",
                            10**15])
assert code != 0 and out == "", (code, out, err)
print("mpi: two processes match two threads; a missing file and a dead process end the run")
