#!/usr/bin/env python3
"""Writes the inputs of the benchmarks into one folder.

usage: gen_inputs.py OUT_DIR

OUT_DIR receives:
  workstation.ini       50 installed printers, a default, shares, failures
  mix_<N>.txt           N action lines of every kind (N = 1000, 4000, 16000,
                        32000 and 32766, the largest section there can be),
                        mode "M", journal level "C"
  mix_32766_n.txt       the largest script again, in mode "N"
  one_line.txt          a single action line, mode "M"
  wild_<P>.ini/.txt     a workstation of P printers on one server and a
                        script that replaces all of them with one wildcard
                        line (P = 250, 500, 1000, 2000)
Journals are written to OUT_DIR/journal.log.
"""
import os
import sys

MIX_SIZES = [1000, 4000, 16000, 32000, 32766]
WILDCARD_SIZES = [250, 500, 1000, 2000]
OLD_PRINTERS = 39
WILD_PRINTERS = 5
NEW_PRINTERS = 10


def old(k):
    return "\\\\oldsrv\\P%02d" % k


def workstation():
    printers = [old(k) for k in range(OLD_PRINTERS)]
    printers += ["\\\\oldsrv\\Locked", "\\\\comptasrv\\Compta-Été"]
    printers += ["\\\\wsrv\\W%d" % k for k in range(WILD_PRINTERS)]
    printers += ["PDF local", "Fax", "Microsoft Print to PDF", "OneNote"]
    assert len(printers) == 50
    shares = [old(k) for k in range(OLD_PRINTERS)]
    shares += ["\\\\printsrv\\P%02d" % k for k in range(OLD_PRINTERS)]
    shares += ["\\\\printsrv\\New%d" % k for k in range(NEW_PRINTERS)]
    shares += ["\\\\wsrv\\W%d" % k for k in range(WILD_PRINTERS)]
    shares += ["\\\\wsrv2\\W%d" % k for k in range(WILD_PRINTERS)]
    return ("; A large workstation: 50 installed printers.\n[printers]\n" +
            "".join(p + "\n" for p in printers) +
            "[default]\ndevice=%s,winspool,Ne01:\n" % old(0) +
            "[shares]\n" + "".join(s + "\n" for s in shares) +
            "[failures]\ndisconnect \\\\oldsrv\\Locked=5\n[messages]\n")


def block(j):
    """31 lines: every kind of line, every check, every operation. Per block
    the run counts 17 successes, 2 skipped printers, 3 migration errors and
    10 script errors, so that the largest script stays within the 16-bit
    counters."""
    k = j % OLD_PRINTERS
    new = "\\\\printsrv\\New%d" % (j % NEW_PRINTERS)
    return [
        "; bloc %d : migration de %s" % (j, old(k)),
        "",
        " \t ",
        "+%s ; nouvelle imprimante" % new,
        "+ \\\\PRINTSRV\\new%d" % (j % NEW_PRINTERS),
        "-%s" % new,
        "-\\\\nosrv\\Absente",
        "*%s , \\\\printsrv\\P%02d" % (old(k), k),
        "*\\\\printsrv\\P%02d,%s" % (k, old(k)),
        "=%s" % old((k + 1) % OLD_PRINTERS),
        "=PDF local",
        "=\t%s" % old(0),
        "-\\\\oldsrv\\Locked",
        "+\\\\nosrv\\Inconnue",
        "*%s, \\\\nosrv\\P%02d" % (old(k), k),
        "-\\\\nosrv\\*",
        "*\\\\wsrv\\* , \\\\wsrv2\\*",
        "*\\\\wsrv2\\*,\\\\wsrv\\*",
        "=",
        "?\\\\srv\\x",
        "+srv\\imprimante",
        "-\\\\a\\b , \\\\c\\d",
        "*%s" % old(1),
        "*%s, printsrv" % old(1),
        "*\\\\oldsrv\\*, \\\\printsrv\\P01",
        "+\\\\srv\\HP*",
        "=\\\\oldsrv\\*",
        "-\\\\a\\b\\c",
        "Mode=N",
        "; fin du bloc %d" % j,
        "",
    ]


def script(mode, journal, actions):
    head = ("; Benchmark script\r\n[Config]\r\nMode=%s\r\nModeLog=C\r\n"
            "Log=%s\r\nLogInfos=Banc d'essai§Poste de test\r\n\r\n[actions]"
            % (mode, journal))
    return head + "".join("\r\n" + line for line in actions) + "\r\n"


def mix_lines(count):
    lines = []
    j = 0
    while len(lines) < count:
        lines += block(j)
        j += 1
    return lines[:count]


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write(text)


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    journal = os.path.join(out, "journal.log")
    write(os.path.join(out, "workstation.ini"), workstation())
    for count in MIX_SIZES:
        write(os.path.join(out, "mix_%d.txt" % count),
              script("M", journal, mix_lines(count)))
    write(os.path.join(out, "mix_32766_n.txt"),
          script("N", journal, mix_lines(32766)))
    write(os.path.join(out, "one_line.txt"),
          script("M", journal, ["-\\\\nosrv\\Absente"]))
    for count in WILDCARD_SIZES:
        names = ["Imprimante%04d" % k for k in range(count)]
        write(os.path.join(out, "wild_%d.ini" % count),
              "[printers]\n" +
              "".join("\\\\oldsrv\\%s\n" % n for n in names) +
              "[default]\ndevice=\\\\oldsrv\\%s,winspool,Ne01:\n" % names[0] +
              "[shares]\n" +
              "".join("\\\\printsrv\\%s\n" % n for n in names))
        write(os.path.join(out, "wild_%d.txt" % count),
              script("M", journal, ["*\\\\oldsrv\\* , \\\\printsrv\\*"]))


if __name__ == "__main__":
    main()
