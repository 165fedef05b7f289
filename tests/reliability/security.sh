#!/usr/bin/env bash
# Security checks. In the sources: no shell is started, and no program but
# quelmar-dryrun's own helper; no format string comes from data, no file is
# truncated or deleted. In runs of
# quelmar-dryrun: script text with shell and format metacharacters is taken
# literally, and a Log value only ever appends.
#
# usage: security.sh QUELMAR_DRYRUN
set -u
dryrun=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/lib.sh"

work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
ws=$work/workstation.ini
printf '%s\n' '[shares]' '\\printsrv\A' > "$ws"
make_baseline

sources() {
  # The tree's files, not git's list: a tree unpacked from an archive has
  # no git.
  (cd "$root" && find app base services platform report tools -type f \
    \( -name '*.cc' -o -name '*.h' \) | sort | grep -v '_test\.cc$' |
    grep -v '^platform/fake/')
}
grep_sources() { (cd "$root" && sources | xargs grep -nE "$1"); }

start no_program_started
# Two exceptions. The bounded child of the print-server code: a fork with no
# exec that runs this program's own name look-ups and SMB listings so that
# they can be killed at their deadline; only its one fork line is let
# through. And quelmar-dryrun's own helper, quelmar-snapshot, started by
# its full path with posix_spawn (no shell, no search of PATH, no argument):
# only that one call. Any other exec or shell, in those files too, fails.
found=$(grep_sources '\b(system|popen|exec[lv]p?e?|fork|vfork|posix_spawnp?|ShellExecute\w*|CreateProcess\w*|WinExec)\s*\(' |
  grep -v -E '^platform/posix/bounded_child\.cc:[0-9]+:  const pid_t pid = fork\(\);$' |
  grep -v -E '^platform/posix/helper_program\.cc:[0-9]+: +posix_spawn\(&child, path\.c_str\(\), &actions, nullptr, arguments, environ\);$')
[ -z "$found" ] || fail "starts a program: $found"

start no_format_string_from_data
# Every printf-family call has a literal format, after the stream or the
# buffer and its size.
found=$(cd "$root" && sources | xargs python3 -c '
import re, sys
call = re.compile(r"\b(v?s?n?printf|v?fprintf|syslog|wsprintf\w*)\s*\(")
literal = re.compile(r"\s*(?:[\w.:>-]+\s*,\s*(?:sizeof\s*\(?[\w.]+\)?\s*,\s*)?)?(?:L|u8)?\"")
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8", errors="replace").read()
    for match in call.finditer(text):
        if not literal.match(text, match.end()):
            line = text.count("\n", 0, match.start()) + 1
            print(f"{path}:{line}")
')
[ -z "$found" ] || fail "format not literal: $found"

start no_truncation_or_deletion
# Only the rehearsal command's own --save and --save-snapshot outputs and
# the report's --html page are written whole; a journal is cut only back to
# its size before an entry that did not fit (the lines marked "CutBack").
found=$(grep_sources 'O_TRUNC|ios::trunc|\bf?truncate\s*\(|SetEndOfFile|\bunlink\s*\(|\bremove\s*\(|\brename\s*\(|DeleteFile\w*\s*\(|CREATE_ALWAYS|TRUNCATE_EXISTING|fopen\s*\([^,]*, *"w' |
  grep -v '^tools/quelmar_dryrun.cc:[0-9]*:  std::ofstream out(path, ' |
  grep -v '^tools/quelmar_report.cc:.*options.html' |
  grep -v -E '^platform/(posix|win32)/file_system_\w+\.cc:[0-9]+: .*// CutBack:')
[ -z "$found" ] || fail "may truncate or delete: $found"

start log_keeps_existing_content
printf 'ligne 1\r\nligne 2 sans fin' > "$work/existing.log"
printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=%s\r\n[actions]\r\n' "$work/existing.log" > "$work/s.txt"
run "$work/s.txt"
expect_status 0
# The last line had no line break: the entry starts on a line of its own
# (the shell drops the final line feed of what head gives).
[ "$(head -c 27 "$work/existing.log")" = $'ligne 1\r\nligne 2 sans fin\r' ] ||
  fail "existing journal content changed"
[ "$(wc -l < "$work/existing.log")" = 3 ] || fail "entry not appended"

start log_is_the_script
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s\r\n[actions]\r\n' "$work/self.txt" > "$work/self.txt"
cp "$work/self.txt" "$work/self.orig"
run "$work/self.txt"
expect_status 0
[ "$(head -c "$(stat -c %s "$work/self.orig")" "$work/self.txt")" = "$(cat "$work/self.orig")" ] ||
  fail "the script was not kept"
[ "$(stat -c %s "$work/self.txt")" -gt "$(stat -c %s "$work/self.orig")" ] ||
  fail "nothing appended to the script"

start shell_metacharacters_taken_literally
name='$(touch pwned)`touch pwned2`|touch pwned3&'
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s/%s.log\r\n[actions]\r\n+\\\\printsrv\\%s\r\n=%s\r\n' \
  "$work" "$name" "$name" "$name" > "$work/s.txt"
cd "$work" && run "$work/s.txt"
cd - > /dev/null
expect_status 1
[ -f "$work/$name.log" ] || fail "journal not written under its literal name"
grep -qF "Connexion de \\\\printsrv\\$name..." "$work/$name.log" || fail "printer name changed"
[ -z "$(ls "$work" | grep -E '^pwned')" ] || fail "a shell ran"

start format_directives_taken_literally
name='%s%n%x%p%%n%08x'
printf '[Config]\r\nMode=M\r\nModeLog=C\r\nLog=%s\r\n[actions]\r\n+\\\\printsrv\\%s\r\n' \
  "$work/journal.log" "$name" > "$work/s.txt"
run "$work/s.txt"
expect_status 1
grep -qF "Connexion de \\\\printsrv\\$name..." "$work/journal.log" ||
  fail "format directives not written literally"

summary
