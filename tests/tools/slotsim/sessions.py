#!/usr/bin/env python3
"""slotsim session against closed forms:
- a machine that never pays: every session lasts exactly floor(C / B) spins and ends with
  C mod B credits, its highest credits the start, all of them out of credits before N spins
  (and none when N is shorter);
- a one-reel machine whose spin wins 1 credit net with chance p and loses 1 otherwise: the
  chance of ruin before reaching the goal is the gambler's-ruin formula, which must lie inside
  the 95% interval printed, and every session ends one way or the other;
- both examples: the return of all the sessions' spins lies inside the par sheet's 95% band
  for that many spins, and the chart is written.
The text report must show the JSON's figures."""

import json
import math
import os
import subprocess
import sys

Z95 = 1.959963984540054


def session(tool, path, *args, json_out=True):
    run = subprocess.run([tool, "session", path] + [str(a) for a in args] +
                         (["--json"] if json_out else []), capture_output=True, text=True,
                         timeout=600)
    assert run.returncode == 0, run.stderr
    return json.loads(run.stdout) if json_out else run.stdout


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(text)
    return path


def never_pays(tool, folder):
    path = write(folder, "never.slt", "%name Never\nA syms/a\nB syms/b\n%%\nA\n%%\nB ^ 5 ^ no\n%%\n")
    for credits, bet, spins in [(100, 3, 1000), (100, 3, 33), (100, 3, 20), (2, 3, 10)]:
        r = session(tool, path, "--credits", credits, "--bet", bet, "--spins", spins,
                    "--sessions", 50, "--threads", 2)
        lasts = min(credits // bet, spins)
        assert set(r["spinsPerSession"].values()) == {lasts}, r
        assert set(r["finalCredits"].values()) == {credits - lasts * bet}, r
        assert set(r["highestCredits"].values()) == {credits}, r
        assert r["ranOut"]["value"] == (1 if lasts < spins else 0), r
        assert r["spinsPlayed"] == 50 * lasts and r["endedAhead"]["value"] == 0, r


def gamblers_ruin(tool, folder):
    wins, losses, start, goal = 9, 11, 10, 20
    path = write(folder, "coin.slt", "%name Coin\n%maxcoins 1\nW syms/a\nL syms/b\n%%\n" +
                 "W\n" * wins + "L\n" * losses + "%%\nW ^ 2 ^ win\n%%\n")
    r = session(tool, path, "--credits", start, "--stop-at", goal, "--spins", 10**6,
                "--sessions", 40000, "--seed", 7)
    odds = losses / wins
    ruin = (odds**start - odds**goal) / (1 - odds**goal)
    seen = r["ranOut"]
    assert abs(seen["value"] - ruin) <= seen["halfWidth95"], (ruin, seen)
    assert seen["sessions"] + r["reachedStop"]["sessions"] == 40000, r
    assert r["finalCredits"]["p95"] == r["highestCredits"]["p95"] == goal, r
    assert r["endedAhead"] == r["reachedStop"], r
    text = session(tool, path, "--credits", start, "--stop-at", goal, "--spins", 10**6,
                   "--sessions", 40000, "--seed", 7, json_out=False)
    assert "ran out before 1000000 spins %.6f +- %.6f (95%%)" % (
        seen["value"], seen["halfWidth95"]) in " ".join(text.split()), text


def par_band(tool, examples, folder):
    for name in ["lucky-sevens", "golden-arrows"]:
        path = os.path.join(examples, name, name + ".slt")
        par = json.loads(subprocess.run([tool, "par", path, "--json"], capture_output=True,
                                        text=True, check=True).stdout)
        chart = os.path.join(folder, name + "-sessions.svg")
        r = session(tool, path, "--credits", 100, "--sessions", 2000, "--plot", chart)
        band = Z95 * par["standardDeviation"] / math.sqrt(r["spinsPlayed"])
        assert abs(r["rtp"] - par["rtp"]["value"]) <= band, (name, r["rtp"], par["rtp"], band)
        assert "<title>%s, 100 credits at bet 3: sessions</title>" % par["name"] in open(
            chart).read()


def main():
    tool, examples, folder = sys.argv[1:4]
    os.makedirs(folder, exist_ok=True)
    never_pays(tool, folder)
    gamblers_ruin(tool, folder)
    par_band(tool, examples, folder)
    print("sessions: never-paying lengths, gambler's ruin and the par band hold")


if __name__ == "__main__":
    main()
