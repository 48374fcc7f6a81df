#!/usr/bin/env python3
"""Independent reference model of the slot machine engine, and a random-file checker.

The model re-implements the machine file reader, credits, spins, nudges and the payoff
evaluation from the written rules alone, without looking at the engine's code. The checker
writes random machine files (well-formed ones covering every construct, and broken ones), runs
`slotsim` dump, eval, run (in every nudge/pay mode) and play on each, and compares the JSON it
prints with what the model predicts, field by field. Input past a table's capacity is only
checked for "exit 0, valid JSON, tables within bounds": the rules leave its outcome open.

REFERENCE_MODEL_FILES in the environment overrides --files, for a longer run.
Standard library only.
"""

import argparse
import json
import os
import random
import subprocess
import sys
import time

MAX_SYMBOLS, MAX_REELS, MAX_STOPS, MAX_PAYOFFS = 128, 4, 256, 32
MAX_SND_MUSIC, MAX_SND_COIN = 4, 3
SYM_UP, SYM_DOWN, SYM_DOUBLE, SYM_WILD, SYM_AUTOSPIN = 1, 2, 4, 8, 16
FLAG_WORDS = {"(wild)": SYM_WILD, "(double)": SYM_DOUBLE, "(up)": SYM_UP, "(down)": SYM_DOWN,
              "(autospin)": SYM_AUTOSPIN}
MAX_AUTO_RESPINS = 10000  # re-spins that follow within one Spin(bet, 1, 1)
MAX_PLAY_NUDGES = 1024  # Nudge(0) calls tried within one played spin
MAX_PLAY_RESPINS = 10000  # re-spins within one played spin
WHITE = b" \t\n\v\f\r"
LINE_PIECE = 255  # characters one read of a line delivers at most
SIGNS = (b"-", b"+")


def scan(s, p, chars, inside=True):
    """The position after the run at p of bytes in (or, not inside, outside) chars."""
    while p < len(s) and (s[p] in chars) == inside:
        p += 1
    return p


def skip_blanks(s, p):
    return scan(s, p, WHITE)


def token_end(s, p):
    return scan(s, p, WHITE, False)


def next_token(s, p):
    return skip_blanks(s, token_end(s, skip_blanks(s, p)))


def digits_end(s, p):
    return scan(s, p, b"0123456789")


def c_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def parse_int_value(s):
    """Optional white space, optional sign, decimal digits; 0 when there are none."""
    p = skip_blanks(s, 0)
    sign = -1 if s[p:p + 1] == b"-" else 1
    p += s[p:p + 1] in SIGNS
    return sign * int(s[p:digits_end(s, p)] or b"0")


def parse_real_value(s):
    """The longest decimal real number at the start (after white space), 0 when none."""
    start = skip_blanks(s, 0)
    p = start + (s[start:start + 1] in SIGNS)
    q = digits_end(s, p)
    end = digits_end(s, q + 1) if s[q:q + 1] == b"." else q
    if q == p and end <= q + 1:
        return 0.0
    x = end + 1 + (s[end + 1:end + 2] in SIGNS)
    if s[end:end + 1] in (b"e", b"E") and digits_end(s, x) > x:
        end = digits_end(s, x)
    return float(s[start:end])


def starts_with_nocase(s, prefix):
    return s[:len(prefix)].lower() == prefix


def read_pieces(data):
    """Lines as one read of at most 255 characters delivers them, line end dropped."""
    pos = 0
    while pos < len(data):
        nl = data.find(b"\n", pos, pos + LINE_PIECE)
        yield data[pos:nl if nl >= 0 else pos + LINE_PIECE]
        pos = nl + 1 if nl >= 0 else pos + LINE_PIECE


class Rng:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF


def texture_cell(c):
    c = c + 32 if 65 <= c <= 90 else c
    n, size, extent, i = (4, 0.25, 0.2499, c - 97) if 97 <= c <= 122 else (2, 0.5, 0.4999, c - 49)
    tx, ty = (i - n * c_div(i, n)) * size, (n - c_div(i, n) - 1) * size
    return tx, ty, tx + extent, ty + extent


class Symbol:
    def __init__(self):
        self.letter, self.filename, self.label, self.flags, self.height = 0, None, None, 0, 0.0
        self.tx = self.ty = self.tx2 = self.ty2 = 0.0


class Reel:
    def __init__(self):
        self.strip, self.spin = [], []  # symbol codes; indices into the strip


class Payoff:
    def __init__(self):
        self.match = [set() for _ in range(MAX_REELS)]
        self.plus, self.pay, self.label = [0] * MAX_REELS, [0, 0, 0], None


KEYWORDS = [  # prefix, kind, field
    (b"%igtsplus", "flag", "WeightedStrips"), (b"%name ", "str", "Name"),
    (b"%maxcoins ", "int1", "MaxCoins"), (b"%symwidth ", "real", "SymWidth"),
    (b"%symspace ", "real", "SymSpace"), (b"%windowthick ", "real", "WindowThick"),
    (b"%windowheight ", "real", "WindowHeight"), (b"%symheight ", "real", "SymHeight"),
    (b"%chart ", "str", "ChartFile"), (b"%charty", "real", "ChartY"),
    (b"%chartheight ", "real", "ChartHeight"), (b"%sndmusic ", "list", "SndMusic"),
    (b"%sndcoin ", "list", "SndCoin"), (b"%sndpay ", "str", "SndPay"),
    (b"%sndclun", "str", "SndClunk"), (b"%sndbet ", "str", "SndBet"),
    (b"%currencynum ", "int", "CurrencyNum"), (b"%currencydenom ", "int1", "CurrencyDenom"),
    (b"%sndauto ", "str", "SndAuto"),
]
STRING_FIELDS = ["Name", "FileName", "ChartFile", "SndClunk", "SndPay", "SndBet", "SndAuto"]
GEOMETRY_FIELDS = ["SymSpace", "SymWidth", "WindowHeight", "WindowThick"]
COUNTERS = ["Credits", "Spins", "MinCredits", "MaxCredits", "TotalBet", "Bet", "LastBet",
            "TotalCredited", "Win", "BetShown", "Pending", "Paid", "Expended", "AutoSpin"]
INT_FIELDS = COUNTERS + ["NumReels", "WeightedStrips", "CoinsBet", "CurrencyNum",
                         "CurrencyDenom", "ResetCount", "PrevWin", "MaxCoins"]
REAL_FIELDS = ["SymHeight", "ChartY", "ChartHeight"]


class Machine:
    def __init__(self, path):
        # Geometry before any file has set it is the engine's own choice: None means "unknown".
        for f in GEOMETRY_FIELDS:
            setattr(self, f, None)
        self.CoinsBet = self.PrevWin = self.ResetCount = 0
        self.messages = []
        self.clear()
        self.load(path)

    def clear(self):
        self.NumReels = self.WeightedStrips = 0
        self.SymHeight, self.ChartY, self.ChartHeight = 1.0, 1.0, 10.0
        self.MaxCoins, self.CurrencyNum, self.CurrencyDenom = 3, 4, 1
        self.Symbols = [Symbol() for _ in range(MAX_SYMBOLS)]
        self.Reels = [Reel() for _ in range(MAX_REELS)]
        self.Payoffs, self.SndMusic, self.SndCoin = [], [], []
        for f in STRING_FIELDS:
            setattr(self, f, None)
        for f in COUNTERS:
            setattr(self, f, 0)
        self.Position = [0] * MAX_REELS
        self.ResetCount += 1

    # --- loading ------------------------------------------------------------------------------

    def load(self, path):
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            self.messages.append(("Error", "Unable to open specified file"))
            return
        self.clear()
        self.FileName = path.encode()
        pieces = read_pieces(data)
        for name, read_line in [("ParseSymbols", self.read_symbol_line),
                                ("ParseReels", self.read_reel_line),
                                ("ParsePayoffs", self.read_payoff_line)]:
            if not self.read_section(pieces, read_line):
                self.messages.append(("Error", name + " failed"))

    @staticmethod
    def read_section(pieces, read_line):
        """True at "%%"; False at the end of the file or when a line is broken."""
        for piece in pieces:
            line = piece.strip(WHITE)
            if line == b"%%":
                return True
            if line and not read_line(line):
                return False
        return False

    def read_keyword(self, line):
        for prefix, kind, field in KEYWORDS:
            if starts_with_nocase(line, prefix):
                value = line[next_token(line, 0):]
                if kind == "flag":
                    self.WeightedStrips = 1
                elif kind == "str":
                    setattr(self, field, value)
                elif kind == "list":
                    getattr(self, field).append(value)
                elif kind == "real":
                    setattr(self, field, parse_real_value(value))
                else:
                    number = parse_int_value(value)
                    setattr(self, field, max(1, number) if kind == "int1" else number)
                return True
        return False

    def read_symbol_line(self, line):
        if self.read_keyword(line):
            return True
        flags, p = 0, 0
        while p < len(line):
            bits = [b for w, b in FLAG_WORDS.items() if starts_with_nocase(line[p:], w.encode())]
            if not bits:
                break
            flags |= bits[0]
            p = next_token(line, p)
        if p >= len(line):
            return True
        sym = self.Symbols[line[p]]
        sym.letter, sym.flags, sym.height = line[p], flags, self.SymHeight
        p = next_token(line, p)
        if p >= len(line):
            return False
        texture = line[p:token_end(line, p)]
        sym.filename, slash, cell = texture.partition(b"/")
        sym.tx, sym.ty, sym.tx2, sym.ty2 = texture_cell(cell[0]) if cell else (0.0, 0.0, 1.0, 1.0)
        sym.label = line[next_token(line, p):]
        return True

    def read_reel_line(self, line):
        p, k = 0, 0
        while p < len(line):
            reel, letter = self.Reels[k], line[p]
            if not (self.WeightedStrips and reel.strip and reel.strip[-1] == letter):
                reel.strip.append(letter)
            reel.spin.append(len(reel.strip) - 1)
            k, p = k + 1, next_token(line, p)
        self.NumReels = max(self.NumReels, k)
        return True

    def read_payoff_line(self, line):
        payoff = Payoff()
        self.Payoffs.append(payoff)
        p = column = 0
        while p < len(line) and line[p] != ord("^"):
            if line[p] == ord("+"):
                payoff.plus[column] = 1
                p += 1
            if line[p:p + 1] == b"[":
                close = line.find(b"]", p + 1)
                if close < 0:
                    return False
                payoff.match[column].update(line[p + 1:close])
                p = close
            elif p < len(line) and line[p] not in WHITE:
                payoff.match[column].add(line[p])
            p, column = next_token(line, p), column + 1
        if p >= len(line):
            return True
        p = next_token(line, p)
        pays = []
        while p < len(line) and line[p] != ord("^"):
            q = digits_end(line, p)
            if q == p:  # anything but digits: the engine's choice, never generated
                break
            pays.append(int(line[p:q]))
            p = skip_blanks(line, q)
        for k in range(3):
            payoff.pay[k] = pays[k] if k < len(pays) else (pays[0] * (k + 1) if pays else 0)
        if p < len(line):
            payoff.label = line[next_token(line, p):]
        return True

    # --- credits, spins and nudges ------------------------------------------------------------

    def add_bet(self, coins):
        accepted = min(max(0, self.MaxCoins - self.Bet), coins)
        self.CoinsBet += accepted
        self.Credits -= accepted
        self.TotalBet += accepted
        self.Bet += accepted
        self.BetShown = self.Bet
        self.track_credits()

    def pay_out(self, amount):
        moved = min(amount, self.Pending)
        self.Pending -= moved
        self.Credits += moved
        self.TotalCredited += moved
        self.Paid += moved
        self.track_credits()

    def track_credits(self):
        self.MinCredits = min(self.MinCredits, self.Credits)
        self.MaxCredits = max(self.MaxCredits, self.Credits)

    def symbol_at(self, reel, row):
        strip = self.Reels[reel].strip
        return self.Symbols[strip[(self.Position[reel] + row - 1) % len(strip)]]

    def nudge_reel(self, reel):
        step = -1 if self.symbol_at(reel, 0).flags & SYM_DOWN else (
            1 if self.symbol_at(reel, 2).flags & SYM_UP else 0)
        self.Position[reel] = (self.Position[reel] + step) % len(self.Reels[reel].strip)
        return step != 0

    def spin(self, rng, bet, nudge, auto_pay):
        """Returns the number of re-spins that followed."""
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
                reel = self.Reels[i]
                self.Position[i] = reel.spin[rng.next() % len(reel.spin)]
                if nudge:
                    self.nudge_reel(i)
            self.PrevWin = self.Win
            self.Win = self.Pending = self.evaluate(self.Bet)
            if nudge and not auto_pay:
                break
            if nudge and auto_pay:
                if respins == MAX_AUTO_RESPINS:
                    self.AutoSpin = 0  # the series ends as if no re-spin were due
                elif self.check_auto_spin():
                    respins += 1
                    continue
            if auto_pay:
                self.pay_out(self.Win)
            break
        self.LastBet, self.Bet = self.Bet, 0
        return respins

    def nudge(self):
        if not any(self.nudge_reel(i) for i in range(self.NumReels)):
            return False
        self.PrevWin = self.Win
        self.Win = self.Pending = self.evaluate(self.LastBet)
        return True

    def check_auto_spin(self):
        if self.AutoSpin == 1 and self.Win == 0:
            return True
        self.AutoSpin = int(any(self.symbol_at(i, 1).flags & SYM_AUTOSPIN
                                for i in range(self.NumReels)))
        return self.AutoSpin == 1

    def play_spin(self, rng, bet):
        """One spin as the play control sequences it: nudges first, then free re-spins, then
        the win counted in. Returns the number of re-spins."""
        self.CoinsBet = 0
        self.spin(rng, bet, 0, 0)
        tries = respins = 0
        while True:
            if tries < MAX_PLAY_NUDGES:
                tries += 1
                if self.nudge():
                    continue
            if respins >= MAX_PLAY_RESPINS:
                self.AutoSpin = 0
                break
            if not self.check_auto_spin():
                break
            respins += 1
            self.spin(rng, -1, 0, 0)
        # PayOut(1, 1) until nothing moves, in one step.
        if self.Pending > 0:
            self.MinCredits = min(self.MinCredits, self.Credits + 1)
            self.pay_out(self.Pending)
        self.track_credits()
        return respins

    def evaluate(self, bet):
        return self.judge(bet)[0]

    def judge(self, bet):
        """The win and the payoff row that won it, the first of equal amounts; -1 for none."""
        level = min(bet - 1, 2)
        view = []  # per reel: the letters in view, the line's letter and flags, the flags below
        for i in range(self.NumReels):
            strip, p = self.Reels[i].strip, self.Position[i]
            rows = [self.Symbols[strip[p - 1]], self.Symbols[strip[p]],
                    self.Symbols[strip[(p + 1) % len(strip)]]]
            view.append(({s.letter for s in rows}, rows[1].letter, rows[1].flags, rows[2].flags))
        best, row = 0, -1
        for r, p in enumerate(self.Payoffs):
            anyc = matched = wild = 0
            multiplier = 1
            for match, plus, (in_view, on, on_flags, below_flags) in zip(p.match, p.plus, view):
                if 42 in match:  # "*"
                    anyc += 1
                elif not match.isdisjoint(in_view) if plus else on in match:
                    matched += 1
                else:
                    flags = below_flags if plus else on_flags  # a "+" column's stand-in is below
                    wild += flags & SYM_WILD != 0
                    multiplier *= 2 if flags & SYM_WILD and flags & SYM_DOUBLE else 1
            amount = p.pay[level] * multiplier
            if matched >= 1 and anyc + matched + wild == self.NumReels and amount > best:
                best, row = amount, r
        return best, row

    def dump(self):
        d = {f: getattr(self, f) for f in INT_FIELDS + REAL_FIELDS + GEOMETRY_FIELDS}
        d.update({f: text(getattr(self, f)) for f in STRING_FIELDS})
        d.update(NumSndMusic=len(self.SndMusic), NumSndCoin=len(self.SndCoin),
                 NumPayoffs=len(self.Payoffs), Position=list(self.Position),
                 SndMusic=[text(s) for s in self.SndMusic], SndCoin=[text(s) for s in self.SndCoin])
        d["Symbols"] = [{
            "code": code, "letter": s.letter, "filename": text(s.filename), "label": text(s.label),
            "flags": s.flags, "height": s.height, "tx": s.tx, "ty": s.ty, "tx2": s.tx2,
            "ty2": s.ty2} for code, s in enumerate(self.Symbols) if s.letter != 0]
        d["Reels"] = [{"numsym": len(r.strip), "strip": r.strip, "numspin": len(r.spin),
                       "spin": r.spin} for r in self.Reels[:self.NumReels]]
        d["Payoffs"] = [{"match": [sorted(m) for m in p.match], "plus": p.plus, "pay": p.pay,
                         "label": text(p.label)} for p in self.Payoffs]
        d["Messages"] = [{"caption": c, "text": t} for c, t in self.messages]
        return d


def text(b):
    return None if b is None else b.decode("utf-8", errors="replace")


# ---------------------------------------------------------------------------------------------
# Machine files: a few fixed edge cases, then random ones
# ---------------------------------------------------------------------------------------------

FIXED_FILES = [
    ("example", open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                  "examples", "lucky-sevens", "lucky-sevens.slt"), "rb").read()),
    ("empty", b""),
    ("no-final-newline", b"R pic\n%%\nR R\n%%\nR R ^ 3\n%%"),
    ("line-of-256", b"R pic " + b"L" * 250 + b"\n%%\nR\n%%\nR ^ 1\n%%\n"),
    ("end-marker-with-text", b"R pic\n%% x\n%%\nR\n%%\n%%x\n%%\n"),
    ("wild-in-plus-column", b"(wild) (double) W pic\nR pic\nB pic\n%%\nB W\nW R\nR B\n%%\n"
                            b"+R +R ^ 5 ^ plus\nR R ^ 4\n%%\n"),
    # Endless series of re-spins: the draws after the cap show where it cut the series.
    ("every-stop-autospin",
     b"(autospin) A pic\n(autospin) B pic\n%%\nA A\nB B\n%%\nA A ^ 0\n%%\n"),
    ("nudges-never-rest", b"(down) D pic\n(up) U pic\n%%\nD\nU\n%%\nD ^ 4\n%%\n"),
]

LETTERS = "ABCDEFGHJKLMNOPQRSTUVWXYZabcdefghjkmnopqrstuvwxyz0123456789"
ODD_LETTERS = "-=#$&@!?<>.,;:'\"~`|\\{}_%*+[]^/(\x01\x7f"
CELL_CHARS = "abcdefghijklmnopABCDEFGHIJKLMNOPqrzZ12345609!~]"
LABEL_WORDS = ["Cherry", "Bar", "Seven", "Wild", "Café", "x\ty", "++", "^", "[", "*", "%%", "7"]
WS = [" ", " ", " ", "  ", "\t", " \t ", "\v", "\f"]
KIND_ODDS = [("valid", 0.70), ("no-end", 0.76), ("no-reel-end", 0.79), ("no-symbol-end", 0.81),
             ("no-texture", 0.87), ("unclosed-set", 0.92), ("over-capacity", 1.0)]


def odd_case(rng, word):
    return "".join(c.upper() if rng.random() < 0.4 else c for c in word)


def sep(rng):
    return rng.choice(WS) if rng.random() < 0.3 else " "


def keyword_lines(rng):
    lines = []
    for prefix, kind, _ in rng.sample([k for k in KEYWORDS if k[1] != "list"], rng.randint(0, 12)):
        number = str(rng.randint(-5, 20))
        value = rng.choice({
            "flag": ["", "yes", "X"], "str": ["a.wav", "Lucky Sevens", "x  y\tz", "Café"],
            "int": [number, number, number + "x", "+" + number.lstrip("-"), "a"],
            "real": ["0.5", "2.25", "-0.75", ".5", "3.", "1e-1", "2.5E+1", "abc", "7.1x", "+0.3",
                     "1.5e"]}[kind.rstrip("1")])
        # "%charty" has no space in its prefix: "%charty0.8" is the keyword too.
        gap = rng.choice([" ", " ", "  \t"] + ([""] if prefix == b"%charty" else []))
        lines.append(odd_case(rng, prefix.decode().rstrip()) + gap + value)
    for word, count in [("%sndmusic", MAX_SND_MUSIC), ("%sndcoin", MAX_SND_COIN)]:
        lines += [odd_case(rng, word) + " s%d.wav" % i for i in range(rng.randint(0, count))]
    if rng.random() < 0.05:  # a tab is not the space of "%name ": a symbol line for "%"
        lines.append("%name\tpic/b Percent")
    return lines


def flag_words(rng, autospin_ok):
    words = [w for w in rng.sample(list(FLAG_WORDS), rng.randint(1, 3))
             if autospin_ok or w != "(autospin)"] if rng.random() < 0.45 else []
    return [odd_case(rng, w) for w in words], sum(FLAG_WORDS[w] for w in words)


def symbol_line(rng, letter, words):
    token = letter + (rng.choice(["x", "seven"]) if rng.random() < 0.15 and letter != "%" else "")
    texture = rng.choice(["syms", "pic", "Blank", "sym-1", "a.b"])
    texture += "/" + rng.choice(CELL_CHARS) if rng.random() < 0.7 else ""
    label = [" ".join(rng.sample(LABEL_WORDS, rng.randint(1, 3)))] if rng.random() < 0.7 else []
    return sep(rng).join(words + [token, texture] + label)


def payoff_line(rng, num_reels, reel_letters):
    cols = []
    for k in range(num_reels if rng.random() < 0.85 else rng.randint(0, MAX_REELS)):
        choices = reel_letters[k % num_reels]
        plus = "+" if rng.random() < 0.12 else ""
        roll = rng.random()
        if roll < 0.15:
            body = "*"
        elif roll < 0.35:
            members = rng.sample(choices, min(len(choices), rng.randint(0, 3)))
            body = "[" + "".join(c for c in members if c != "]") + "]"
        else:
            c = rng.choice(choices)
            body = "[" + c + "]" if c in "[^" or (c == "+" and not plus) else c
        cols.append(plus + body)
    line = " ".join(cols)
    if rng.random() < 0.08:
        return line or "*"
    pays = [rng.choice(["", "", "0"]) + str(rng.randint(0, 500)) for _ in range(rng.randint(0, 3))]
    # The pays start after the whole "^" token, so in "^5" the 5 is not a pay.
    line += sep(rng) + rng.choice(["^"] * 19 + ["^5"]) + "".join(sep(rng) + p for p in pays)
    if rng.random() < 0.6:
        line += " ^" + rng.choice(["", " Three Sevens", " any  bar", " Café", " ^ x", "Glued"])
    return line.strip()


def generate_file(rng):
    """Returns (bytes, kind) for one random machine file."""
    roll = rng.random()
    kind = next(k for k, odds in KIND_ODDS if roll < odds)
    section1 = keyword_lines(rng)
    weighted = any(l.lower().startswith("%igtsplus") for l in section1)
    pool = LETTERS + (ODD_LETTERS if rng.random() < 0.3 else "")
    letters = rng.sample(pool, rng.randint(1, 12))
    # Few autospin symbols, so that series of re-spins come to an end.
    autospins = rng.choice([0, 0, 1, 1, 2])
    nudgers = []
    for letter in letters + ([rng.choice(letters)] if rng.random() < 0.1 else []):
        words, flags = flag_words(rng, autospins > 0)
        autospins -= bool(flags & SYM_AUTOSPIN)
        nudgers += [letter] if flags & (SYM_UP | SYM_DOWN) else []
        section1.append(symbol_line(rng, letter, words))
        if rng.random() < 0.1:
            section1.append(odd_case(rng, "%symheight") + " 0.5")
    if rng.random() < 0.05:  # a long line arrives as two symbol lines
        section1.append("Q syms/b " + "L" * (LINE_PIECE - 9) + "  Z reel/c Tail")
    # Keywords and symbols in any order: "%symheight" applies to the symbols after it.
    rng.shuffle(section1)
    if kind == "no-texture":
        # A fresh letter without texture; the section 1 lines after it are read as reels.
        fresh = [c for c in "XYZ#" if c not in letters] or ["X"]
        plain = [c for c in letters if c.isalnum()] or ["R"]
        section1 += [rng.choice([fresh[0], "(up) " + fresh[-1]])]
        section1 += [" ".join(rng.sample(plain * 4, rng.randint(1, 4))) for _ in range(2)]

    num_reels = rng.randint(1, MAX_REELS)
    rows = rng.randint(1, 30) if rng.random() < 0.95 else rng.randint(100, MAX_STOPS - 4)
    undefined = [c for c in "xyzXYZ" if c not in letters]
    columns = [[] for _ in range(num_reels)]
    reel_lines = []
    for _ in range(rows):
        row = []
        for k in range(num_reels if rng.random() < 0.85 else rng.randint(1, num_reels)):
            if weighted and columns[k] and rng.random() < 0.4:
                c = columns[k][-1]
            elif rng.random() < 0.04 and undefined:
                c = rng.choice(undefined)
            else:
                c = rng.choice(letters)
                c = rng.choice(letters) if c in nudgers and rng.random() < 0.5 else c
            columns[k].append(c)
            row.append(c + (rng.choice(["", "", "x"]) if c != "%" else ""))
        reel_lines.append(sep(rng).join(row))
    if kind == "no-texture":  # the reel lines are read as payoff lines
        reel_lines = [l for l in reel_lines if not any(ch in l for ch in "+[^")][:MAX_PAYOFFS]

    reel_letters = [sorted(set(c)) or letters for c in columns]
    pay_lines = [payoff_line(rng, num_reels, reel_letters) for _ in range(rng.randint(0, 12))]
    if rng.random() < 0.6:  # easy to win, so that series of re-spins end
        pay_lines.append("[" + "".join(c for c in letters if c != "]") + "] * * * ^ 1")
        rng.shuffle(pay_lines)
    if pay_lines and rng.random() < 0.3:  # a row paying what another pays: the first one wins
        pay_lines.append(rng.choice(pay_lines))
    if kind == "unclosed-set":
        plain = [c for c in letters if c.isalnum()] or ["R"]
        bad = " ".join(rng.choice(plain) for _ in range(rng.randint(0, num_reels - 1))) + " ["
        pay_lines.insert(rng.randint(0, len(pay_lines)), bad.strip())
    if kind == "over-capacity":
        section1 += ["%sndmusic m.wav"] * 6 + ["%sndcoin c.wav"] * 5 + ["%maxcoins 0"]
        section1.append("\xe9 syms/a high")
        reel_lines += [" ".join(rng.choice(letters) for _ in range(rng.randint(5, 9))),
                       "\xe9 \xff \x80"] + [rng.choice(letters)] * (MAX_STOPS + 5)
        pay_lines += [payoff_line(rng, num_reels, reel_letters) for _ in range(40)]
        pay_lines += ["* * * * * * ^ 1 2 3 4 5 6 ^ many", "\xe9 [\xff\xe9] +\x80 ^ 5", "* ^ 5x -3"]

    ends = {"no-end": 2, "no-reel-end": 1, "no-symbol-end": 0}.get(kind, 3)  # sections ended
    out = []
    for n, block in enumerate([section1, reel_lines, pay_lines][:ends + 1]):
        for line in block:
            padded = rng.random() < 0.1 and len(line) < LINE_PIECE - 10
            out.append(rng.choice(WS) + line + rng.choice(WS) if padded else line)
            out += [rng.choice(["", "   ", "\t"])] if rng.random() < 0.05 else []
        out += [rng.choice(["%%", "%%", "  %%\t"])] if n < ends else []
    out += ["trailing text that is never read"] if ends == 3 and rng.random() < 0.3 else []
    eol = "\r\n" if rng.random() < 0.15 else "\n"
    body = eol.join(out) + (eol if rng.random() < 0.8 else "")
    return body.encode("latin-1" if kind == "over-capacity" else "utf-8", "replace"), kind


# ---------------------------------------------------------------------------------------------
# Running slotsim and comparing
# ---------------------------------------------------------------------------------------------


def compare(want, got, path=""):
    """Differences between the model's and the tool's JSON; None geometry means 'not fixed'."""
    if want is None and path.split(".")[-1] in GEOMETRY_FIELDS:
        return []
    if isinstance(want, dict):
        if not isinstance(got, dict):
            return ["%s: want object, got %r" % (path, got)]
        return [d for key, value in want.items()
                for d in (compare(value, got[key], path + "." + key) if key in got
                          else ["%s.%s missing" % (path, key)])]
    if isinstance(want, list):
        if not isinstance(got, list) or len(got) != len(want):
            return ["%s: want %s, got %s" % (path, json.dumps(want)[:120], json.dumps(got)[:120])]
        return [d for i, (a, b) in enumerate(zip(want, got))
                for d in compare(a, b, "%s[%d]" % (path, i))]
    if isinstance(want, float) or isinstance(got, float):
        same = isinstance(got, (int, float)) and not isinstance(got, bool) and float(got) == want
    else:
        same = want == got and type(want) == type(got)
    return [] if same else ["%s: want %r, got %r" % (path, want, got)]


def bounds_problems(d):
    out = []
    if not 0 <= d["NumReels"] <= MAX_REELS or not 0 <= d["NumPayoffs"] <= MAX_PAYOFFS:
        out.append("NumReels %d NumPayoffs %d" % (d["NumReels"], d["NumPayoffs"]))
    if not d["NumSndMusic"] <= MAX_SND_MUSIC or not d["NumSndCoin"] <= MAX_SND_COIN:
        out.append("sound counts %d %d" % (d["NumSndMusic"], d["NumSndCoin"]))
    positions = [d["Position"]] + [t["Position"] for t in d.get("Trace", [])]
    for i, r in enumerate(d["Reels"]):
        if not 1 <= r["numsym"] <= r["numspin"] <= MAX_STOPS:
            out.append("reel %d sizes %d %d" % (i, r["numsym"], r["numspin"]))
        if any(not 0 <= s < r["numsym"] for s in r["spin"] + [p[i] for p in positions]):
            out.append("reel %d spin entry or position out of range" % i)
    return out


class Checker:
    def __init__(self, slotsim):
        self.slotsim, self.failures, self.calls, self.spins = slotsim, [], 0, 0

    def tool(self, path, what, args):
        """The tool's JSON, or None after recording why there is none."""
        self.calls += 1
        try:
            proc = subprocess.run([self.slotsim] + args, capture_output=True, timeout=60)
            if proc.returncode == 0:
                return json.loads(proc.stdout)
            self.fail(path, what, "exit %d: %s" % (proc.returncode, proc.stderr.decode("latin-1")))
        except (subprocess.TimeoutExpired, ValueError) as e:
            self.fail(path, what, str(e))
        return None

    def fail(self, path, what, detail):
        self.failures.append("%s: %s: %s" % (path, what, detail))
    def expect(self, path, what, args, want):
        got = self.tool(path, what, args)
        diffs = compare(want, got) if got is not None else []
        if diffs:
            self.fail(path, what, "; ".join(diffs[:6]))

    def check_file(self, path, kind, rng):
        if kind == "over-capacity":
            return self.check_bounds(path, rng)
        self.expect(path, "dump", ["dump", path], Machine(path).dump())
        m = Machine(path)
        for _ in range(4 if m.NumReels else 0):
            # Stops that show a random payoff's letters where the strips have them.
            payoff = rng.choice(m.Payoffs) if m.Payoffs and rng.random() < 0.7 else None
            for i in range(m.NumReels):
                strip = m.Reels[i].strip
                fitting = [k for k, code in enumerate(strip) if payoff and code in payoff.match[i]]
                m.Position[i] = rng.choice(fitting) if fitting else rng.randrange(len(strip))
            bet = rng.randint(1, 5)
            positions = ",".join(map(str, m.Position[:m.NumReels]))
            self.expect(path, "eval %s bet %d" % (positions, bet),
                        ["eval", path, "--positions", positions, "--bet", str(bet)],
                        dict(zip(("Win", "Payoff"), m.judge(bet))))
        for flags in ([], ["--autopay"], ["--nudge"], ["--nudge", "--autopay"], ["play"]):
            self.check_spins(path, rng, flags)

    def check_spins(self, path, rng, flags):
        seed, bet, spins = rng.randrange(1 << 32), rng.randint(1, 4), rng.randint(10, 60)
        m, r, trace, respins = Machine(path), Rng(seed), [], 0
        for n in range(spins):
            if flags == ["play"]:
                respins += m.play_spin(r, bet)
            else:
                respins += m.spin(r, bet, "--nudge" in flags, "--autopay" in flags)
            trace.append({"Position": m.Position[:m.NumReels], "Win": m.Win,
                          "Pending": m.Pending, "Credits": m.Credits, "Spins": m.Spins})
            if respins > 30000:  # keep the model's time in bounds
                spins = n + 1
                break
        want = m.dump()
        want["Trace"] = trace
        command = ["play"] if flags == ["play"] else ["run"] + flags
        what = "%s seed %d spins %d bet %d" % (" ".join(command), seed, spins, bet)
        self.spins += spins
        self.expect(path, what, command[:1] + [path, "--seed", str(seed), "--spins", str(spins),
                                               "--bet", str(bet), "--trace"] + command[1:], want)

    def check_bounds(self, path, rng):
        for args in (["dump", path], ["run", path, "--nudge", "--autopay"], ["run", path]):
            if args[0] == "run":
                args += ["--seed", str(rng.randrange(1 << 32)), "--spins", "100", "--bet", "3",
                         "--trace"]
            got = self.tool(path, args[0], args)
            problems = bounds_problems(got) if got is not None else []
            if problems:
                self.fail(path, "bounds after " + " ".join(args), "; ".join(problems))


def checker_arguments(doc, files, seed, workdir, examples=False):
    """The command line every checker of random machine files takes."""
    ap = argparse.ArgumentParser(description=doc.splitlines()[0])
    ap.add_argument("--slotsim", required=True, help="path of the slotsim program")
    if examples:
        ap.add_argument("--examples", required=True, help="folder of the example machines")
    ap.add_argument("--files", type=int, default=files, help="random files to check")
    ap.add_argument("--seed", type=int, default=seed, help="seed of the file generator")
    ap.add_argument("--workdir", default=workdir, help="folder for the generated files")
    return ap.parse_args()


def report(failures, summary):
    """Prints each failure and the summary line; the exit code of a checker."""
    for failure in failures:
        print("FAIL", failure)
    print(summary)
    return 1 if failures else 0


def main():
    args = checker_arguments(__doc__, 50, 20261205, "refmodel-work")
    files = int(os.environ.get("REFERENCE_MODEL_FILES", args.files))

    os.makedirs(args.workdir, exist_ok=True)
    start = time.time()
    checker = Checker(os.path.abspath(args.slotsim))
    rng = random.Random(args.seed)
    cases = [("fixed-" + name, data, "valid") for name, data in FIXED_FILES]
    for index in range(files):
        data, kind = generate_file(rng)
        cases.append(("m%04d-%s" % (index, kind), data, kind))
    failed = 0
    for name, data, kind in cases:
        path = os.path.join(args.workdir, name + ".slt")
        with open(path, "wb") as f:
            f.write(data)
        before = len(checker.failures)
        checker.check_file(path, kind, rng)
        for line in checker.failures[before:]:
            print("FAIL", line)
        failed += len(checker.failures) > before
        if len(checker.failures) == before:
            os.remove(path)
    print("%d files passed, %d failed; slotsim calls: %d, spins compared: %d, %.1f s" % (
        len(cases) - failed, failed, checker.calls, checker.spins, time.time() - start))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
