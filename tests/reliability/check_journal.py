"""Checks the journal written by concurrent_journal.sh: it must be exactly a
sequence of whole entries, one per run, none interleaved with another.

usage: check_journal.py JOURNAL PROCESSES RUNS
Prints the figures and a closing "N passed, N failed" line.
"""
import re
import sys

STAMP = r"\d\d/\d\d/\d{4} à \d\d:\d\d:\d\d"
FINAL = ("Traitement terminé : 1 opération à effectuer, "
         "1 imp. traitée avec succès.")
PAD = "remplissage" * 400
SHORT = re.compile(STAMP + r" sur (P\d+R\d+) : " + re.escape(FINAL) + "\r\n")
FULL = re.compile(
    "--- Traitement du " + STAMP + r" sur (P\d+R\d+) ---\r\n"
    r"\1 " + PAD + "\r\n\r\n"
    r"Connexion de \\\\printsrv\\A\.\.\.\r\n"
    "   -> OK.\r\n" + re.escape(FINAL) + "\r\n\r\n")


def expected_level(name):
    p, r = map(int, name[1:].split("R"))
    return "S" if (p + r) % 2 == 0 else "C"


def main():
    path, processes, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    with open(path, "rb") as journal:
        text = journal.read().decode("utf-8", errors="replace")
    seen = {}
    pos = 0
    garbled = None
    while pos < len(text):
        for level, pattern in (("S", SHORT), ("C", FULL)):
            match = pattern.match(text, pos)
            if match:
                seen.setdefault(match.group(1), []).append(level)
                pos = match.end()
                break
        else:
            garbled = pos
            break
    wanted = {f"P{p}R{r}" for p in range(1, processes + 1)
              for r in range(1, runs + 1)}
    entries = sum(len(levels) for levels in seen.values())
    lost = len(wanted - seen.keys())
    doubled = sum(len(levels) - 1 for levels in seen.values())
    wrong = sum(1 for name, levels in seen.items()
                if name not in wanted or levels[0] != expected_level(name))
    short = sum(levels.count("S") for levels in seen.values())
    print(f"processes {processes}, runs {len(wanted)}, entries {entries} "
          f"({short} S, {entries - short} C), lost {lost}, "
          f"duplicated {doubled}, wrong {wrong}, "
          f"garbled {'none' if garbled is None else 'at byte ' + str(garbled)}")
    if garbled is not None:
        print(repr(text[garbled:garbled + 200]))
    ok = garbled is None and lost == 0 and doubled == 0 and wrong == 0
    print(f"{int(ok)} passed, {int(not ok)} failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
