#!/usr/bin/env python3
"""The exact par sheet against the Monte Carlo: on both examples and on random machine files
from the reference model's generator, the simulated RTP and hit frequency must lie within the
Monte Carlo's confidence interval around the exact figures, and every amount the simulation
saw must be one the par sheet gives a chance.

The par sheet is taken with the generator's weights, which is how the reels are drawn. On the
examples the interval is the 95% one that slotsim prints; on the many random files it is
widened to 4 standard errors, so that chance alone fails a run about once in 16000 checks."""

import argparse
import json
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_model  # noqa: E402

Z95 = 1.959963984540054


def slotsim(tool, *args):
    run = subprocess.run([tool] + [str(a) for a in args], capture_output=True, text=True,
                         timeout=600)
    return run.returncode, run.stdout, run.stderr


def check(tool, path, mode, spins, engine, z, seed):
    """Problems found on one machine file (None when par refuses it or says it is endless)."""
    code, out, err = slotsim(tool, "par", path, "--json", "--weights", "generator", "--mode", mode)
    if code in (1, 3):  # a file the loader complained about, or endless
        return None
    if code != 0:
        return ["par exit %d: %s" % (code, err.strip())]
    par = json.loads(out)
    args = ["sim", path, "--json", "--spins", spins, "--seed", seed, "--mode", mode]
    code, out, err = slotsim(tool, *(args + (["--engine"] if engine else [])))
    if code != 0:
        return ["sim exit %d: %s" % (code, err.strip())]
    sim = json.loads(out)
    problems = []
    for name in ("rtp", "hit"):
        exact, seen = par[name]["value"], sim[name]["value"]
        allowed = sim[name]["halfWidth95"] / Z95 * z
        if abs(seen - exact) > allowed + 1e-12:
            problems.append("%s %s: par %.9g, sim %.9g +- %.3g" % (mode, name, exact, seen, allowed))
    possible = {w["credits"] for w in par["wins"]}
    seen = {w["credits"] for w in sim["wins"]}
    if not seen <= possible:
        problems.append("%s: sim paid %s, which par never pays" % (mode, sorted(seen - possible)))
    return problems


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--slotsim", required=True)
    ap.add_argument("--examples", required=True, help="folder of the example machines")
    ap.add_argument("--files", type=int, default=24)
    ap.add_argument("--seed", type=int, default=20261205)
    ap.add_argument("--workdir", default="par-differential-work")
    args = ap.parse_args()
    os.makedirs(args.workdir, exist_ok=True)
    failures, checked = [], 0

    for name in sorted(os.listdir(args.examples)):
        path = os.path.join(args.examples, name, name + ".slt")
        if not os.path.exists(path):
            continue
        for mode in ("play", "run"):
            for engine, spins in ((False, 4000000), (True, 400000)):
                problems = check(args.slotsim, path, mode, spins, engine, Z95, 1)
                checked += 1
                failures += ["%s: %s" % (name, p) for p in problems or []]

    rng = random.Random(args.seed)
    made = 0
    while made < args.files:
        data, kind = reference_model.generate_file(rng)
        path = os.path.join(args.workdir, "m%04d.slt" % made)
        with open(path, "wb") as f:
            f.write(data)
        code, out, _ = slotsim(args.slotsim, "dump", path)
        sizes = [max(1, r["numspin"]) for r in json.loads(out)["Reels"]] if code == 0 else [0]
        combinations = 1
        for size in sizes:
            combinations *= size
        if combinations > 2000000:  # the par sheet of a large machine takes seconds
            continue
        made += 1
        for mode in ("play", "run"):
            problems = check(args.slotsim, path, mode, 200000, made % 2 == 0, 4, made)
            if problems is None:
                continue
            checked += 1
            failures += ["%s (%s): %s" % (path, kind, p) for p in problems]
        if not any(path in f for f in failures):
            os.remove(path)

    for failure in failures:
        print("FAIL", failure)
    print("%d par/sim comparisons, %d failed" % (checked, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
