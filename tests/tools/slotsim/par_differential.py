#!/usr/bin/env python3
"""The exact par sheet against the Monte Carlo: on both examples and on random machine files
from the reference model's generator, the simulated RTP and hit frequency must lie within the
Monte Carlo's confidence interval around the exact figures, and every amount the simulation
saw must be one the par sheet gives a chance.

The sheet and the simulation take the same weighting: independent draws (ideal) or the
engine's own generator (engine, on the examples only: its sheet walks 2^31 states). On the
examples the interval is the 95% one that slotsim prints; on the many random files it is
widened to 4 standard errors, so that chance alone fails a run about once in 16000 checks.

Every figure either report prints is also worked out again here from the distribution it
prints (the par sheet's chances, the Monte Carlo's counts), and on the examples the text and
the chart must show the JSON's figures.

PAR_DIFFERENTIAL_ENGINE=0 in the environment leaves out the engine weighting (a sanitizer
build, where its walk of the examples takes minutes; par_engine.py still walks small machines)."""

import json
import math
import os
import random
import subprocess
import sys
from fractions import Fraction
from statistics import NormalDist

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_model  # noqa: E402

# 90% and 95% of the normal distribution lie within these of its mean.
Z90, Z95 = NormalDist().inv_cdf(0.95), NormalDist().inv_cdf(0.975)


def slotsim(tool, *args):
    run = subprocess.run([tool] + [str(a) for a in args], capture_output=True, text=True,
                         timeout=600)
    return run.returncode, run.stdout, run.stderr


def exact(rational):
    return Fraction(int(rational["exact"][0]), int(rational["exact"][1]))


def one_in(chance):
    return "1 in %.6g" % (1 / chance) if chance > 0 else "never"


def differ(checks):
    return ["%s: want %.17g, got %.17g" % (what, want, got) for what, want, got in checks
            if not math.isclose(want, got, rel_tol=1e-12, abs_tol=1e-12)]


def rationals(j):
    """Every {"exact", "value"} pair in a JSON value."""
    items = j.values() if isinstance(j, dict) else j if isinstance(j, list) else []
    own = [j] if isinstance(j, dict) and "exact" in j else []
    return own + [r for item in items for r in rationals(item)]


def par_problems(par):
    wins = [(Fraction(w["credits"], par["bet"]), exact(w["chance"])) for w in par["wins"]]
    rtp, square = sum(x * c for x, c in wins), sum(x * x * c for x, c in wins)
    sd = math.sqrt(square - rtp * rtp)
    top = max(par["wins"], key=lambda w: w["credits"])
    return differ([("rtp", rtp, exact(par["rtp"])),
                   ("meanSquare", square, exact(par["meanSquare"])),
                   ("hit", 1 - sum(c for x, c in wins if x == 0), exact(par["hit"])),
                   ("chances", 1, sum(c for _, c in wins)),
                   ("payoff shares", rtp, sum(exact(p["rtp"]) for p in par["payoffs"])),
                   ("standardDeviation", sd, par["standardDeviation"]),
                   ("volatilityIndex 90", Z90 * sd, par["volatilityIndex"]["90"]),
                   ("volatilityIndex 95", Z95 * sd, par["volatilityIndex"]["95"])] +
                  [("value", exact(r), r["value"]) for r in rationals(par)]) + (
        [] if par["topAward"] == (top if top["credits"] > 0 else None) else ["topAward"])


def sim_problems(sim):
    n = sim["spins"]
    counts = [(Fraction(w["credits"], sim["bet"]), w["spins"]) for w in sim["wins"]]
    mean = sum(x * c for x, c in counts) / n
    sd = math.sqrt(sum(c * (x - mean) ** 2 for x, c in counts) / (n - 1)) if n > 1 else 0
    hit = 1 - Fraction(sum(c for x, c in counts if x == 0), n)
    return differ([("spins", n, sum(c for _, c in counts)), ("rtp", mean, sim["rtp"]["value"]),
                   ("rtp halfWidth95", Z95 * sd / math.sqrt(n), sim["rtp"]["halfWidth95"]),
                   ("standardDeviation", sd, sim["standardDeviation"]),
                   ("hit", hit, sim["hit"]["value"]),
                   ("hit halfWidth95", Z95 * math.sqrt(hit * (1 - hit) / n),
                    sim["hit"]["halfWidth95"])])


def par_shown(p):
    """The lines the par sheet's text must hold and the texts its chart must hold."""
    v = {k: p[k]["value"] for k in ("rtp", "hit", "nudge")}
    sd, chance, top = p["standardDeviation"], p["series"]["chance"]["value"], p["topAward"]
    fraction = str(exact(p["rtp"]))
    fraction = fraction if len(fraction) <= 40 else "%.15g" % v["rtp"]
    text = ["RTP                 %s = %.6f%%\n" % (fraction, 100 * v["rtp"]),
            "hit frequency       %.6f (%s)\n" % (v["hit"], one_in(v["hit"])),
            "standard deviation  %.4f per credit bet\n" % sd,
            "volatility index    %.4f at 90%%, %.4f at 95%%\n" % (Z90 * sd, Z95 * sd),
            "free re-spin series %.6f (%s)%s\n" % (chance, one_in(chance), ", %.4f re-spins on "
                "average" % p["series"]["meanLength"]["value"] if chance else ""),
            "nudge               %.6f of the spins (%s)\n" % (v["nudge"], one_in(v["nudge"]))]
    text += ["top award           %d credits, %s\n" % (top["credits"], one_in(
        top["chance"]["value"]))] if top else []
    text += ["\n%11d  %13.9f  %13.6g\n" % (w["credits"], w["chance"]["value"],
                                           1 / w["chance"]["value"]) for w in p["wins"]]
    text += ["\n%5d %17d  %s  %9.5f%%  %s\n" % (
        r["row"], int(r["hits"]), "%13.9f  %13.6g" % (r["chance"]["value"], 1 / r["chance"]["value"])
        if int(r["hits"]) else "  never pays                ", 100 * r["rtp"]["value"], r["label"])
        for r in p["payoffs"]]
    chart = ["RTP %.4f%%, hit %s" % (100 * v["rtp"], "1 in %.4g" % (1 / v["hit"]) if v["hit"]
                                      else "never")]
    return text, chart + ["1 in %.4g" % (1 / w["chance"]["value"]) for w in p["wins"]] + [
        "%.3f%%" % (100 * r["rtp"]["value"]) for r in p["payoffs"]]


def sim_shown(s):
    """The lines the Monte Carlo's text must hold."""
    return ["\nRTP                 %.6f%% +- %.6f%% (95%%)\n" % (100 * s["rtp"]["value"],
                                                             100 * s["rtp"]["halfWidth95"]),
            "\nhit frequency       %.6f +- %.6f (95%%)\n" % (s["hit"]["value"],
                                                         s["hit"]["halfWidth95"]),
            "\nstandard deviation  %.4f per credit bet\n" % s["standardDeviation"]] + [
        "\n%11d  %13d  %13.9f\n" % (w["credits"], w["spins"], w["spins"] / s["spins"])
        for w in s["wins"]]


def lacks(what, shown, wanted):
    return ["%s lacks %r" % (what, w) for w in wanted if w not in shown]


def check(tool, path, mode, spins, weights, z, seed, svg=None):
    """Problems found on one machine file (None when par refuses it or says it is endless).
    With svg, also the text of both reports and the chart."""
    par_args = ["par", path, "--weights", weights, "--mode", mode]
    code, out, err = slotsim(tool, *(par_args + ["--json"]))
    if code in (1, 3):  # a file the loader complained about, or endless
        return None
    if code != 0:
        return ["par exit %d: %s" % (code, err.strip())]
    par = json.loads(out)
    args = ["sim", path, "--spins", spins, "--seed", seed, "--mode", mode, "--weights", weights]
    code, out, err = slotsim(tool, *(args + ["--json"]))
    if code != 0:
        return ["sim exit %d: %s" % (code, err.strip())]
    sim = json.loads(out)
    problems = par_problems(par) + sim_problems(sim)
    if svg:
        text, chart = par_shown(par)
        problems += lacks("par text", slotsim(tool, *(par_args + ["--plot", svg]))[1], text)
        with open(svg) as f:
            problems += lacks("chart", f.read(), chart)
        problems += lacks("sim text", slotsim(tool, *args)[1], sim_shown(sim))
    for name in ("rtp", "hit"):
        want, seen = par[name]["value"], sim[name]["value"]
        allowed = sim[name]["halfWidth95"] / Z95 * z
        if abs(seen - want) > allowed + 1e-12:
            problems.append("%s %s: par %.9g, sim %.9g +- %.3g" % (mode, name, want, seen, allowed))
    possible = {w["credits"] for w in par["wins"]}
    seen = {w["credits"] for w in sim["wins"]}
    if not seen <= possible:
        problems.append("%s: sim paid %s, which par never pays" % (mode, sorted(seen - possible)))
    return problems


def main():
    args = reference_model.checker_arguments(__doc__, 24, 20261205, "par-differential-work", examples=True)
    os.makedirs(args.workdir, exist_ok=True)
    failures, checked = [], 0

    for name in sorted(os.listdir(args.examples)):
        path = os.path.join(args.examples, name, name + ".slt")
        if not os.path.exists(path):
            continue
        engine = [("engine", 400000)] if os.environ.get("PAR_DIFFERENTIAL_ENGINE") != "0" else []
        for mode in ("play", "run"):
            for weights, spins in [("ideal", 4000000)] + engine:
                svg = os.path.join(args.workdir, name + ".svg") if weights == "ideal" else None
                problems = check(args.slotsim, path, mode, spins, weights, Z95, 1, svg)
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
            problems = check(args.slotsim, path, mode, 200000, "ideal", 4, made)
            if problems is None:
                continue
            checked += 1
            failures += ["%s (%s): %s" % (path, kind, p) for p in problems]
        if not any(path in f for f in failures):
            os.remove(path)

    return reference_model.report(failures, "%d par/sim comparisons, %d failed" % (checked, len(failures)))


if __name__ == "__main__":
    sys.exit(main())
