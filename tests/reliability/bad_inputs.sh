#!/usr/bin/env bash
# The catalogue of bad inputs: each case runs quelmar-dryrun on one bad
# script, environment or journal path and checks the exit status, what the
# user is told, the journal and the workstation afterwards. tests/README.md
# lists the cases with what each must give.
#
# usage: bad_inputs.sh QUELMAR_DRYRUN
set -u
dryrun=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
ws=$work/workstation.ini
printf '%s\n' '[printers]' '\\oldsrv\Canon1' 'PDF local' '[default]' \
  'device=\\oldsrv\Canon1,winspool,Ne01:' '[shares]' '\\printsrv\A' \
  '\\printsrv\Café' '\\oldsrv\Canon1' > "$ws"
make_baseline

not_found() {
  echo "[Erreur] Le fichier script à traiter spécifié ($1) n'a pas été trouvé : opération abandonnée..."
}
run_error() {
  printf '[Erreur] Une erreur est survenue lors du traitement...\n\n\tErreur %s : ' "$1"
}
journal_failure() {
  echo "[Erreur] L'écriture dans le fichier journal ($1) a déclenché une erreur qui peut avoir plusieurs origines : "
}
no_valid="Le fichier à traiter ne possédait pas de section [actions] ou celle-ci ne contenait aucune instruction valide à exécuter..."
one_ok="Traitement terminé : 1 opération à effectuer, 1 imp. traitée avec succès."

# A script in mode M with a one-line journal in $work/journal.log, then the
# given action lines (CR LF line ends).
quiet_script() {
  printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n' \
    "$work/journal.log"
  local line
  for line in "$@"; do printf '%s\r\n' "$line"; done
}
journal_says() { # the one entry of the journal ends with this text
  [ "$(wc -l < "$work/journal.log")" -eq 1 ] &&
    grep -qF " sur POSTE : $1"$'\r' "$work/journal.log"
}

# --- the script file ---

start missing
run "$work/absent.txt"
expect_status 2 && expect_stderr "$(not_found "$work/absent.txt")" &&
  expect_no_journal

start unreadable
printf '[actions]\r\n+\\\\printsrv\\A\r\n' > "$work/unreadable.txt"
chmod 000 "$work/unreadable.txt"
as_other_user=1 run "$work/unreadable.txt"
expect_status 2 && expect_stderr_starts "$(run_error 75)" &&
  expect_workstation_unchanged

start empty
: > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && expect_stdout "$no_valid" && expect_stderr ""

start folder
mkdir "$work/dir.txt"
run "$work/dir.txt"
expect_status 2 && expect_stderr "$(not_found "$work/dir.txt")"

start device
run /dev/null
expect_status 2 && expect_stderr "$(not_found /dev/null)"

start fifo
mkfifo "$work/script.fifo"
run "$work/script.fifo"
expect_status 2 && expect_stderr "$(not_found "$work/script.fifo")"

start nul_filled
head -c 100000 /dev/zero > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && expect_stdout "$no_valid"

start binary
# Every byte value, a header, then every byte value again: the garbage after
# the header is rejected line by line and nothing runs.
{ all_bytes; printf '[actions]'; all_bytes; } > "$work/s.txt"
run "$work/s.txt"
expect_status 1 && expect_stdout_ends "$no_valid" &&
  expect_stdout_has "Erreur de syntaxe (ligne 0), commande inconnue..." &&
  expect_workstation_unchanged

start ten_megabytes
{ quiet_script '+\\printsrv\A'
  comment="; $(printf '%0998d' 0)"
  for _ in $(seq 10240); do printf '%s\r\n' "$comment"; done
} > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok"

start invalid_utf8
# Not UTF-8, so read in Windows-1252: the byte E9 is "é".
quiet_script $'+\\\\printsrv\\Caf\xe9' > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok" &&
  expect_saved_has '\\printsrv\Café'

start utf16_little_endian
# Saved as "Unicode" by Notepad: UTF-16 with its byte-order mark.
{ printf '\xff\xfe'; quiet_script '+\\printsrv\Café' | iconv -f UTF-8 -t UTF-16LE; } > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok" &&
  expect_saved_has '\\printsrv\Café'

start utf16_big_endian
{ printf '\xfe\xff'; quiet_script '+\\printsrv\Café' | iconv -f UTF-8 -t UTF-16BE; } > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok" &&
  expect_saved_has '\\printsrv\Café'

start bom_only
printf '\xef\xbb\xbf' > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && expect_stdout "$no_valid"

start cr_only
quiet_script '+\\printsrv\A' | tr -d '\n' > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok"

start mixed_line_ends
printf '[Config]\r\nMode=M\nModeLog=S\rLog=%s\r\n[actions]\n+\\\\printsrv\\A\r-\\\\nosrv\\B\r\n?\n' \
  "$work/journal.log" > "$work/s.txt"
run "$work/s.txt"
expect_status 1 && journal_says "Traitement terminé : 2 opérations à effectuer, 1 imp. traitée avec succès, 1 imp. évitée, 1 erreur de script."

start lines_32767
{ quiet_script '+\\printsrv\A'; printf ';\r\n%.0s' $(seq 32765); } > "$work/s.txt"
run "$work/s.txt"
expect_status 0 && journal_says "$one_ok"

start lines_32768
{ quiet_script '+\\printsrv\A'; printf ';\r\n%.0s' $(seq 32766); } > "$work/s.txt"
run "$work/s.txt"
expect_status 2 && expect_stderr_starts "$(run_error 6)" && expect_no_journal &&
  expect_workstation_unchanged

start lines_40000
{ quiet_script '+\\printsrv\A'; printf ';\r\n%.0s' $(seq 39998); } > "$work/s.txt"
run "$work/s.txt"
expect_status 2 && expect_stderr_starts "$(run_error 6)" && expect_no_journal &&
  expect_workstation_unchanged

long=$(printf 'x%.0s' $(seq 100000))

start long_line_unknown
quiet_script "?$long" > "$work/s.txt"
run "$work/s.txt"
expect_status 1 && journal_says "$no_valid"

start long_printer_name
quiet_script "+\\\\printsrv\\$long" > "$work/s.txt"
run "$work/s.txt"
expect_status 1 &&
  journal_says "Traitement terminé : 1 opération à effectuer, 0 imp. traitée avec succès, 1 erreur de migration."

start long_loginfos
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s\r\nLogInfos=%s\r\n[actions]\r\n' \
  "$work/journal.log" "$long" > "$work/s.txt"
run "$work/s.txt"
# The value is cut at 31,999 characters; it is the second line of the entry.
expect_status 0
[ "$(sed -n 2p "$work/journal.log" | tr -d '\r' | wc -c)" -eq 32000 ] ||
  fail "LogInfos not cut at 31,999 characters"

start long_log_value
printf '[Config]\r\nMode=D\r\nModeLog=S\r\nLog=%s/%s\r\n[actions]\r\n' "$work" "$long" > "$work/s.txt"
run "$work/s.txt"
cut_path="$work/${long:0:$((31999 - ${#work} - 1))}"
expect_status 1 && expect_stderr_has "$(journal_failure "$cut_path")"

start log_with_nul
# The system would read the path up to the NUL: journal.log, another file.
printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%s\0.txt\r\n[actions]\r\n+\\\\printsrv\\A\r\n' \
  "$work/journal.log" > "$work/s.txt"
run "$work/s.txt"
expect_status 1 && expect_no_journal && expect_saved_has '\\printsrv\A'

start printer_name_with_nul
# \\printsrv\A<NUL>x would reach the system as \\printsrv\A.
printf '[Config]\r\nMode=N\r\nModeLog=A\r\n[actions]\r\n+\\\\printsrv\\A\0x\r\n' > "$work/s.txt"
run "$work/s.txt"
expect_status 1 &&
  expect_stdout_has "   -> erreur rencontrée : Le nom de l'imprimante n'est pas valide." &&
  expect_stdout_has "1 erreur de migration" && expect_workstation_unchanged

start unclosed_percent_log
printf '[Config]\r\nModeLog=S\r\nLog=%s/%%TEMP\r\n[actions]\r\n+\\\\printsrv\\A\r\n' "$work" > "$work/s.txt"
run "$work/s.txt"
expect_status 2 && expect_stderr_starts "$(run_error 5)" && expect_no_journal &&
  expect_workstation_unchanged

start unclosed_percent_loginfos
printf '[Config]\r\nModeLog=S\r\nLog=%s/j.log\r\nLogInfos=50%%\r\n' "$work" > "$work/s.txt"
run "$work/s.txt"
expect_status 2 && expect_stderr_starts "$(run_error 5)"

start adjacent_percents
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s/%%%%j%%%%.log\r\nLogInfos=a%%%%b\r\n[actions]\r\n' \
  "$work" > "$work/s.txt"
run "$work/s.txt"
expect_status 0
[ "$(sed -n 2p "$work/j.log")" = $'ab\r' ] ||
  fail "adjacent % signs not taken as an empty name"

start environment_percent_paragraph
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%%DIR%%/j.log\r\nLogInfos=%%PCT%%%%PCT%%\r\n[actions]\r\n' > "$work/s.txt"
mkdir -p "$work/50%"
PCT='50%§ fin' DIR="$work/50%" run "$work/s.txt"
# Values are not searched again for "%", and each "§" becomes a line break.
expect_status 0
[ "$(sed -n 2,4p "$work/50%/j.log")" = $'50%\r\n fin50%\r\n fin\r' ] ||
  fail "environment values searched again or § kept"

start environment_huge_value
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s\r\nLogInfos=%%BIG%% %%X%%\r\n[actions]\r\n' \
  "$work/journal.log" > "$work/s.txt"
# Positions in the text are 16-bit: the "%" after a 40,000-character value
# stands past 32,767.
BIG=$long X=fin run "$work/s.txt"
expect_status 2 && expect_stderr_starts "$(run_error 6)" && expect_no_journal

# --- the journal path ---

journal_path_case() { # NAME PATH: the journal cannot be written there
  start "$1"
  printf '[Config]\r\nMode=D\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n+\\\\printsrv\\A\r\n' "$2" > "$work/s.txt"
  as_other_user=${as_other_user:-} run "$work/s.txt"
  expect_status 1 && expect_stderr_has "$(journal_failure "$2")" &&
    expect_stderr_has "[Quelmar v1.0.6] $one_ok" && expect_saved_has '\\printsrv\A'
}
mkdir -p "$work/journal_dir"
journal_path_case journal_is_folder "$work/journal_dir"
mkdir -p "$work/ro" && printf 'avant\r\n' > "$work/ro/j.log" && chmod 444 "$work/ro/j.log"
as_other_user=1 journal_path_case journal_read_only "$work/ro/j.log"
[ "$(cat "$work/ro/j.log")" = $'avant\r' ] || fail "read-only journal changed"
journal_path_case journal_missing_folder "$work/missing/j.log"
journal_path_case journal_name_too_long "$work/$(printf 'n%.0s' $(seq 300)).log"
journal_path_case journal_path_too_long "$work$(printf '/d%.0s' $(seq 2100))/j.log"
journal_path_case journal_device /dev/full
mkfifo "$work/journal.fifo"
journal_path_case journal_fifo "$work/journal.fifo"

start journal_mode_m_silent
printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n' "$work/missing/j.log" > "$work/s.txt"
run "$work/s.txt"
expect_status 1 && expect_stderr "" && expect_stdout ""

# --- the rehearsal command ---

# run_on_workstation FILE: quelmar-dryrun on that workstation file.
run_on_workstation() {
  timeout 120 "$dryrun" --workstation "$1" "$work/s.txt" < /dev/null \
    > "$work/out/stdout" 2> "$work/out/stderr"
  status=$?
}
unreadable_workstation() {
  echo "quelmar-dryrun : poste de travail illisible : $1 ($2)"
}

start workstation_utf16
quiet_script '+\\printsrv\A' > "$work/s.txt"
{ printf '\xff\xfe'; printf '[shares]\r\n\\\\printsrv\\A\r\n' | iconv -t UTF-16LE; } > "$work/w.ini"
run_on_workstation "$work/w.ini"
expect_status 2 && expect_no_journal &&
  expect_stderr "$(unreadable_workstation "$work/w.ini" "fichier en UTF-16 ; il doit être en UTF-8")"

start workstation_binary
all_bytes > "$work/w.ini"
run_on_workstation "$work/w.ini"
expect_status 2 && expect_no_journal &&
  expect_stderr "$(unreadable_workstation "$work/w.ini" "fichier qui n'est pas du texte UTF-8")"

start workstation_number_out_of_range
printf '[shares]\n\\\\printsrv\\A\n[failures]\nconnect \\\\printsrv\\A=4294967301\n' > "$work/w.ini"
run_on_workstation "$work/w.ini"
expect_status 2 && expect_no_journal &&
  expect_stderr "$(unreadable_workstation "$work/w.ini" "ligne 4 : nombre illisible ou hors limites")"

start output_to_head
# The reader of the trace leaves early: the run goes on to its journal and
# its --save file.
{
  printf '[Config]\r\nMode=N\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n' "$work/journal.log"
  for i in $(seq 2000); do printf '+\\\\printsrv\\A\r\n'; done
} > "$work/s.txt"
COMPUTERNAME=POSTE timeout 120 "$dryrun" --workstation "$ws" \
  --save "$work/out/saved.ini" "$work/s.txt" < /dev/null 2> "$work/out/stderr" |
  head -c 100 > /dev/null
status=${PIPESTATUS[0]}
expect_status 0 && expect_saved_has '\\printsrv\A' &&
  journal_says "Traitement terminé : 2000 opérations à effectuer, 1 imp. traitée avec succès, 1999 imp. évitées."

summary
