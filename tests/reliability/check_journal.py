"""Checks the journal written by concurrent_journal.sh: it must be exactly a
sequence of whole entries, one per run, none interleaved with another.

usage: check_journal.py JOURNAL PROCESSES RUNS
Prints the figures and a closing "N passed, N failed" line.
"""
import re
import sys

STAMP = r"\d\d/\d\d/\d{4} à \d\d:\d\d:\d\d"
FINAL = ("Traitement terminé : 1 opération à effectuer, "
         "0 imp. traitée avec succès.")
PAD = "remplissage" * 400
NAME = r"([^\r\n]*)"
SHORT = re.compile(STAMP + " sur " + NAME + " : " + re.escape(FINAL) + "\r\n")
FULL = re.compile(
    "--- Traitement du " + STAMP + " sur " + NAME + " ---\r\n"
    r"\1 " + PAD + "\r\n"
    "   -> aucune imprimante concernée.\r\n" + re.escape(FINAL) + "\r\n\r\n")
RUN_NAME = re.compile(r"P\d+R\d+")


def expected_level(name):
    p, r = map(int, name[1:].split("R"))
    return "S" if (p + r) % 2 == 0 else "C"


def count_anonymous(entries, processes, runs):
    """Lost, duplicated and wrong entries when the runs are not named."""
    wanted = processes * runs
    wanted_short = sum(1 for p in range(1, processes + 1)
                       for r in range(1, runs + 1) if (p + r) % 2 == 0)
    short = sum(1 for _, level in entries if level == "S")
    return (max(0, wanted - len(entries)), max(0, len(entries) - wanted),
            abs(short - wanted_short))


def count_named(entries, processes, runs):
    """Lost, duplicated and wrong entries by the name of each run."""
    seen = {}
    for name, level in entries:
        seen.setdefault(name, []).append(level)
    wanted = {f"P{p}R{r}" for p in range(1, processes + 1)
              for r in range(1, runs + 1)}
    lost = len(wanted - seen.keys())
    doubled = sum(len(levels) - 1 for levels in seen.values())
    wrong = sum(1 for name, levels in seen.items()
                if name not in wanted or levels[0] != expected_level(name))
    return lost, doubled, wrong


def decode(data):
    """The journal's text: UTF-8 on Linux, the ANSI code page (1252) on
    Windows. A journal that is neither keeps its bad bytes as U+FFFD, which
    no entry matches."""
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def main():
    path, processes, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    with open(path, "rb") as journal:
        text = decode(journal.read())
    entries = []
    pos = 0
    garbled = None
    while pos < len(text):
        for level, pattern in (("S", SHORT), ("C", FULL)):
            match = pattern.match(text, pos)
            if match:
                entries.append((match.group(1), level))
                pos = match.end()
                break
        else:
            garbled = pos
            break
    named = all(RUN_NAME.fullmatch(name) for name, _ in entries)
    count = count_named if named else count_anonymous
    lost, doubled, wrong = count(entries, processes, runs)
    short = sum(1 for _, level in entries if level == "S")
    print(f"processes {processes}, runs {processes * runs}, "
          f"entries {len(entries)} ({short} S, {len(entries) - short} C"
          f"{'' if named else ', counted, not named'}), lost {lost}, "
          f"duplicated {doubled}, wrong {wrong}, "
          f"garbled {'none' if garbled is None else 'at byte ' + str(garbled)}")
    if garbled is not None:
        print(repr(text[garbled:garbled + 200]))
    ok = garbled is None and lost == 0 and doubled == 0 and wrong == 0
    print(f"{int(ok)} passed, {int(not ok)} failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
