#!/usr/bin/env python3
"""Independent reference model of the slot machine engine, and a random-file checker.

The model below re-implements the machine file reader, credits, spins, nudges and the payoff
evaluation from the written rules alone, without looking at the engine's code. The checker
generates random machine files (well-formed ones covering every construct, and broken ones),
loads each into the model, runs the same operations through `slotsim` and compares the JSON
the tool prints with what the model predicts, field by field.

Inputs whose outcome the rules leave open (input past a table's capacity, a bet below one
coin, odd pay lists) are only checked for "exit 0, valid JSON, tables within bounds".

Standard library only. Run `reference_model.py --help` for the options.
"""

import argparse
import collections
import json
import os
import random
import subprocess
import sys
import time

# ---------------------------------------------------------------------------------------------
# Constants of the machine model
# ---------------------------------------------------------------------------------------------

MAX_SYMBOLS = 128
MAX_REELS = 4
MAX_STOPS = 256
MAX_PAYOFFS = 32
MAX_SND_MUSIC = 4
MAX_SND_COIN = 3

SYM_UP = 1
SYM_DOWN = 2
SYM_DOUBLE = 4
SYM_WILD = 8
SYM_AUTOSPIN = 16

FLAG_WORDS = [(b"(wild)", SYM_WILD), (b"(double)", SYM_DOUBLE), (b"(up)", SYM_UP),
              (b"(down)", SYM_DOWN), (b"(autospin)", SYM_AUTOSPIN)]

MAX_AUTO_RESPINS = 10000  # re-spins that follow within one Spin(bet, 1, 1)
MAX_PLAY_NUDGES = 1024  # Nudge(0) calls tried within one played spin
MAX_PLAY_RESPINS = 10000  # re-spins within one played spin

WHITE = b" \t\n\v\f\r"
LINE_PIECE = 255  # characters one read of a line delivers at most


def is_white(byte):
    return byte in WHITE


def skip_blanks(s, p):
    while p < len(s) and is_white(s[p]):
        p += 1
    return p


def token_end(s, p):
    while p < len(s) and not is_white(s[p]):
        p += 1
    return p


def next_token(s, p):
    return skip_blanks(s, token_end(s, skip_blanks(s, p)))


def trim_blanks(s):
    p = skip_blanks(s, 0)
    e = len(s)
    while e > p and is_white(s[e - 1]):
        e -= 1
    return s[p:e]


def c_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def c_mod(a, b):
    return a - b * c_div(a, b)


def parse_int_value(s):
    """atoi: optional white space, optional sign, decimal digits."""
    p = skip_blanks(s, 0)
    sign = 1
    if p < len(s) and s[p] in b"+-":
        sign = -1 if s[p] == ord("-") else 1
        p += 1
    value = 0
    while p < len(s) and 48 <= s[p] <= 57:
        value = value * 10 + s[p] - 48
        p += 1
    return sign * value


def parse_real_value(s):
    """The longest decimal real number at the start (after white space), 0 when none."""
    p = skip_blanks(s, 0)
    start = p
    if p < len(s) and s[p] in b"+-":
        p += 1
    digits = 0
    while p < len(s) and 48 <= s[p] <= 57:
        p += 1
        digits += 1
    if p < len(s) and s[p] == ord("."):
        p += 1
        while p < len(s) and 48 <= s[p] <= 57:
            p += 1
            digits += 1
    if digits == 0:
        return 0.0
    end = p
    if p < len(s) and s[p] in b"eE":
        q = p + 1
        if q < len(s) and s[q] in b"+-":
            q += 1
        if q < len(s) and 48 <= s[q] <= 57:
            while q < len(s) and 48 <= s[q] <= 57:
                q += 1
            end = q
    return float(s[start:end].decode("ascii"))


def parse_number(s, p):
    """Unsigned decimal digits at p; returns (value, position after the digits)."""
    value = 0
    while p < len(s) and 48 <= s[p] <= 57:
        value = value * 10 + s[p] - 48
        p += 1
    return value, p


def starts_with_nocase(s, prefix):
    return len(s) >= len(prefix) and s[:len(prefix)].lower() == prefix.lower()


def read_pieces(data):
    """Lines as one read of at most 255 characters delivers them, line end dropped."""
    pos = 0
    while pos < len(data):
        nl = data.find(b"\n", pos, pos + LINE_PIECE)
        if nl >= 0:
            yield data[pos:nl]
            pos = nl + 1
        else:
            yield data[pos:pos + LINE_PIECE]
            pos += LINE_PIECE


class Rng:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF


# ---------------------------------------------------------------------------------------------
# The machine
# ---------------------------------------------------------------------------------------------


class Symbol:
    __slots__ = ("letter", "filename", "label", "flags", "height", "tx", "ty", "tx2", "ty2")

    def __init__(self):
        self.letter = 0
        self.filename = None
        self.label = None
        self.flags = 0
        self.height = 0.0
        self.tx = self.ty = self.tx2 = self.ty2 = 0.0


class Reel:
    def __init__(self):
        self.strip = []  # symbol codes
        self.spin = []


class Payoff:
    def __init__(self):
        self.match = [set() for _ in range(MAX_REELS)]
        self.plus = [0] * MAX_REELS
        self.pay = [0, 0, 0]
        self.label = None


KEYWORDS = [  # prefix, kind, field
    (b"%igtsplus", "flag", "WeightedStrips"),
    (b"%name ", "str", "Name"),
    (b"%maxcoins ", "int", "MaxCoins"),
    (b"%symwidth ", "real", "SymWidth"),
    (b"%symspace ", "real", "SymSpace"),
    (b"%windowthick ", "real", "WindowThick"),
    (b"%windowheight ", "real", "WindowHeight"),
    (b"%symheight ", "real", "SymHeight"),
    (b"%chart ", "str", "ChartFile"),
    (b"%charty", "real", "ChartY"),
    (b"%chartheight ", "real", "ChartHeight"),
    (b"%sndmusic ", "music", "SndMusic"),
    (b"%sndcoin ", "coin", "SndCoin"),
    (b"%sndpay ", "str", "SndPay"),
    (b"%sndclun", "str", "SndClunk"),
    (b"%sndbet ", "str", "SndBet"),
    (b"%currencynum ", "int", "CurrencyNum"),
    (b"%currencydenom ", "denom", "CurrencyDenom"),
    (b"%sndauto ", "str", "SndAuto"),
]

STRING_FIELDS = ["Name", "FileName", "ChartFile", "SndClunk", "SndPay", "SndBet", "SndAuto"]
GEOMETRY_FIELDS = ["SymSpace", "SymWidth", "WindowHeight", "WindowThick"]
INT_FIELDS = ["NumPayoffs", "NumReels", "WeightedStrips", "CoinsBet", "CurrencyNum",
              "CurrencyDenom", "ResetCount", "AutoSpin", "NumSndMusic", "NumSndCoin", "Expended",
              "Win", "PrevWin", "Credits", "MinCredits", "MaxCredits", "TotalBet", "Bet",
              "TotalCredited", "Spins", "LastBet", "BetShown", "Pending", "Paid", "MaxCoins"]
REAL_FIELDS = ["SymHeight", "ChartY", "ChartHeight"]


class Machine:
    @property
    def NumSndMusic(self):
        return len(self.SndMusic)

    @property
    def NumSndCoin(self):
        return len(self.SndCoin)

    def __init__(self):
        # Geometry before any file has set it is the engine's own choice: None means "unknown".
        for f in GEOMETRY_FIELDS:
            setattr(self, f, None)
        self.CoinsBet = 0
        self.PrevWin = 0
        self.ResetCount = 0
        self.messages = []
        self.capped = False
        self.nudge_capped = False
        self.play_capped = False
        self.clear()

    # --- model, Clear and Reset ----------------------------------------------------------------

    def clear(self):
        self.NumPayoffs = 0
        self.NumReels = 0
        self.WeightedStrips = 0
        self.SymHeight = 1.0
        self.ChartY = 1.0
        self.ChartHeight = 10.0
        self.MaxCoins = 3
        self.CurrencyNum = 4
        self.CurrencyDenom = 1
        self.Symbols = [Symbol() for _ in range(MAX_SYMBOLS)]
        self.Reels = [Reel() for _ in range(MAX_REELS)]
        self.Payoffs = []
        for f in STRING_FIELDS:
            setattr(self, f, None)
        self.SndMusic = []
        self.SndCoin = []
        self.reset()

    def reset(self):
        for f in ["Credits", "Spins", "MinCredits", "MaxCredits", "TotalBet", "Bet", "LastBet",
                  "TotalCredited", "Win", "BetShown", "Pending", "Paid", "Expended", "AutoSpin"]:
            setattr(self, f, 0)
        self.Position = [0, 0, 0, 0]
        self.ResetCount += 1

    # --- loading --------------------------------------------------------------------------------

    def load(self, path):
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            self.messages.append(("Error", "Unable to open specified file"))
            return
        self.clear()
        self.FileName = path.encode()
        lines = read_pieces(data)
        for reader, name in [(self.parse_symbols, "ParseSymbols"),
                             (self.parse_reels, "ParseReels"),
                             (self.parse_payoffs, "ParsePayoffs")]:
            if not reader(lines):
                self.messages.append(("Error", name + " failed"))

    @staticmethod
    def next_line(lines):
        """The next non-blank trimmed line; b"%%" ends the section; None at end of file."""
        for piece in lines:
            line = trim_blanks(piece)
            if line:
                return line
        return None

    def parse_keyword(self, line):
        for prefix, kind, field in KEYWORDS:
            if not starts_with_nocase(line, prefix):
                continue
            value = line[next_token(line, 0):]
            if kind == "flag":
                self.WeightedStrips = 1
            elif kind == "str":
                setattr(self, field, value)
            elif kind == "int":
                setattr(self, field, parse_int_value(value))
            elif kind == "denom":
                self.CurrencyDenom = max(1, parse_int_value(value))
            elif kind == "real":
                setattr(self, field, parse_real_value(value))
            elif kind == "music":
                self.SndMusic.append(value)
            elif kind == "coin":
                self.SndCoin.append(value)
            return True
        return False

    def parse_symbols(self, lines):
        while True:
            line = self.next_line(lines)
            if line is None:
                return False
            if line == b"%%":
                return True
            if self.parse_keyword(line):
                continue
            flags = 0
            p = 0
            while p < len(line):
                word = [bit for w, bit in FLAG_WORDS if starts_with_nocase(line[p:], w)]
                if not word:
                    break
                flags |= word[0]
                p = next_token(line, p)
            if p >= len(line):
                continue
            letter = line[p]
            sym = self.Symbols[letter]
            sym.letter = letter
            sym.flags = flags
            sym.height = self.SymHeight
            p = next_token(line, p)
            if p >= len(line):
                return False
            texture = line[p:token_end(line, p)]
            slash = texture.find(b"/")
            if slash < 0:
                sym.filename = texture
                sym.tx, sym.ty, sym.tx2, sym.ty2 = 0.0, 0.0, 1.0, 1.0
            else:
                sym.filename = texture[:slash]
                sym.tx, sym.ty, sym.tx2, sym.ty2 = texture_cell(texture[slash + 1])
            sym.label = line[next_token(line, p):]

    def parse_reels(self, lines):
        while True:
            line = self.next_line(lines)
            if line is None:
                return False
            if line == b"%%":
                return True
            p = skip_blanks(line, 0)
            k = 0
            while p < len(line):
                self.add_stop(k, line[p])
                k += 1
                p = next_token(line, p)
            self.NumReels = max(self.NumReels, k)

    def add_stop(self, k, letter):
        reel = self.Reels[k]
        if not (self.WeightedStrips and reel.strip and reel.strip[-1] == letter):
            reel.strip.append(letter)
        reel.spin.append(len(reel.strip) - 1)

    def parse_payoffs(self, lines):
        while True:
            line = self.next_line(lines)
            if line is None:
                return False
            if line == b"%%":
                return True
            payoff = Payoff()
            self.Payoffs.append(payoff)
            self.NumPayoffs += 1
            if not self.parse_payoff_line(line, payoff):
                return False

    @staticmethod
    def parse_payoff_line(line, payoff):
        p = skip_blanks(line, 0)
        column = 0
        while p < len(line) and line[p] != ord("^"):
            if line[p] == ord("+"):
                payoff.plus[column] = 1
                p += 1
                if p >= len(line) or is_white(line[p]):  # "+" alone: the engine's choice
                    p = next_token(line, p)
                    column += 1
                    continue
            if line[p] == ord("["):
                close = line.find(b"]", p + 1)
                if close < 0:
                    return False
                payoff.match[column].update(line[p + 1:close])
                p = close
            else:
                payoff.match[column].add(line[p])
            p = next_token(line, p)
            column += 1
        if p >= len(line):
            return True
        p = next_token(line, p)
        pays = []
        while p < len(line) and line[p] != ord("^"):
            value, q = parse_number(line, p)
            if q == p:  # anything but digits: the engine's choice, not compared
                break
            pays.append(value)
            p = skip_blanks(line, q)
        for k in range(3):
            payoff.pay[k] = pays[k] if k < len(pays) else (pays[0] * (k + 1) if pays else 0)
        if p < len(line):
            payoff.label = line[next_token(line, p):]
        return True

    # --- credits and bets -----------------------------------------------------------------------

    def insert_money(self, amount):
        self.Pending += c_div(self.CurrencyNum * amount, self.CurrencyDenom)
        self.Expended += amount

    def add_bet(self, coins):
        room = max(0, self.MaxCoins - self.Bet)
        accepted = min(room, coins)
        self.CoinsBet += accepted
        self.Credits -= accepted
        self.TotalBet += accepted
        self.Bet += accepted
        self.BetShown = self.Bet
        self.track_credits()

    def pay_out(self, amount, count):
        moved = min(amount, self.Pending)
        self.Pending -= moved
        self.Credits += moved
        self.TotalCredited += moved
        if count:
            self.Paid += moved
        self.track_credits()
        return moved

    def count_in_all(self):
        """PayOut(1, 1) until it returns 0, done in one step."""
        if self.Pending > 0:
            self.MinCredits = min(self.MinCredits, self.Credits + 1)
            moved = self.Pending
            self.Pending = 0
            self.Credits += moved
            self.TotalCredited += moved
            self.Paid += moved
        self.track_credits()

    def track_credits(self):
        self.MinCredits = min(self.MinCredits, self.Credits)
        self.MaxCredits = max(self.MaxCredits, self.Credits)

    # --- reels ---------------------------------------------------------------------------------

    def wrap_stop(self, reel, index):
        n = len(self.Reels[reel].strip)
        while index < 0:
            index += n
        while index >= n:
            index -= n
        return index

    def symbol_at(self, reel, row):
        strip = self.Reels[reel].strip
        return self.Symbols[strip[(self.Position[reel] + row - 1) % len(strip)]]

    def nudge_reel(self, reel):
        if self.symbol_at(reel, 0).flags & SYM_DOWN:
            self.Position[reel] = self.wrap_stop(reel, self.Position[reel] - 1)
            return 1
        if self.symbol_at(reel, 2).flags & SYM_UP:
            self.Position[reel] = self.wrap_stop(reel, self.Position[reel] + 1)
            return 1
        return 0

    def spin(self, rng, bet, nudge, auto_pay):
        respins = 0
        while True:
            self.Paid = 0
            if bet == -1:
                self.Bet = self.LastBet
            else:
                if bet > self.Bet:
                    self.add_bet(bet - self.Bet)
                self.Spins += 1
            for i in range(self.NumReels):
                r = rng.next()
                reel = self.Reels[i]
                self.Position[i] = reel.spin[r % len(reel.spin)]
                if nudge:
                    self.nudge_reel(i)
            self.PrevWin = self.Win
            self.Win = self.Pending = self.evaluate(self.Bet)
            if nudge and not auto_pay:
                break
            if nudge and auto_pay and self.respin_allowed(respins):
                respins += 1
                continue
            if auto_pay:
                self.pay_out(self.Win, 1)
            break
        self.LastBet = self.Bet
        self.Bet = 0
        return respins

    def respin_allowed(self, respins):
        if respins < MAX_AUTO_RESPINS:
            return self.check_auto_spin()
        # After the last allowed re-spin the series ends as if CheckAutoSpin had returned 0,
        # which leaves AutoSpin at 0.
        self.capped = True
        self.AutoSpin = 0
        return 0

    def nudge(self, auto_pay):
        if not any(self.nudge_reel(i) for i in range(self.NumReels)):
            return 0
        self.PrevWin = self.Win
        self.Win = self.Pending = self.evaluate(self.LastBet)
        if auto_pay:
            self.Credits -= self.PrevWin
            self.TotalCredited -= self.PrevWin
            self.pay_out(self.Win, 1)
        return 1

    def check_auto_spin(self):
        if self.AutoSpin == 1 and self.Win == 0:
            return 1
        if any(self.symbol_at(i, 1).flags & SYM_AUTOSPIN for i in range(self.NumReels)):
            self.AutoSpin = 1
            return 1
        self.AutoSpin = 0
        return 0

    def play_spin(self, rng, bet):
        """One spin as the on-screen play control sequences it, with sound off; returns the
        number of re-spins."""
        self.CoinsBet = 0
        self.spin(rng, bet, 0, 0)
        tries = 0
        respins = 0
        while True:
            if tries < MAX_PLAY_NUDGES:
                tries += 1
                if self.nudge(0):
                    continue
            else:
                self.nudge_capped = True
            if respins >= MAX_PLAY_RESPINS:
                self.play_capped = True
                self.AutoSpin = 0  # as if CheckAutoSpin had returned 0
                break
            if self.check_auto_spin():
                respins += 1
                self.spin(rng, -1, 0, 0)
                continue
            break
        self.count_in_all()
        return respins

    # --- payoff evaluation ----------------------------------------------------------------------

    def evaluate(self, bet):
        if self.NumPayoffs == 0:
            return 0
        level = min(bet - 1, 2)
        symbols = self.Symbols
        rows = []  # per reel: letters of rows 0, 1, 2; pay-line and below-line flags
        for i in range(self.NumReels):
            strip = self.Reels[i].strip
            p = self.Position[i]
            above, on, below = (symbols[strip[p - 1]], symbols[strip[p]],
                                symbols[strip[(p + 1) % len(strip)]])
            rows.append(((above.letter, on.letter, below.letter), on.flags, below.flags))
        star = ord("*")
        best = 0
        for p in self.Payoffs:
            anyc = matched = wild = 0
            multiplier = 1
            for i, (letters, on_flags, below_flags) in enumerate(rows):
                match = p.match[i]
                if star in match:
                    anyc += 1
                    continue
                if p.plus[i]:
                    met = letters[0] in match or letters[1] in match or letters[2] in match
                    flags = below_flags  # the substitution symbol of a "+" column
                else:
                    met = letters[1] in match
                    flags = on_flags
                if met:
                    matched += 1
                elif flags & SYM_WILD:
                    wild += 1
                    if flags & SYM_DOUBLE:
                        multiplier *= 2
            amount = p.pay[level] * multiplier
            if matched >= 1 and anyc + matched + wild == self.NumReels and amount > best:
                best = amount
        return best

    # --- the JSON that `slotsim dump` prints ------------------------------------------------------

    def dump(self):
        d = {}
        for f in INT_FIELDS:
            d[f] = getattr(self, f)
        d["NumSndMusic"] = len(self.SndMusic)
        d["NumSndCoin"] = len(self.SndCoin)
        d["NumPayoffs"] = len(self.Payoffs)
        d["Position"] = list(self.Position)
        for f in REAL_FIELDS + GEOMETRY_FIELDS:
            d[f] = getattr(self, f)
        for f in STRING_FIELDS:
            d[f] = text(getattr(self, f))
        d["SndMusic"] = [text(s) for s in self.SndMusic]
        d["SndCoin"] = [text(s) for s in self.SndCoin]
        d["Symbols"] = [{
            "code": code, "letter": s.letter, "filename": text(s.filename), "label": text(s.label),
            "flags": s.flags, "height": s.height, "tx": s.tx, "ty": s.ty, "tx2": s.tx2,
            "ty2": s.ty2} for code, s in enumerate(self.Symbols) if s.letter != 0]
        d["Reels"] = [{"numsym": len(r.strip), "strip": list(r.strip), "numspin": len(r.spin),
                       "spin": list(r.spin)} for r in self.Reels[:self.NumReels]]
        d["Payoffs"] = [{"match": [sorted(m) for m in p.match], "plus": list(p.plus),
                         "pay": list(p.pay), "label": text(p.label)} for p in self.Payoffs]
        d["Messages"] = [{"caption": c, "text": t} for c, t in self.messages]
        return d


def text(b):
    return None if b is None else b.decode("utf-8", errors="replace")


def texture_cell(c):
    if 65 <= c <= 90:
        c += 32
    if 97 <= c <= 122:
        n, size, extent, i = 4, 0.25, 0.2499, c - 97
    else:
        n, size, extent, i = 2, 0.5, 0.4999, c - 49
    tx = c_mod(i, n) * size
    ty = (n - c_div(i, n) - 1) * size
    return tx, ty, tx + extent, ty + extent


# ---------------------------------------------------------------------------------------------
# Self-check of the model against the worked examples of the rules
# ---------------------------------------------------------------------------------------------

EXAMPLE = b"""%name Lucky Sevens
%igtsplus
R syms/a Cherry
B syms/b Bar
7 syms/c Seven
(wild) (double) W syms/d Double Wild
(down) N syms/e Drop Seven
(up) U syms/f Rise Seven
(autospin) A syms/g Free Spin
%symheight 0.5
- blank Gap
%%
R B 7
B R -
B W A
7 - R
- 7 B
N U -
%%
7 7 7 ^ 100 200 500 ^ Three Sevens
B B B ^ 20 ^ Three Bars
[B7] [B7] [B7] ^ 10 ^ Any Bar or Seven
R * * ^ 2 ^ Cherry on the first reel
%%
"""


# Hand-made files checked before the random ones: edges of the line reader and sections.
FIXED_FILES = [
    ("example", EXAMPLE),
    ("empty", b""),
    ("three-ends", b"%%\n%%\n%%\n"),
    ("no-final-newline", b"R pic\n%%\nR R\n%%\nR R ^ 3\n%%"),
    ("only-blank-lines", b"\n \n\t\n\r\n"),
    ("line-of-255", b"R pic " + b"L" * 249 + b"\n%%\nR\n%%\nR ^ 1\n%%\n"),
    ("line-of-256", b"R pic " + b"L" * 250 + b"\n%%\nR\n%%\nR ^ 1\n%%\n"),
    ("end-marker-with-text", b"R pic\n%% x\n%%\nR\n%%\n%%x\n%%\n"),
    ("keyword-alone", b"%name\n%%\nR\n%%\n%%\n"),
    ("flags-only", b"(wild) (up)\nR pic\n%%\nR\n%%\nR ^ 2 ^\n%%\n"),
    ("wild-in-plus-column", b"(wild) (double) W pic\nR pic\nB pic\n%%\nB W\nW R\nR B\n%%\n"
                            b"+R +R ^ 5 ^ plus\nR R ^ 4\n%%\n"),
    ("every-stop-autospin", b"(autospin) A pic\n%%\nA A\n%%\nA A ^ 0\n%%\n"),
    ("nudges-never-rest", b"(down) D pic\n(up) U pic\n%%\nD\nU\n%%\nD ^ 4\n%%\n"),
    ("one-stop-down", b"(down) D pic\n%%\nD D\n%%\nD D ^ 1 2\n%%\n"),
]


def load_bytes(data, workdir, name="selfcheck.slt"):
    path = os.path.join(workdir, name)
    with open(path, "wb") as f:
        f.write(data)
    m = Machine()
    m.load(path)
    return m


def self_check(workdir):
    m = load_bytes(EXAMPLE, workdir)
    assert m.messages == [], m.messages
    assert m.Name == b"Lucky Sevens" and m.WeightedStrips == 1
    assert m.Reels[0].strip == list(b"RB7-N") and m.Reels[0].spin == [0, 1, 1, 2, 3, 4]
    w = m.Symbols[ord("W")]
    assert (w.flags, w.filename, w.label, w.tx, w.ty) == (12, b"syms", b"Double Wild", 0.75, 0.75)
    assert texture_cell(ord("3")) == (0.0, 0.0, 0.4999, 0.4999)
    assert texture_cell(ord("E")) == texture_cell(ord("e"))
    assert m.Symbols[ord("-")].height == 0.5
    # Pay lines of the worked example; the strips are replaced so that each stop is known.
    for line, bet, win in [("BW7", 1, 20), ("7WW", 2, 800), ("WWW", 3, 0), ("RB7", 1, 2),
                           ("RWW", 1, 2), ("BB7", 5, 30), ("BB7", 3, 30)]:
        for i, ch in enumerate(line):
            m.Reels[i].strip = [ord("-"), ord(ch), ord("-")]
            m.Position[i] = 1
        got = m.evaluate(bet)
        assert got == win, (line, bet, got, win)
    lines = list(read_pieces(b"x" * 300 + b"\n" + b"y" * 255 + b"\nz"))
    assert [len(x) for x in lines] == [255, 45, 255, 0, 1], [len(x) for x in lines]


# ---------------------------------------------------------------------------------------------
# Random machine files
# ---------------------------------------------------------------------------------------------

# Letters for symbols: mostly ordinary ones, some punctuation that the payoff syntax also uses.
COMMON_LETTERS = "ABCDEFGHJKLMNOPQRSTUVWXYZabcdefghjkmnopqrstuvwxyz0123456789"
ODD_LETTERS = "-=#$&@!?<>.,;:'\"~`|\\{}_%*+[]^/(\x01\x7f"
FLAG_TEXT = ["(wild)", "(double)", "(up)", "(down)", "(autospin)"]
FLAG_BITS = {"(wild)": SYM_WILD, "(double)": SYM_DOUBLE, "(up)": SYM_UP, "(down)": SYM_DOWN,
             "(autospin)": SYM_AUTOSPIN}
TEXTURES = ["syms", "reel", "pic", "Blank", "blank", "BLANK", "sym-1", "a.b", "Fruit_2"]
CELL_CHARS = "abcdefghijklmnopABCDEFGHIJKLMNOPqrzZ12345609!~]"
LABEL_WORDS = ["Cherry", "Bar", "Seven", "Double", "Wild", "Gap", "Free", "Spin", "Café", "à",
               "x\ty", "++", "^", "[", "*", "%%", "(wild)", "7"]
WS = [" ", " ", " ", "  ", "\t", " \t ", "\v", "\f"]


def odd_case(rng, word):
    return "".join(c.upper() if rng.random() < 0.4 else c for c in word)


def sep(rng):
    return rng.choice(WS) if rng.random() < 0.3 else " "


def real_text(rng):
    return rng.choice(["0.5", "1", "1.0", "2.25", "-0.75", ".5", "3.", "1e-1", "2.5E+1", "0.2",
                       "abc", "7.125xyz", "+0.3", "1.5e", "0.1234567890123"])


def int_text(rng, low=-5, high=20):
    value = str(rng.randint(low, high))
    return rng.choice([value, value, value, value + "xyz", "+" + value.lstrip("-"), "abc"])


class FilePlan:
    """What the generator promises about a file, for choosing the checks."""

    def __init__(self):
        self.kind = "valid"
        self.full_compare = True  # False: only exit 0, valid JSON and tables within bounds
        self.over = None  # which capacity an over-capacity file exceeds


def keyword_lines(rng, plan):
    lines = []
    music = rng.randint(0, MAX_SND_MUSIC)
    coins = rng.randint(0, MAX_SND_COIN)
    names = ["%igtsplus", "%name", "%maxcoins", "%symwidth", "%symspace", "%windowthick",
             "%windowheight", "%symheight", "%chart", "%charty", "%chartheight", "%sndpay",
             "%sndclunk", "%sndbet", "%currencynum", "%currencydenom", "%sndauto"]
    for name in rng.sample(names, rng.randint(0, len(names))):
        word = odd_case(rng, name)
        gap = " " + (rng.choice(["", " ", "\t", "  \v"]) if rng.random() < 0.2 else "")
        if name == "%igtsplus":
            lines.append(word + rng.choice(["", "", " yes", "X"]))
        elif name == "%maxcoins":
            lines.append(word + gap + rng.choice(["1", "2", "3", "3", "4", "5", "2junk", "+3"]))
        elif name in ("%currencynum", "%currencydenom"):
            lines.append(word + gap + int_text(rng))
        elif name == "%charty":
            # No space belongs to this prefix, so "%charty0.8" is the keyword too; its value
            # starts after the whole first token and is empty there.
            lines.append(word + rng.choice([" ", "  ", "\t", ""]) + real_text(rng))
        elif name.startswith("%snd") or name in ("%name", "%chart"):
            value = rng.choice(["a.wav", "Lucky Sevens", "x  y\tz", "Café", "chart", "k.wav"])
            if name == "%sndclunk" and rng.random() < 0.3:
                word = odd_case(rng, "%sndclunky")
            lines.append(word + gap + value)
        else:
            lines.append(word + gap + real_text(rng))
    if plan.kind != "no-texture" and rng.random() < 0.05:
        # A tab is not the space of the "%name " prefix: this is a symbol line for "%".
        lines.append(odd_case(rng, "%name") + "\tpic/b Percent")
    if plan.kind != "no-texture" and rng.random() < 0.03:
        lines.append("%% pic/c not an end")
    for _ in range(music):
        lines.append(odd_case(rng, "%sndmusic") + " music%d.wav" % rng.randint(0, 9))
    for _ in range(coins):
        lines.append(odd_case(rng, "%sndcoin") + " coin%d.wav" % rng.randint(0, 9))
    return lines


def symbol_line(rng, letter, flags_words):
    parts = list(flags_words)
    token = letter
    if rng.random() < 0.15 and letter not in "(%":
        token += rng.choice(["x", "seven", "7", "ar"])
    parts.append(token)
    texture = rng.choice(TEXTURES)
    if rng.random() < 0.7:
        texture += "/" + rng.choice(CELL_CHARS)
    parts.append(texture)
    if rng.random() < 0.7:
        parts.append(" ".join(rng.choice(LABEL_WORDS) for _ in range(rng.randint(1, 3))))
    text_line = sep(rng).join(parts)
    return (rng.choice(["", "  ", "\t"]) if rng.random() < 0.1 else "") + text_line


def choose_flags(rng, autospin_ok):
    words = []
    if rng.random() < 0.45:
        for _ in range(rng.randint(1, 3)):
            word = rng.choice(FLAG_TEXT)
            if word == "(autospin)" and not autospin_ok:
                continue
            suffix = "x" if rng.random() < 0.05 else ""
            words.append(odd_case(rng, word) + suffix)
    return words


def generate_file(rng):
    """Returns (bytes, FilePlan) for one random machine file."""
    plan = FilePlan()
    roll = rng.random()
    if roll < 0.70:
        plan.kind = "valid"
    elif roll < 0.76:
        plan.kind = "no-end"  # missing last "%%"
    elif roll < 0.79:
        plan.kind = "no-reel-end"
    elif roll < 0.81:
        plan.kind = "no-symbol-end"
    elif roll < 0.87:
        plan.kind = "no-texture"
    elif roll < 0.92:
        plan.kind = "unclosed-set"
    else:
        plan.kind = "over-capacity"
        plan.full_compare = False

    lines = keyword_lines(rng, plan)
    weighted = any(l.lower().startswith("%igtsplus") for l in lines)

    # Symbols: some letters, each with flags; nudging and autospin symbols kept sparse enough
    # that series of re-spins end.
    count = rng.randint(1, 12)
    pool = COMMON_LETTERS + (ODD_LETTERS if rng.random() < 0.3 else "")
    letters = rng.sample(pool, min(count, len(pool)))
    symbol_flags = {}
    autospin_budget = rng.choice([0, 0, 1, 1, 2])
    sym_lines = []
    for letter in letters:
        words = choose_flags(rng, autospin_budget > 0)
        if any(w.lower().startswith("(autospin)") for w in words):
            autospin_budget -= 1
        flags = 0
        for w in words:
            flags |= FLAG_BITS[[f for f in FLAG_TEXT if w.lower().startswith(f)][0]]
        symbol_flags[letter] = flags
        sym_lines.append(symbol_line(rng, letter, words))
        if rng.random() < 0.1:
            sym_lines.append(odd_case(rng, "%symheight") + " " + real_text(rng))
    if rng.random() < 0.1:
        sym_lines.append(" ".join(odd_case(rng, w) for w in rng.sample(FLAG_TEXT, 2)))
    if rng.random() < 0.1 and len(letters) > 1:  # a letter defined twice: the later line wins
        again = rng.choice(letters)
        words = choose_flags(rng, False)
        flags = 0
        for w in words:
            flags |= FLAG_BITS[[f for f in FLAG_TEXT if w.lower().startswith(f)][0]]
        symbol_flags[again] = flags
        sym_lines.append(symbol_line(rng, again, words))
    if rng.random() < 0.05:  # a long line split into two symbol lines
        head = "Q syms/b "
        sym_lines.append(head + "L" * (LINE_PIECE - len(head)) + "  Z reel/c Tail")
        letters += [l for l in "QZ" if l not in letters]
        symbol_flags["Q"] = symbol_flags["Z"] = 0
    # Keywords and symbols in any order: "%symheight" then applies to the symbols after it.
    section1 = lines + sym_lines
    rng.shuffle(section1)

    if plan.kind == "no-texture":
        # A line with a letter and no texture, then a few more section 1 lines that the reel
        # reader takes as reel lines.
        # The failing line's letter must be a fresh one: what a failing line leaves of an
        # earlier definition of its letter is not fixed.
        fresh = [c for c in "XYZ#" if c not in letters]
        if fresh:
            choices = [fresh[0], " ".join(choose_flags(rng, False) + [fresh[-1]])]
            if "%" not in letters:
                choices.append("%name")
            plain = [c for c in letters if c.isalnum()] or ["R"]
            tail = [" ".join(rng.choice(plain) for _ in range(rng.randint(1, MAX_REELS)))
                    for _ in range(rng.randint(0, 3))]
            section1 += [rng.choice(choices)] + tail
        else:
            plan.kind = "valid"

    # Reels.
    num_reels = rng.randint(1, MAX_REELS)
    rows = rng.randint(1, 30) if rng.random() < 0.95 else rng.randint(100, MAX_STOPS)
    defined = letters
    undefined = [c for c in "xyzXYZ" if c not in defined]
    nudgers = [c for c in defined if symbol_flags.get(c, 0) & (SYM_UP | SYM_DOWN)]
    reel_lines = []
    columns = [[] for _ in range(num_reels)]
    for r in range(rows):
        width = num_reels if rng.random() < 0.85 else rng.randint(1, num_reels)
        row = []
        for k in range(width):
            if weighted and columns[k] and rng.random() < 0.4:
                c = columns[k][-1]
            elif rng.random() < 0.04 and undefined:
                c = rng.choice(undefined)
            else:
                c = rng.choice(defined)
                if c in nudgers and rng.random() < 0.5:
                    c = rng.choice(defined)
            if weighted and columns[k] and c in undefined and columns[k][-1] == c:
                c = rng.choice(defined)
            columns[k].append(c)
            token = c + (rng.choice(["", "", "", "x", "7"]) if c not in "%" else "")
            row.append(token)
        reel_lines.append(sep(rng).join(row))
    if plan.kind == "no-texture":  # the reel lines are read as payoff lines
        reel_lines = reel_lines[:MAX_PAYOFFS]
        reel_lines = [" ".join(t for t in l.split()) for l in reel_lines
                      if not any(ch in l for ch in "+[^")]

    # Payoffs.
    pay_lines = []
    reel_letters = [sorted(set(c)) for c in columns]
    for _ in range(rng.randint(0, 12)):
        pay_lines.append(payoff_line(rng, num_reels, reel_letters, defined))
    if rng.random() < 0.6:
        # A payoff that is easy to win, so that series of re-spins come to an end.
        catch = "[" + "".join(c for c in defined if c not in "]") + "]"
        pay_lines.append(" ".join([catch] + ["*"] * (MAX_REELS - 1)) + " ^ 1")
        rng.shuffle(pay_lines)
    if plan.kind == "unclosed-set":
        pos = rng.randint(0, len(pay_lines))
        cols = rng.randint(0, num_reels - 1)
        plain = [c for c in defined if c.isalnum()] or ["R"]
        bad = " ".join(rng.choice(plain) for _ in range(cols)) + " ["
        pay_lines.insert(pos, bad.strip())

    if plan.kind == "over-capacity":
        over = rng.choice(["fifth-token", "long-strip", "many-payoffs", "fifth-column",
                           "music", "coins", "pays", "high-chars", "maxcoins", "junk-pays"])
        plan.over = over
        if over == "fifth-token":
            reel_lines.append(" ".join(rng.choice(defined) for _ in range(rng.randint(5, 9))))
        elif over == "long-strip":
            reel_lines += [rng.choice(defined) for _ in range(MAX_STOPS + 5)]
        elif over == "many-payoffs":
            pay_lines += [payoff_line(rng, num_reels, reel_letters, defined) for _ in range(40)]
        elif over == "fifth-column":
            pay_lines.append(" ".join("*" for _ in range(rng.randint(5, 8))) + " ^ 3")
        elif over == "music":
            section1 += ["%sndmusic m" + str(i) + ".wav" for i in range(6)]
        elif over == "coins":
            section1 += ["%sndcoin c" + str(i) + ".wav" for i in range(5)]
        elif over == "pays":
            pay_lines.append("* * * * ^ 1 2 3 4 5 6 ^ many")
        elif over == "high-chars":
            section1.append("\xe9 syms/a high")
            reel_lines.append("\xe9 \xff \x80")
            pay_lines.append("\xe9 [\xff\xe9] +\x80 ^ 5")
        elif over == "maxcoins":
            section1.append("%maxcoins " + rng.choice(["0", "-3"]))
        elif over == "junk-pays":
            pay_lines.append("* * ^ 5x -3 ^ junk")

    blocks = [section1, reel_lines, pay_lines]
    ends = [True, True, True]
    if plan.kind == "no-end":
        ends[2] = False
    elif plan.kind == "no-reel-end":
        ends[1] = ends[2] = False
        blocks[2] = []
    elif plan.kind == "no-symbol-end":
        ends = [False, False, False]
        blocks[1] = blocks[2] = []
    out = []
    for block, end in zip(blocks, ends):
        for line in block:
            out.append(pad(rng, line) if len(line) < LINE_PIECE - 10 else line)
            if rng.random() < 0.05:
                out.append(rng.choice(["", "   ", "\t"]))
        if end:
            out.append(rng.choice(["%%", "%%", "%%", "  %%\t"]))
    if all(ends) and rng.random() < 0.3:
        out.append("trailing text that is never read")
    eol = "\r\n" if rng.random() < 0.15 else "\n"
    body = eol.join(out)
    if rng.random() < 0.8:
        body += eol
    data = body.encode("utf-8") if plan.kind != "over-capacity" else body.encode("latin-1", "replace")
    return data, plan


def pad(rng, line):
    if rng.random() < 0.1:
        return rng.choice(WS) + line + rng.choice(WS)
    return line


def payoff_line(rng, num_reels, reel_letters, defined):
    cols = []
    ncols = num_reels if rng.random() < 0.85 else rng.randint(0, MAX_REELS)
    for k in range(ncols):
        choices = reel_letters[k] if k < len(reel_letters) and reel_letters[k] else defined
        plus = "+" if rng.random() < 0.12 else ""
        roll = rng.random()
        if roll < 0.15:
            body = "*"
        elif roll < 0.35:
            members = rng.sample(choices, min(len(choices), rng.randint(0, 3)))
            body = "[" + "".join(c for c in members if c != "]") + "]"
        else:
            c = rng.choice(choices)
            body = c if c not in "[^" else "[" + c + "]"
            if not plus and c == "+":
                body = "[+]"
        cols.append(plus + body)
    line = " ".join(cols)
    roll = rng.random()
    if roll < 0.08:
        return line or "*"
    pays = [rng.choice(["", "", "", "0", "00"]) + str(rng.randint(0, 500))
            for _ in range(rng.choice([0, 1, 1, 2, 3, 3]))]
    # The pays start after the whole "^" token, so in "^5" the 5 is not a pay.
    caret = "^" if rng.random() < 0.95 else "^" + str(rng.randint(1, 9))
    line += sep(rng) + caret + sep(rng) + "".join(p + sep(rng) for p in pays)
    if rng.random() < 0.6:
        line += " ^" + rng.choice(["", " Three Sevens", " any  bar", " Café", " ^ x", "Glued label"])
    return line.strip()


# ---------------------------------------------------------------------------------------------
# Running slotsim and comparing
# ---------------------------------------------------------------------------------------------


class Checker:
    def __init__(self, slotsim, workdir, verbose):
        self.slotsim = slotsim
        self.workdir = workdir
        self.verbose = verbose
        self.failures = []
        self.calls = 0
        self.spins = 0
        self.notes = set()
        self.coverage = collections.Counter()

    def tool(self, args, timeout=60):
        self.calls += 1
        try:
            proc = subprocess.run([self.slotsim] + args, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, "timed out after %ds" % timeout
        if proc.returncode != 0:
            return None, "exit %d: %s" % (proc.returncode, proc.stderr.decode(errors="replace"))
        try:
            return json.loads(proc.stdout), None
        except ValueError as e:
            return None, "bad JSON: %s" % e

    def fail(self, path, what, detail):
        self.failures.append("%s: %s: %s" % (path, what, detail))

    def check_file(self, path, plan, rng):
        if plan.full_compare:
            with open(path, "rb") as f:
                self.coverage.update(features(self.model(path), f.read()))
            self.check_dump(path)
            self.check_eval(path, rng)
            for flags in ([], ["--autopay"], ["--nudge"], ["--nudge", "--autopay"]):
                self.check_run(path, rng, flags)
            self.check_play(path, rng)
        else:
            self.coverage["over capacity: " + plan.over] += 1
            self.check_bounds(path, rng)

    def model(self, path):
        m = Machine()
        m.load(path)
        return m

    def check_dump(self, path):
        got, err = self.tool(["dump", path])
        if err:
            return self.fail(path, "dump", err)
        diffs = compare(self.model(path).dump(), got)
        if diffs:
            self.fail(path, "dump", "; ".join(diffs[:6]))

    def check_eval(self, path, rng):
        m = self.model(path)
        if m.NumReels == 0:
            return
        for _ in range(4):
            positions = self.likely_winning_stops(m, rng)
            bet = rng.randint(1, 5)
            m.Position[:m.NumReels] = positions
            want = m.evaluate(bet)
            self.coverage["eval with a win"] += want > 0
            got, err = self.tool(["eval", path, "--positions", ",".join(map(str, positions)),
                                  "--bet", str(bet)])
            if err:
                return self.fail(path, "eval", err)
            if got != {"Win": want}:
                return self.fail(path, "eval %s bet %d" % (positions, bet),
                                 "want %d, got %s" % (want, got))

    @staticmethod
    def likely_winning_stops(m, rng):
        """Stops that show a random payoff's letters where the strips have them."""
        payoff = rng.choice(m.Payoffs) if m.Payoffs and rng.random() < 0.7 else None
        stops = []
        for i in range(m.NumReels):
            strip = m.Reels[i].strip
            fitting = [k for k, code in enumerate(strip)
                       if payoff and m.Symbols[code].letter in payoff.match[i]]
            stops.append(rng.choice(fitting) if fitting else rng.randrange(len(strip)))
        return stops

    def simulate_run(self, path, seed, spins, bet, flags):
        m = self.model(path)
        rng = Rng(seed)
        trace = []
        respins = 0
        for n in range(spins):
            respins += m.spin(rng, bet, "--nudge" in flags, "--autopay" in flags)
            trace.append(trace_entry(m))
            if respins > 30000 and n + 1 < spins:  # keep the model's time in bounds
                spins = n + 1
                break
        d = m.dump()
        d["Trace"] = trace
        return d, spins, m.capped

    def check_run(self, path, rng, flags):
        seed = rng.randrange(1 << 32)
        bet = rng.randint(1, 4)
        spins = rng.randint(30, 200)
        want, spins, capped = self.simulate_run(path, seed, spins, bet, flags)
        self.coverage["run with 10000 re-spins in one Spin"] += capped
        got, err = self.tool(["run", path, "--seed", str(seed), "--spins", str(spins), "--bet",
                              str(bet), "--trace"] + flags)
        self.spins += spins
        what = "run seed %d spins %d bet %d %s" % (seed, spins, bet, " ".join(flags))
        if err:
            return self.fail(path, what, err)
        diffs = compare(want, got)
        if diffs:
            self.fail(path, what, "; ".join(diffs[:6]))

    def check_play(self, path, rng):
        seed = rng.randrange(1 << 32)
        bet = rng.randint(1, 4)
        spins = rng.randint(10, 100)
        m = self.model(path)
        r = Rng(seed)
        trace = []
        respins = 0
        for n in range(spins):
            respins += m.play_spin(r, bet)
            trace.append(trace_entry(m))
            if respins > 30000:  # keep the model's time in bounds
                spins = n + 1
                break
        want = m.dump()
        want["Trace"] = trace
        self.coverage["play with 1024 nudges in one spin"] += m.nudge_capped
        self.coverage["play with 10000 re-spins in one spin"] += m.play_capped
        self.compare_play(path, seed, spins, bet, want)

    def compare_play(self, path, seed, spins, bet, want):
        got, err = self.tool(["play", path, "--seed", str(seed), "--spins", str(spins), "--bet",
                              str(bet), "--trace"])
        self.spins += spins
        what = "play seed %d spins %d bet %d" % (seed, spins, bet)
        if err:
            return self.fail(path, what, err)
        diffs = compare(want, got)
        if diffs:
            self.fail(path, what, "; ".join(diffs[:6]))

    def check_bounds(self, path, rng):
        """Over-capacity input: the outcome is the engine's choice, but it must not fail and
        must keep every table within its capacity."""
        got, err = self.tool(["dump", path])
        if err:
            return self.fail(path, "dump", err)
        problems = bounds_problems(got)
        for flags in (["--nudge", "--autopay"], []):
            seed = rng.randrange(1 << 32)
            run, err = self.tool(["run", path, "--seed", str(seed), "--spins", "100", "--bet",
                                  "3", "--trace"] + flags)
            if err:
                return self.fail(path, "run " + " ".join(flags), err)
            self.spins += 100
            problems += bounds_problems(run)
        if problems:
            self.fail(path, "bounds", "; ".join(problems[:6]))


def features(m, data):
    """Constructs a file exercises, for the coverage summary."""
    f = set()
    symbols = [s for s in m.Symbols if s.letter]
    for name, bit in [("wild", SYM_WILD), ("up", SYM_UP), ("down", SYM_DOWN),
                      ("autospin", SYM_AUTOSPIN)]:
        if any(s.flags & bit for s in symbols):
            f.add("symbol flag " + name)
    if any(s.flags & SYM_WILD and s.flags & SYM_DOUBLE for s in symbols):
        f.add("symbol flag double wild")
    if any(s.tx < 0 or s.tx2 > 1 or s.ty < 0 or s.ty2 > 1 for s in symbols):
        f.add("texture cell outside the texture")
    if any(s.filename is None for s in symbols):
        f.add("symbol without texture")
    if any(s.label == b"" for s in symbols):
        f.add("symbol with empty label")
    reels = m.Reels[:m.NumReels]
    if m.WeightedStrips and any(len(r.spin) > len(r.strip) for r in reels):
        f.add("weighted strip runs")
    if len({len(r.spin) for r in reels}) > 1:
        f.add("reels of different lengths")
    if any(m.Symbols[c].letter == 0 for r in reels for c in r.strip):
        f.add("undefined reel letter")
    for p in m.Payoffs:
        if any(p.plus):
            f.add("payoff + column")
        if any(ord("*") in c for c in p.match):
            f.add("payoff * column")
        if any(len(c) > 1 for c in p.match):
            f.add("payoff [set] column")
        if p.pay == [0, 0, 0]:
            f.add("payoff without pays")
        if p.label == b"":
            f.add("payoff with empty label")
        if sum(1 for c in p.match if c) < m.NumReels:
            f.add("payoff with fewer columns than reels")
    for kind, message in m.messages:
        f.add("message " + message)
    lines = data.split(b"\n")
    if any(l.startswith(b"%") and l[1:4] != l[1:4].lower() for l in lines):
        f.add("keyword in odd case")
    if any(len(l) > LINE_PIECE for l in lines):
        f.add("line longer than 255")
    if b"\r\n" in data:
        f.add("CRLF line ends")
    if any(b >= 128 for b in data):
        f.add("bytes above 127")
    return f


def trace_entry(m):
    return {"Position": m.Position[:m.NumReels], "Win": m.Win, "Pending": m.Pending,
            "Credits": m.Credits, "Spins": m.Spins}


def bounds_problems(d):
    out = []
    if not 0 <= d["NumReels"] <= MAX_REELS:
        out.append("NumReels %d" % d["NumReels"])
    if not 0 <= d["NumPayoffs"] <= MAX_PAYOFFS or len(d["Payoffs"]) != d["NumPayoffs"]:
        out.append("NumPayoffs %d" % d["NumPayoffs"])
    if not 0 <= d["NumSndMusic"] <= MAX_SND_MUSIC or not 0 <= d["NumSndCoin"] <= MAX_SND_COIN:
        out.append("sound counts %d %d" % (d["NumSndMusic"], d["NumSndCoin"]))
    for i, r in enumerate(d["Reels"]):
        if not 1 <= r["numsym"] <= MAX_STOPS or not 1 <= r["numspin"] <= MAX_STOPS:
            out.append("reel %d sizes %d %d" % (i, r["numsym"], r["numspin"]))
        if any(not 0 <= s < MAX_SYMBOLS for s in r["strip"]):
            out.append("reel %d strip code out of range" % i)
        if any(not 0 <= s < r["numsym"] for s in r["spin"]):
            out.append("reel %d spin entry out of range" % i)
        if not 0 <= d["Position"][i] < r["numsym"]:
            out.append("reel %d position %d" % (i, d["Position"][i]))
    for t in d.get("Trace", []):
        for i, p in enumerate(t["Position"]):
            if not 0 <= p < d["Reels"][i]["numsym"]:
                out.append("trace position %d on reel %d" % (p, i))
                break
    return out


def compare(want, got, path=""):
    """Differences between the model's and the tool's JSON; None in want means 'not fixed'."""
    if want is None and path.split(".")[-1] in GEOMETRY_FIELDS:
        return []
    if isinstance(want, dict):
        if not isinstance(got, dict):
            return ["%s: want object, got %r" % (path, got)]
        diffs = []
        for key, value in want.items():
            if key not in got:
                diffs.append("%s.%s missing" % (path, key))
            else:
                diffs += compare(value, got[key], path + "." + key)
        return diffs
    if isinstance(want, list):
        if not isinstance(got, list) or len(got) != len(want):
            return ["%s: want %s, got %s" % (path, short(want), short(got))]
        diffs = []
        for i, (a, b) in enumerate(zip(want, got)):
            diffs += compare(a, b, "%s[%d]" % (path, i))
            if len(diffs) > 6:
                break
        return diffs
    if isinstance(want, float) or isinstance(got, float):
        if not isinstance(got, (int, float)) or isinstance(got, bool) or float(got) != want:
            return ["%s: want %r, got %r" % (path, want, got)]
        return []
    if want != got or type(want) != type(got):
        return ["%s: want %r, got %r" % (path, want, got)]
    return []


def short(v):
    s = json.dumps(v)
    return s if len(s) < 120 else s[:117] + "..."


def check_one(checker, path, plan, rng, args):
    before = len(checker.failures)
    checker.check_file(path, plan, rng)
    for line in checker.failures[before:]:
        print("FAIL", line)
    if not args.keep and len(checker.failures) == before:
        os.remove(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--slotsim", help="path of the slotsim program (omit for the model's own "
                    "self-check only)")
    ap.add_argument("--files", type=int, default=300, help="random files to check")
    ap.add_argument("--seed", type=int, default=20261205, help="seed of the file generator")
    ap.add_argument("--workdir", default="refmodel-work", help="folder for the generated files")
    ap.add_argument("--keep", action="store_true", help="keep the generated files")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    os.makedirs(args.workdir, exist_ok=True)
    start = time.time()
    self_check(args.workdir)
    if not args.slotsim:
        print("model self-check passed")
        return 0
    checker = Checker(os.path.abspath(args.slotsim), args.workdir, args.verbose)
    rng = random.Random(args.seed)
    for name, data in FIXED_FILES:
        path = os.path.join(args.workdir, "fixed-%s.slt" % name)
        with open(path, "wb") as f:
            f.write(data)
        check_one(checker, path, FilePlan(), rng, args)
    kinds = {}
    for index in range(args.files):
        data, plan = generate_file(rng)
        path = os.path.join(args.workdir, "m%03d-%s.slt" % (index, plan.kind))
        with open(path, "wb") as f:
            f.write(data)
        kinds[plan.kind] = kinds.get(plan.kind, 0) + 1
        check_one(checker, path, plan, rng, args)
    elapsed = time.time() - start
    print("files: %d fixed, %d random (%s)" % (len(FIXED_FILES), args.files, ", ".join("%s %d" % kv for kv in sorted(kinds.items()))))
    print("slotsim calls: %d, spins compared: %d, %.1f s" % (checker.calls, checker.spins, elapsed))
    print("coverage (files or checks):")
    for name, count in sorted(checker.coverage.items()):
        print("  %-40s %d" % (name, count))
    for note in sorted(checker.notes):
        print("note:", note)
    failed_files = len({f.split(":")[0] for f in checker.failures})
    total = args.files + len(FIXED_FILES)
    print("%d passed, %d failed" % (total - failed_files, failed_files))
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
