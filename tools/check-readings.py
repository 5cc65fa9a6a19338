#!/usr/bin/env python3
"""Checks how Open JTalk reads what the clock hands it, against readings written out here from
standard Japanese, independently of the pronunciation table and of the clock's composers.

    tools/check-readings.py [--compose build/dev/taku_compose] [--table data/voice.txt]
                            [--voice build/dev/bin/voice/mei/mei_normal.htsvoice]
                            [--sample] [--jobs N] [--show N]

Every announcement is composed by the clock's own code (taku_compose) from the table and sent
as the clock sends it; Open JTalk's trace (-ot) gives the words it found and how it says them.
An announcement fails when
  - its pronunciation is none of the expected ones (alternatives: しちじ/ななじ, はっぷん/
    はちふん, じゅっぷん/じっぷん, ...), or
  - a word boundary falls inside a table row (the row's text is cut in two, so its accent
    phrase is wrong).
The kana that espeak-ng's Japanese voice gets when Open JTalk is missing are checked against
the same readings. The full sweep: every minute of the day in the four displays (24-hour or 12-hour, with or
without 午前/午後), every second 0..59, every date of a leap year with its weekday, and each
row of the editor as its button says it. --sample takes a representative part of it.
Exit status 0 when all is right, 1 when something is wrong, 77 when Open JTalk or the voice is
missing.
"""

import argparse
import concurrent.futures
import datetime
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DICTIONARY = "/var/lib/mecab/dic/open-jtalk/naist-jdic"

# Readings in hiragana, with the alternatives a listener accepts. -------------------------

HOURS = {
    0: ["れい"], 1: ["いち"], 2: ["に"], 3: ["さん"], 4: ["よ"], 5: ["ご"], 6: ["ろく"],
    7: ["しち", "なな"], 8: ["はち"], 9: ["く"], 10: ["じゅう"], 11: ["じゅういち"],
    12: ["じゅうに"], 13: ["じゅうさん"], 14: ["じゅうよ"], 15: ["じゅうご"], 16: ["じゅうろく"],
    17: ["じゅうしち", "じゅうなな"], 18: ["じゅうはち"], 19: ["じゅうく"], 20: ["にじゅう"],
    21: ["にじゅういち"], 22: ["にじゅうに"], 23: ["にじゅうさん"],
}

TENS = {0: "", 1: "じゅう", 2: "にじゅう", 3: "さんじゅう", 4: "よんじゅう", 5: "ごじゅう"}

# A minute's units with the counter, which changes with them.
MINUTE_UNITS = {
    1: ["いっぷん"], 2: ["にふん"], 3: ["さんぷん"], 4: ["よんぷん"], 5: ["ごふん"],
    6: ["ろっぷん"], 7: ["ななふん", "しちふん"], 8: ["はっぷん", "はちふん"], 9: ["きゅうふん"],
}
# Whole tens: じゅっぷん, also said じっぷん.
MINUTE_TENS = {t: [TENS[t][:-3] + "じゅっぷん", TENS[t][:-3] + "じっぷん"] for t in range(1, 6)}

SECOND_UNITS = {
    1: ["いち"], 2: ["に"], 3: ["さん"], 4: ["よん"], 5: ["ご"], 6: ["ろく"],
    7: ["なな", "しち"], 8: ["はち"], 9: ["きゅう"],
}

MONTHS = {
    1: "いちがつ", 2: "にがつ", 3: "さんがつ", 4: "しがつ", 5: "ごがつ", 6: "ろくがつ",
    7: "しちがつ", 8: "はちがつ", 9: "くがつ", 10: "じゅうがつ", 11: "じゅういちがつ",
    12: "じゅうにがつ",
}

DAYS = {
    1: ["ついたち"], 2: ["ふつか"], 3: ["みっか"], 4: ["よっか"], 5: ["いつか"], 6: ["むいか"],
    7: ["なのか"], 8: ["ようか"], 9: ["ここのか"], 10: ["とおか"], 11: ["じゅういちにち"],
    12: ["じゅうににち"], 13: ["じゅうさんにち"], 14: ["じゅうよっか"], 15: ["じゅうごにち"],
    16: ["じゅうろくにち"], 17: ["じゅうしちにち", "じゅうななにち"], 18: ["じゅうはちにち"],
    19: ["じゅうくにち", "じゅうきゅうにち"], 20: ["はつか"], 21: ["にじゅういちにち"],
    22: ["にじゅうににち"], 23: ["にじゅうさんにち"], 24: ["にじゅうよっか"],
    25: ["にじゅうごにち"], 26: ["にじゅうろくにち"], 27: ["にじゅうしちにち", "にじゅうななにち"],
    28: ["にじゅうはちにち"], 29: ["にじゅうくにち", "にじゅうきゅうにち"], 30: ["さんじゅうにち"],
    31: ["さんじゅういちにち"],
}

# Monday first, as Python counts.
WEEKDAYS = ["げつようび", "かようび", "すいようび", "もくようび", "きんようび", "どようび", "にちようび"]

# The editor's row buttons: each row as its role says it.
ROWS = {
    0: ["れいじ"], 1: ["いち"], 2: ["に"], 3: ["さん"], 4: ["よじ"], 5: ["ご"], 6: ["ろく"],
    7: ["なな", "しち"], 8: ["はち"], 9: ["くじ"], 10: ["じゅう"], 11: ["いちじよんぷん"],
    12: ["いちじきゅうふん"], 13: ["です"], 14: ["にちようび"], 15: ["げつようび"], 16: ["かようび"],
    17: ["すいようび"], 18: ["もくようび"], 19: ["きんようび"], 20: ["どようび"],
    21: ["ごぜん"], 22: ["ごご"], 23: ["ようび"], 24: ["いちじ"], 25: ["いちじさんぷん"],
    26: ["いちじにふん"], 27: ["にびょう"], 28: ["しがつ"], 29: ["しちがつ"],
    **{29 + d: ["いちがつ" + r for r in DAYS[d]] for d in range(1, 11)},
    40: ["いちがつはつか"], 41: ["いちがつ"],
}


def product(*parts):
    """Every joining of one alternative from each part."""
    out = [""]
    for part in parts:
        out = [a + b for a in out for b in part]
    return out


def minute_words(m):
    if m == 0:
        return [""]
    tens, units = divmod(m, 10)
    if units == 0:
        return MINUTE_TENS[tens]
    return [TENS[tens] + u for u in MINUTE_UNITS[units]]


def second_words(s):
    if s == 0:
        return [""]
    tens, units = divmod(s, 10)
    return [TENS[tens] + u + "びょう" for u in (SECOND_UNITS[units] if units else [""])]


def expected_time(at, flags):
    """The readings of the strip's text at a moment, as a Japanese speaker says it."""
    half = []
    hour = at.hour if "2" in flags else at.hour % 12
    if "a" in flags:
        half = ["ごぜん" if at.hour < 12 else "ごご"]
    seconds = second_words(at.second) if "s" in flags else [""]
    return product(half or [""], [h + "じ" for h in HOURS[hour]], minute_words(at.minute),
                   seconds, ["です"])


def expected_date(day):
    return product([MONTHS[day.month]], DAYS[day.day], [WEEKDAYS[day.weekday()]], ["です"])


# Pronunciations compared as sounds. --------------------------------------------------------

E_ROW = set("エケゲセゼテデネヘベペメレェ")
O_ROW = set("オコゴソゾトドノホボポモヨョロヲォ")
U_ROW = set("ウクグスズツヅヌフブプムユュルゥ")


def as_sounds(text):
    """Katakana with long vowels marked: じゅう, ジュウ and ジュー, れい and レー compare equal;
    the devoicing mark is dropped."""
    kata = "".join(chr(ord(c) + 0x60) if "ぁ" <= c <= "ゖ" else c for c in text)
    kata = kata.replace("’", "")
    out = []
    for c in kata:
        prev = out[-1] if out else ""
        if (c == "ウ" and (prev in O_ROW or prev in U_ROW)) or (c == "オ" and prev in O_ROW) \
                or (c == "イ" and prev in E_ROW):
            c = "ー"
        out.append(c)
    return "".join(out)


def open_jtalk_words(text, voice, workdir):
    """The words Open JTalk found in the text and how it says each: [(surface, sounds)]."""
    fd, trace = tempfile.mkstemp(dir=workdir, suffix=".trace")
    os.close(fd)
    try:
        subprocess.run(["open_jtalk", "-x", DICTIONARY, "-m", voice, "-ow", "/dev/null", "-r", "5.0",
                        "-ot", trace], input=(text + "\n").encode(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        with open(trace, encoding="utf-8") as f:
            lines = f.read().split("\n")
    finally:
        os.unlink(trace)
    words = []
    started = False
    for line in lines:
        if line.startswith("[Text analysis result]"):
            started = True
            continue
        if line.startswith("[Output label]"):
            break
        fields = line.split(",")
        if started and len(fields) > 9:
            words.append((fields[0], fields[9]))
    return words


def check_kana(item):
    """None when the kana that espeak-ng gets without Open JTalk say what is expected."""
    request, composed, expected = item
    kana = "".join(run.get("kana", "") for run in composed["runs"])
    if any(not ("ぁ" <= c <= "ゖ" or "ァ" <= c <= "ヺ" or c == "ー") for c in kana):
        return f"{request}: the fallback is handed {kana}, not kana alone"
    if as_sounds(kana) not in {as_sounds(e) for e in expected}:
        return f"{request}: the fallback says {kana}"
    return None


def check_one(item, voice, workdir):
    """None when Open JTalk reads the composed text as expected, else what went wrong."""
    request, composed, expected = item
    runs = composed["runs"]
    if len(runs) != 1 or not runs[0]["japanese"]:
        return f"{request}: not one Japanese run: {runs}"
    text = runs[0]["text"]
    words = open_jtalk_words(text, voice, workdir)
    problems = []
    if "".join(w for w, _ in words) != text:
        # Open JTalk rewrote the text (いち as 一): where its words begin is unknown.
        problems.append("words not found in the text")
    else:
        at = 0
        cuts = []
        for surface, _ in words[:-1]:
            at += len(surface)
            cuts.append(at)
        for start, end, row in composed["rows"]:
            if any(start < c < end for c in cuts):
                problems.append(f"row {row} ({text[start:end]}) cut in two")
    said = as_sounds("".join(s for _, s in words))
    if said not in {as_sounds(e) for e in expected}:
        problems.append(f"said {said}, expected {' or '.join(sorted(set(as_sounds(e) for e in expected)))}")
    if problems:
        return f"{request}: {text} [{' / '.join(w for w, _ in words)}]: " + "; ".join(problems)
    return None


# What is checked. ------------------------------------------------------------------------

DISPLAYS = ["2", "2a", "-", "a"]  # 24-hour or 12-hour, without or with 午前/午後
LEAP_YEAR = 2028


def requests(sample):
    """(request for taku_compose, expected readings), the full sweep or a sample of it."""
    out = []
    base = datetime.datetime(LEAP_YEAR, 1, 1)
    for n, flags in enumerate(DISPLAYS):
        for minute_of_day in range(24 * 60):
            # The sample: every hour, every minute 0..59 and every display, not every pairing.
            if sample and minute_of_day % 7 != n:
                continue
            at = base + datetime.timedelta(minutes=minute_of_day)
            out.append((f"at {at.isoformat()} {flags}", expected_time(at, flags)))
    for s in range(60):
        at = datetime.datetime(LEAP_YEAR, 1, 1, 10, 10 + s % 7, s)
        for flags in (["2s"] if sample else ["2s", "as"]):
            out.append((f"at {at.isoformat()} {flags}", expected_time(at, flags)))
    day = datetime.date(LEAP_YEAR, 1, 1)
    while day.year == LEAP_YEAR:
        # The sample: every day of the month and every month and weekday.
        if not sample or day.day % 5 == day.month % 5 or day.month == 2:
            out.append((f"day {day.isoformat()}", expected_date(day)))
        day += datetime.timedelta(days=1)
    for row, expected in ROWS.items():
        out.append((f"row {row}", expected))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--compose", default=os.path.join(ROOT, "build/dev/taku_compose"))
    parser.add_argument("--table", default=os.path.join(ROOT, "data/voice.txt"))
    parser.add_argument("--voice", default=os.path.join(ROOT, "build/dev/bin/voice/mei/mei_normal.htsvoice"))
    parser.add_argument("--sample", action="store_true", help="a representative part only")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--show", type=int, default=20, help="wrong readings shown")
    args = parser.parse_args()

    todo = requests(args.sample)
    composer = subprocess.run([args.compose, args.table], input="\n".join(r for r, _ in todo) + "\n",
                              capture_output=True, text=True, check=True)
    composed = [json.loads(line) for line in composer.stdout.splitlines()]
    assert len(composed) == len(todo), "taku_compose answered a different number of lines"

    # Each text once: the 12-hour displays repeat, and wrong readings are counted per text.
    items = {}
    for (request, expected), c in zip(todo, composed):
        key = json.dumps(c["runs"], ensure_ascii=False)
        items.setdefault(key, (request, c, expected))
    kana_failures = [r for r in map(check_kana, items.values()) if r]
    for line in kana_failures[:args.show]:
        print("WRONG", line)
    print(f"fallback (espeak-ng given kana): {len(kana_failures)} of {len(items)} texts wrong")

    if not os.path.isfile(args.voice) or subprocess.run(
            ["sh", "-c", "command -v open_jtalk"], stdout=subprocess.DEVNULL).returncode != 0 \
            or not os.path.isdir(DICTIONARY):
        print("Open JTalk, its dictionary or the voice is missing: its readings not checked")
        return 1 if kana_failures else 77
    with tempfile.TemporaryDirectory() as workdir, \
            concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        results = list(pool.map(lambda i: check_one(i, args.voice, workdir), items.values()))
    failures = [r for r in results if r]
    wrong = sum(1 for r in failures if "said " in r)
    cut = sum(1 for r in failures if "cut in two" in r)
    lost = sum(1 for r in failures if "words not found" in r)
    for line in failures[:args.show]:
        print("WRONG", line)
    print(f"checked {len(items)} texts ({len(todo)} announcements): "
          f"{wrong} wrong readings, {cut} with a boundary inside a row"
          + (f", {lost} rewritten so that rows can't be placed" if lost else ""))
    return 1 if failures or kana_failures else 0


if __name__ == "__main__":
    sys.exit(main())
