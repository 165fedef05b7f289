#!/usr/bin/env python3
"""quelmar-report against journals written by real runs of quelmar-dryrun.

A fleet of simulated workstations runs one migration script (some twice),
at level "S" or "C"; the entries of every other workstation are converted
to Windows-1252, as Quelmar.exe writes them. The report must give, for each
workstation, the counters of its last run as that run announced them (its
closing box) and the exit status it returned; the failures by printer of
the runs at level "C"; the same after the journal is damaged, with each
damaged line reported once; and an HTML page that headless Chromium draws.

usage: report_tests.py BUILD_DIR
"""
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

BUILD = pathlib.Path(sys.argv[1])
REPORT = BUILD / "quelmar-report"
DRYRUN = BUILD / "quelmar-dryrun"
WORK = pathlib.Path(tempfile.mkdtemp(prefix="quelmar-report-"))
CSV_HEADER = ("workstation,last_run,operations,succeeded,skipped,"
              "migration_errors,script_errors,exit_class")
PASSED = FAILED = 0


def check(name, ok, detail=""):
    global PASSED, FAILED
    if ok:
        PASSED += 1
        print(f"ok   {name}")
    else:
        FAILED += 1
        print(f"FAIL {name} {detail}")


ACTIONS = {
    "normal": "*\\\\oldsrv\\* , \\\\printsrv\\*\r\n+\\\\printsrv\\Couleur\r\n"
              "-\\\\comptasrv\\Facturation\r\n=\\\\printsrv\\Couleur\r\n",
    "typo": "+\\\\printsrv\\Couleur\r\n?\\\\printsrv\\Couleur\r\n",
    "nothing": "?\\\\a\\b\r\n+pas un nom\r\n",
}

BASE_WORKSTATION = """[printers]
\\\\oldsrv\\Canon1
\\\\OLDSRV\\Ricoh
\\\\comptasrv\\Facturation
PDF local
[default]
device=\\\\oldsrv\\Canon1,winspool,Ne01:
[shares]
\\\\printsrv\\Canon1
\\\\printsrv\\Couleur
"""

# Each variant of the workstation and the failures its runs trace, for the
# "normal" script; the "typo" script only connects \\printsrv\Couleur.
VARIANTS = {
    "clean": (BASE_WORKSTATION + "\\\\printsrv\\Ricoh\n", []),
    # The replacement fails, and so does the reconnection of the old one,
    # which no server offers any more.
    "ricoh": (BASE_WORKSTATION,
              [("\\\\printsrv\\Ricoh",
                "Le nom de l'imprimante n'est pas valide."),
               ("\\\\OLDSRV\\Ricoh",
                "Le nom de l'imprimante n'est pas valide.")]),
    "refused": (BASE_WORKSTATION + "\\\\printsrv\\Ricoh\n[failures]\n"
                "connect \\\\printsrv\\Couleur=5\n",
                [("\\\\printsrv\\Couleur", "Accès refusé."),
                 ("\\\\printsrv\\Couleur",
                  "l'imprimante n'existe peut-être pas")]),
    "rpc": (BASE_WORKSTATION + "\\\\printsrv\\Ricoh\n[failures]\n"
            "disconnect \\\\comptasrv\\Facturation=1722\n",
            [("\\\\comptasrv\\Facturation",
              "Le serveur RPC n'est pas disponible.")]),
}

CLOSING = re.compile(
    r"Traitement terminé : (\d+) opérations? à effectuer, (\d+) imp\. "
    r"traitées? avec succès(?:, (\d+) imp\. évitées?)?"
    r"(?:, (\d+) erreurs? de migration)?(?:, (\d+) erreurs? de script)?\.")


def counts_of(box):
    """The five counters of the run's closing box, or of a run without a
    valid line (its rejected lines are its script errors)."""
    m = CLOSING.search(box)
    if not m:
        return None
    return [int(g or 0) for g in m.groups()]


def run_workstation(name, variant, level, script, journal):
    folder = WORK / "runs" / name
    folder.mkdir(parents=True, exist_ok=True)
    ini = folder / f"{variant}.ini"
    ini.write_text(VARIANTS[variant][0], encoding="utf-8")
    path = folder / f"{script}-{level}.txt"
    path.write_bytes(("[Config]\r\nMode=D\r\nModeLog=%s\r\nLog=%s\r\n"
                      "[actions]\r\n%s" % (level, journal, ACTIONS[script])
                      ).encode("utf-8"))
    env = dict(os.environ, COMPUTERNAME=name, LC_ALL="C")
    done = subprocess.run([str(DRYRUN), "--workstation", str(ini), str(path)],
                          env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=60)
    return done.returncode, done.stderr.decode("utf-8")


def make_fleet(journal):
    """Runs the fleet into `journal`; gives the expected report."""
    expected = {}   # name -> (counts, exit status, level, failures)
    variants = list(VARIANTS)
    for i in range(1, 31):
        name = f"POSTE{i:02d}" if i % 7 else f"SALLE-É{i}"
        windows = i % 2 == 0
        level = "S" if i % 3 == 0 else "C"
        variant = variants[i % 4]
        script = "typo" if i % 5 == 0 else "normal"
        if i == 11:
            script, level = "nothing", "C"
        runs = [("refused", "normal"), (variant, script)] if i % 4 != 1 \
            else [(variant, script)]
        for run_variant, run_script in runs:
            target = WORK / "one.log" if windows else journal
            status, box = run_workstation(name, run_variant, level,
                                          run_script, target)
            if windows:
                # Quelmar.exe writes the same entry in the ANSI code page.
                entry = target.read_bytes().decode("utf-8")
                target.unlink()
                with open(journal, "ab") as out:
                    out.write(entry.encode("cp1252"))
            counts = counts_of(box)
            if counts is None:  # a run without any valid line
                rejected = len(ACTIONS[run_script].strip().split("\r\n"))
                counts = [0, 0, 0, 0, rejected]
            failures = []
            if run_script == "normal":
                failures = VARIANTS[run_variant][1]
            elif run_script == "typo" and run_variant == "refused":
                failures = VARIANTS["refused"][1][:1]
            expected[name] = (counts, status, level, failures)
    return expected


def report(*args):
    done = subprocess.run([str(REPORT), *map(str, args)], capture_output=True,
                          timeout=60)
    return (done.returncode, done.stdout.decode("utf-8"),
            done.stderr.decode("utf-8"))


def csv_rows(text):
    lines = text.splitlines()
    return lines[0] if lines else "", {l.split(",")[0]: l.split(",")[2:]
                                       for l in lines[1:]}


def printer_failures(text):
    """{printer: (failures, workstations)} from the text report."""
    section = text.split("Échecs par imprimante")[1].split(
        "Échecs par texte d'erreur")[0]
    groups = {}
    for line in section.splitlines()[1:]:
        m = re.match(r"(.*) : (\d+) échecs? ; (.*)$", line)
        if m:
            groups[m.group(1)] = (int(m.group(2)),
                                  sorted(m.group(3).split(", ")))
    return groups


def expected_rows(expected):
    return {name: [str(v) for v in counts] + [str(status)]
            for name, (counts, status, _, _) in expected.items()}


def expected_printer_failures(expected):
    groups = {}
    for name, (_, _, level, failures) in expected.items():
        if level != "C":
            continue
        for printer, _ in failures:
            count, names = groups.get(printer, (0, set()))
            groups[printer] = (count + 1, names | {name})
    return {p: (c, sorted(n)) for p, (c, n) in groups.items()}


def test_fleet(journal, expected):
    status, out, err = report("--csv", journal)
    header, rows = csv_rows(out)
    check("csv_header", header == CSV_HEADER, header)
    check("csv_status", status == 0 and err == "", f"{status} {err}")
    want = expected_rows(expected)
    check("csv_counts_equal_the_runs", rows == want,
          f"\n got {rows}\nwant {want}")
    status, text, err = report(journal)
    got = printer_failures(text)
    want = expected_printer_failures(expected)
    check("failures_by_printer", got == want, f"\n got {got}\nwant {want}")
    classes = [s for (_, s, _, _) in expected.values()]
    summary = (f"Parc : {len(classes)} postes ; {classes.count(0)} sans "
               f"erreur, {classes.count(1)} avec erreurs, 0 non terminé.")
    check("summary", summary in text, text[:300])
    check("both_levels_and_code_pages",
          b"\xe0" in journal.read_bytes() and "à".encode() in
          journal.read_bytes() and "au niveau S, " in text and
          " 0 ligne illisible" in text, text[:200])
    # Two journals give the report of one.
    data = journal.read_bytes()
    cut = data.index(b"\r\n--- Traitement du ", len(data) // 2) + 2
    (WORK / "a.log").write_bytes(data[:cut])
    (WORK / "b.log").write_bytes(data[cut:])
    status, split, _ = report("--csv", WORK / "a.log", WORK / "b.log")
    check("several_journals",
          status == 0 and csv_rows(split)[1] == expected_rows(expected),
          split[:200])


def test_damage(journal, expected):
    """Garbage, a cut entry and a cut last line; every intact workstation
    keeps its row, every bad line is reported once."""
    data = journal.read_bytes()
    lines = data.split(b"\r\n")
    first_end = 0  # the damage comes first; the first entry cuts it short
    injected = [
        b"garbage from a text editor",
        b"\x00" * 300,
        b"07/12/2026 \xe0 08:15:02 sur VIEUX : Fin du traitement.",
        b"31/02/2026 \xe0 08:15:02 sur POSTE01 : Traitement termin\xe9 : "
        b"1 op\xe9ration \xe0 effectuer, 1 imp. trait\xe9e avec succ\xe8s.",
    ]
    cut_entry = [b"--- Traitement du 07/12/2026 \xc3\xa0 09:00:00 sur "
                 b"POSTE99 ---", b"Connexion de \\\\printsrv\\Couleur..."]
    damaged_lines = (lines[:first_end] + injected + cut_entry +
                     lines[first_end:])
    damaged = b"\r\n".join(damaged_lines)
    damaged += b"07/12/2026 \xc3\xa0 09:10:00 sur POSTE98 : Traitement ter"
    path = WORK / "damaged.log"
    path.write_bytes(damaged)
    status, out, err = report("--csv", path)
    header, rows = csv_rows(out)
    want = expected_rows(expected)
    intact = {k: v for k, v in rows.items() if k in want}
    check("damaged_status", status == 0, str(status))
    check("damaged_intact_rows", intact == want,
          f"\n got {intact}\nwant {want}")
    check("damaged_cut_entry_not_completed",
          rows.get("POSTE99") == ["", "", "", "", "", "2"] and
          "POSTE98" not in rows, str(rows.get("POSTE99")))
    numbers = [first_end + k + 1 for k in range(len(injected))]
    total_lines = damaged.count(b"\r\n") + 1
    reported = re.findall(r"ligne (\d+) : ligne illisible", err)
    check("each_bad_line_reported_once",
          reported == [str(n) for n in numbers + [total_lines]] and
          f"ligne {first_end + len(injected) + 1} : entrée sans phrase de "
          "clôture" in err, f"{reported} {numbers} {total_lines}\n{err}")
    status, text, _ = report(path)
    check("damaged_counts_in_text",
          "5 lignes illisibles, 1 entrée incomplète" in text and
          "1 non terminé." in text, text[:300])


def test_narrowing(journal, expected):
    status, out, _ = report("--csv", "--since", "2999-01-01", journal)
    check("since_future_empty", status == 0 and out == CSV_HEADER + "\n", out)
    status, out, _ = report("--csv", "--since", "2000-01-01 00:00:00", journal)
    check("since_past_all", csv_rows(out)[1] == expected_rows(expected))
    status, out, _ = report("--csv", "--workstation", "poste0#", journal)
    want = {k: v for k, v in expected_rows(expected).items()
            if re.fullmatch(r"POSTE0\d", k)}
    check("workstation_pattern", csv_rows(out)[1] == want, out[:300])
    status, out, _ = report("--csv", "--workstation", "salle-é*", journal)
    check("workstation_pattern_accented",
          sorted(csv_rows(out)[1]) == ["SALLE-É14", "SALLE-É21", "SALLE-É28",
                                       "SALLE-É7"], out)


def test_command_line(journal):
    status, out, err = report("--colour", journal)
    check("unknown_option", status == 2 and out == "" and
          err.count("\n") == 1 and "--colour" in err, err)
    status, _, err = report("--since", "2026-02-30", journal)
    check("impossible_date", status == 2 and err.count("\n") == 1, err)
    status, _, err = report()
    check("no_journal", status == 2 and err.count("\n") == 1, err)
    status, out, err = report("--csv", WORK / "absent.log", journal)
    check("missing_journal_others_reported",
          status == 1 and "absent.log" in err and out.count("\n") > 20, err)
    before = hashlib.sha256(journal.read_bytes()).hexdigest()
    status, _, err = report("--html", journal, journal)
    check("html_never_replaces_a_journal",
          status == 2 and hashlib.sha256(journal.read_bytes()).hexdigest()
          == before, err)


def test_html(journal):
    page = BUILD / "report" / "report.html"
    page.parent.mkdir(exist_ok=True)
    status, _, _ = report("--html", page, journal)
    html = page.read_text(encoding="utf-8")
    external = [m for m in ("<script", "src=", "href=", "url(", "@import",
                            "<link") if m in html]
    check("html_self_contained", status == 0 and not external and
          html.count("<svg") == 2, str(external))
    shot = BUILD / "report" / "report.png"
    if shot.exists():
        shot.unlink()
    profile = tempfile.mkdtemp(prefix="chromium-", dir=WORK)
    subprocess.run(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu",
         "--disable-quic", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync",
         f"--user-data-dir={profile}", "--hide-scrollbars",
         "--window-size=1100,760", f"--screenshot={shot}", page.as_uri()],
        capture_output=True, timeout=120)
    size = colours = ""
    if shot.exists():
        size = subprocess.run(["identify", "-format", "%wx%h", str(shot)],
                              capture_output=True, text=True).stdout
        colours = subprocess.run(["convert", str(shot), "-format", "%k",
                                  "info:"], capture_output=True,
                                 text=True).stdout
    # The charts' green, orange and blue bars and the text: many colours.
    check("html_drawn_by_chromium",
          size == "1100x760" and colours.isdigit() and int(colours) > 50,
          f"{size} {colours}")


def main():
    journal = WORK / "fleet.log"
    expected = make_fleet(journal)
    test_fleet(journal, expected)
    test_damage(journal, expected)
    test_narrowing(journal, expected)
    test_command_line(journal)
    test_html(journal)
    if FAILED == 0:
        shutil.rmtree(WORK, ignore_errors=True)
    print(f"{PASSED} passed, {FAILED} failed")
    return 0 if FAILED == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
