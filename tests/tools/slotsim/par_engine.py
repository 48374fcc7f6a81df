#!/usr/bin/env python3
"""The engine weighting of `par` and `sim` against an independent count of what the engine's
generator draws. With spin tables of 2^b entries a draw reads only bits 16 to 15 + b of the
generator's state, so every start is one of 2^(16 + b) kinds, few enough to play out here."""

import json
import os
import subprocess
import sys
from fractions import Fraction

MUL, ADD = 214013, 2531011


def slotsim(tool, *args, env=None):
    run = subprocess.run([tool] + [str(a) for a in args], capture_output=True, text=True,
                         timeout=600, env=env)
    return run.stdout


def draws(state, count, bits):
    """The entries of `count` draws from a start, of tables of 2^(bits - 16) entries."""
    out = []
    for _ in range(count):
        state = (state * MUL + ADD) % (1 << bits)
        out.append(state >> 16)
    return state, out


def machine(path, reels, pays, symbols):
    with open(path, "w") as f:
        f.write("%maxcoins 1\n" + symbols + "%%\n" + "".join(" ".join(row) + "\n" for row in zip(
            *reels)) + "%%\n" + pays + "%%\n")


def exact(rational):
    return Fraction(int(rational["exact"][0]), int(rational["exact"][1]))


def main():
    tool, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    failures = []

    # Four reels of 32 stops, the top award on stop 0 of each: the generator never draws it.
    # Of 64 stops it draws a tenth of them; of 256 (too many to mark: the sheet sorts them) the
    # 16228352 that a loop over the 2^24 starts that matter counted once, here, in Python.
    for stops, never in ((32, Fraction(729856, 1 << 20)), (64, 0.896),
                         (256, 1 - Fraction(16228352, 1 << 32))):
        path = os.path.join(work, "zero%d.slt" % stops)
        machine(path, [["T"] + ["-"] * (stops - 1)] * 4, "T T T T ^ 1000\n", "T t/t\n- b/b\n")
        sheet = json.loads(slotsim(tool, "par", path, "--weights", "engine", "--json"))
        shown = Fraction(int(sheet["neverDrawn"]), stops ** 4)
        if stops == 32:
            drawn = {tuple(draws(s, 4, 21)[1]) for s in range(1 << 21)}
            counted = 1 - Fraction(len(drawn), 1 << 20)
            if not shown == never == counted or (0, 0, 0, 0) in drawn:
                failures.append("32 stops: %s never drawn, counted %s" % (shown, counted))
        elif shown != never and round(float(shown), 3) != never:
            failures.append("%d stops: %s never drawn" % (stops, float(shown)))
        if not sheet["payoffs"][0]["neverPays"] or sheet["deviations"][0]["row"] != 0:
            failures.append("%d stops: the top award is not named" % stops)
    path = os.path.join(work, "zero32.slt")
    text = slotsim(tool, "par", path, "--weights", "engine")
    if "warning: the engine's generator never draws payoff row 0" not in text:
        failures.append("no warning:\n" + text)
    # 20 million independent spins see the top award about 19 times (5 to 40 but once in
    # 10^4 runs); the engine's never.
    for weights, spins, most, least in (("ideal", 20000000, 40, 5), ("engine", 1000000, 0, 0)):
        sim = json.loads(slotsim(tool, "sim", path, "--weights", weights, "--spins", spins,
                                 "--json"))
        top = sum(w["spins"] for w in sim["wins"] if w["credits"] == 1000)
        if not least <= top <= most:
            failures.append("sim --weights %s: %d top awards" % (weights, top))

    # Two reels of four entries, free re-spins that continue from the same stream: every
    # played spin of the 2^18 kinds of start, played out here, against the sheet's exact figures.
    # Series of 2 re-spins a start on average, and of 6, where many series overlap.
    for first in ("ASAS", "ASSS"):
        path = os.path.join(work, "series-%s.slt" % first)
        machine(path, [first, "ABCC"], "A A ^ 5\nA B ^ 2\nS * ^ 1\n",
                "(autospin) S s/s\nA a/a\nB b/b\nC c/c\n")

        def spin(state):
            state, (e0, e1) = draws(state, 2, 18)
            return (state, 1, True) if first[e0] == "S" else (state, {0: 5, 1: 2}.get(e1, 0), False)

        wins, series, respins = {}, 0, 0
        for start in range(1 << 18):
            state, won, shows = spin(start)
            series += shows
            for _ in range(10000 if shows else 0):  # the engine's cap of re-spins
                state, won, shows = spin(state)
                respins += 1
                if won and not shows:
                    break
            wins[won] = wins.get(won, 0) + 1
        for mode in ("play", "run"):
            sheet = json.loads(slotsim(tool, "par", path, "--weights", "engine", "--mode", mode,
                                       "--json"))
            got = {w["credits"]: exact(w["chance"]) for w in sheet["wins"]}
            want = {k: Fraction(v, 1 << 18) for k, v in wins.items()}
            if got != want or exact(sheet["series"]["chance"]) != Fraction(series, 1 << 18) or exact(
                    sheet["series"]["meanLength"]) != Fraction(respins, series):
                failures.append("%s %s: sheet %s, counted %s" % (first, mode, got, want))
    # Four reels of 16 entries where a series ends only on A A A A, about once in 65,536 spins:
    # most series meet the cap of 10,000 re-spins. Each start's series is followed along the
    # generator's cycles by the distance from each state to the next that ends one.
    path = os.path.join(work, "capped.slt")
    strips = ["SSSSSSSSAB" + "C" * 6] + ["A" + "BC" * 7 + "B"] * 3
    machine(path, strips, "A A A A ^ 50\nS * * * ^ 1\n", "(autospin) S s/s\nA a/a\nB b/b\nC c/c\n")
    spins, following = [], [0] * (1 << 20)
    for start in range(1 << 20):
        state, entries = draws(start, 4, 20)
        shown = [strips[i][e] for i, e in enumerate(entries)]
        won = 50 if shown == ["A"] * 4 else 1 if shown[0] == "S" else 0
        spins.append((won, shown[0] == "S"))
        following[start] = state
    distance, place, cycles = [None] * (1 << 20), [None] * (1 << 20), []
    for cycle in range(4):
        order, state = [], cycle
        while not order or state != cycle:
            place[state] = (cycle, len(order))
            order.append(state)
            state = following[state]
        cycles.append(order)
        gap = None
        for state in reversed(order * 2):
            won, shows = spins[state]
            gap = 0 if won and not shows else None if gap is None else gap + 1
            distance[state] = gap
    wins, series, respins = {}, 0, 0
    for start in range(1 << 20):
        won, shows = spins[start]
        if shows:
            series += 1
            state = following[start]
            length = min(distance[state] + 1, 10000) if distance[state] is not None else 10000
            cycle, at = place[state]
            state = cycles[cycle][(at + length - 1) % len(cycles[cycle])]
            respins += length
            won = spins[state][0]
        wins[won] = wins.get(won, 0) + 1
    for mode in ("play", "run"):
        sheet = json.loads(slotsim(tool, "par", path, "--weights", "engine", "--mode", mode, "--json"))
        got = {w["credits"]: exact(w["chance"]) for w in sheet["wins"]}
        if got != {k: Fraction(v, 1 << 20) for k, v in wins.items()} or exact(
                sheet["series"]["meanLength"]) != Fraction(respins, series):
            failures.append("capped %s: sheet %s, counted %s" % (mode, got, wins))
    # The processor's baseline path judges as its vector path does.
    baseline = dict(os.environ, KESTREL_CPU="baseline")
    for path in ("capped.slt", "zero64.slt"):
        path = os.path.join(work, path)
        if slotsim(tool, "par", path, "--weights", "engine", env=baseline) != slotsim(
                tool, "par", path, "--weights", "engine"):
            failures.append("%s: the baseline path differs" % path)
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
