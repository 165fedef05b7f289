"""Prints this host's entry among the journal's bytes from OFFSET on.

usage: journal_entry.py JOURNAL OFFSET COMPUTER_NAME

Each run appends its entry in one write, but other workstations may append
to a shared journal between the size read before the run and this read: the
entry is the first one from OFFSET whose header names COMPUTER_NAME. An
entry is one line ("JJ/MM/AAAA à HH:MM:SS sur NAME : ...") or a whole trace
from "--- Traitement du ... sur NAME ---" to the start of the next entry.
Prints nothing when there is none.
"""
import re
import sys

STARTS = [
    re.compile(r"^--- Traitement du .+ sur (?P<name>.*) ---$"),
    re.compile(r"^\d\d/\d\d/\d{4} à \d\d:\d\d:\d\d sur (?P<name>.*?) : "),
]


def entry_name(line):
    for pattern in STARTS:
        match = pattern.match(line)
        if match:
            return match.group("name"), pattern is STARTS[1]
    return None, False


def main(path, offset, computer):
    with open(path, "rb") as journal:
        journal.seek(offset)
        text = journal.read().decode("utf-8", "replace")
    entry = []
    taking = False
    for line in text.split("\r\n"):
        name, single = entry_name(line)
        if name is not None and taking:
            break
        if name is not None and name == computer:
            entry.append(line)
            if single:
                break
            taking = True
        elif taking:
            entry.append(line)
    while entry and entry[-1] == "":
        entry.pop()
    sys.stdout.write("".join(line + "\n" for line in entry))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
