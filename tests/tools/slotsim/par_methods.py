#!/usr/bin/env python3
"""The par sheet summed over classes of alike rest stops against the walk over every
combination of rest stops: both must print the same sheet, every fraction, on both examples
and on random machine files from the reference model's generator, in both modes, with the
ideal weighting and at every bet. PAR_METHODS_FILES in the environment overrides --files."""

import json
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_model  # noqa: E402

MOST_COMBINATIONS = 2000000  # the walk over a larger machine takes seconds


def par(tool, path, *options):
    run = subprocess.run([tool, "par", path, "--json"] + list(options), capture_output=True,
                         text=True, timeout=600)
    sheet = json.loads(run.stdout) if run.stdout else None
    for one in sheet if isinstance(sheet, list) else [sheet] if sheet else []:
        one.pop("method")
    return run.returncode, sheet


def differences(tool, path, most=MOST_COMBINATIONS):
    """The settings under which the two methods disagree (None: not a machine par takes)."""
    code, sheet = par(tool, path)
    if code not in (0, 3):
        return None
    combinations = sheet["combinations"]
    if not isinstance(combinations, int) or combinations > most:
        return None
    bets = ["--bet", "all"] if par(tool, path, "--bet", "all")[0] != 2 else []
    found = []
    for mode in ("play", "run"):
        options = bets + ["--mode", mode, "--weights", "ideal"]
        classes, walk = par(tool, path, *options), par(tool, path, *options, "--method", "walk")
        if classes != walk:
            found.append(" ".join(options))
    return found


def main():
    args = reference_model.checker_arguments(__doc__, 24, 20261206, "par-methods-work", examples=True)
    files = int(os.environ.get("PAR_METHODS_FILES", args.files))
    os.makedirs(args.workdir, exist_ok=True)
    failures = []
    examples = [os.path.join(args.examples, n, n + ".slt") for n in sorted(os.listdir(args.examples))]
    for path in filter(os.path.exists, examples):
        failures += ["%s: %s" % (path, f) for f in differences(args.slotsim, path, 1e99)]
    rng = random.Random(args.seed)
    compared = 0
    while compared < files:
        path = os.path.join(args.workdir, "m%04d.slt" % compared)
        with open(path, "wb") as f:
            f.write(reference_model.generate_file(rng)[0])
        found = differences(args.slotsim, path)
        if found is None:
            continue
        compared += 1
        failures += ["%s: %s" % (path, f) for f in found]
        if not found:
            os.remove(path)
    return reference_model.report(
        failures, "examples and %d machines compared, %d settings differ" % (compared, len(failures)))


if __name__ == "__main__":
    sys.exit(main())
