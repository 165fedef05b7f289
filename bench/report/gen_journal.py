#!/usr/bin/env python3
"""Writes a shared journal as a fleet leaves it: ENTRIES entries of
WORKSTATIONS workstations, in time order, 60 % at level "S" and 40 % at
level "C" (a 20-line trace of a migration, some operations failing), the
entries of every other workstation in Windows-1252 as Quelmar.exe writes
them, lines ending in CR LF.

usage: gen_journal.py ENTRIES WORKSTATIONS OUT
"""
import random
import sys

ENTRIES, WORKSTATIONS, OUT = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
ERRORS = ["Accès refusé.", "Le nom de l'imprimante n'est pas valide.",
          "Le serveur RPC n'est pas disponible."]


def closing(failures):
    text = ("Traitement terminé : 6 opérations à effectuer, %d imp. traitées"
            " avec succès" % (6 - failures))
    if failures:
        text += ", %d erreur%s de migration" % (failures,
                                                 "s" if failures > 1 else "")
    return text + "."


def trace(rng):
    lines = ["Migration OLDSRV vers PRINTSRV", "",
             "###############   Début de traitement multiple  ###############"]
    failures = 0
    for k in range(6):
        printer = "Imprimante%02d" % rng.randrange(40)
        lines += ["", "Déconnexion de \\\\oldsrv\\%s..." % printer,
                  "   -> OK.", "Et reconnexion de \\\\printsrv\\%s..." % printer]
        if rng.random() < 0.05:
            failures += 1
            lines += ["   -> erreur rencontrée : " + rng.choice(ERRORS),
                      "Reconnexion de l'imprimante déconnectée...",
                      "   -> OK."]
        else:
            lines += ["   -> OK."]
    lines += ["", "###################################################"]
    return lines, failures


def main():
    rng = random.Random(14)
    with open(OUT, "wb") as out:
        for n in range(ENTRIES):
            station = rng.randrange(WORKSTATIONS)
            name = "POSTE-%04d" % station
            seconds = n * 2
            stamp = "%02d/12/2026 à %02d:%02d:%02d" % (
                1 + seconds // 86400, seconds // 3600 % 24,
                seconds // 60 % 60, seconds % 60)
            if rng.random() < 0.6:
                entry = "%s sur %s : %s\r\n" % (
                    stamp, name, closing(int(rng.random() < 0.1)))
            else:
                lines, failures = trace(rng)
                entry = "\r\n".join(
                    ["--- Traitement du %s sur %s ---" % (stamp, name)] +
                    lines + [closing(failures), ""]) + "\r\n"
            out.write(entry.encode("cp1252" if station % 2 else "utf-8"))


main()
