# shellcheck shell=bash
# quelmar-dryrun.exe --this-workstation under Wine: Wine's printers come
# from CUPS, here a private cupsd on a socket of its own with two queues.
# The rehearsal must read them, change nothing (Wine's printers and default
# in the registry, the cupsd's queues, the script's own journal) and give
# its entry to --journal; a printer the system cannot open is a forced
# failure of the snapshot. Sourced by run.sh (pass, fail, BUILD, WORK).

wine_printers_state() {
  wine reg query 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' \
    /v Device 2>&1 | tr -d '\r'
  wine reg query 'HKLM\System\CurrentControlSet\Control\Print\Printers' \
    2>&1 | tr -d '\r'
  CUPS_SERVER=$1 lpstat -v 2>&1
}

echo "=== quelmar-dryrun.exe --this-workstation: Wine's printers"
dir=$WORK/this_workstation
cups=$dir/cups
mkdir -p "$cups"/{etc,spool/tmp,cache,state,log}
cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups/etc
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
SystemGroup root
FileDevice Yes
Printcap $cups/printcap
CONF
printf 'Listen %s\nBrowsing Off\nWebInterface No\nIdleExitTimeout 0\n%s\n' \
  "$cups/cups.sock" '<Location />
  Order allow,deny
  Allow all
</Location>' >"$cups/cupsd.conf"
for queue in Laser Couleur; do
  printf '<Printer %s>\nDeviceURI file:///dev/null\nState Idle\nAccepting Yes\n</Printer>\n' \
    "$queue" >>"$cups/etc/printers.conf"
done
cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" >/dev/null 2>&1 &
cupsd_pid=$!
for _ in $(seq 100); do [ -S "$cups/cups.sock" ] && break; sleep 0.05; done
cp "$BUILD/quelmar-dryrun.exe" "$dir/"
{
  printf '[Config]\r\nMode=M\r\nModeLog=S\r\nLog=journal.log\r\n[actions]\r\n'
  printf '%s\r\n' '=Couleur' '+\\absent\Laser'
} >"$dir/script.txt"
# A first process lets Wine bring its printers in line with CUPS.
(cd "$dir" && CUPS_SERVER=$cups/cups.sock timeout 120 wine \
  quelmar-dryrun.exe --workstation nul.ini script.txt </dev/null >/dev/null 2>&1)
rm -f "$dir/journal.log"
before=$(wine_printers_state "$cups/cups.sock")
(cd "$dir" && CUPS_SERVER=$cups/cups.sock timeout 120 wine \
  quelmar-dryrun.exe --this-workstation --save-snapshot snapshot.ini \
  --journal rehearsal.log script.txt </dev/null >"$dir/stdout" 2>"$dir/stderr")
status=$?
after=$(wine_printers_state "$cups/cups.sock")
kill "$cupsd_pid" 2>/dev/null
wait "$cupsd_pid" 2>/dev/null
printers=$(sed -n '/^\[printers\]/,/^\[/{/^\[/d;p}' "$dir/snapshot.ini" 2>/dev/null \
  | sort | tr '\n' ' ')
if [ "$printers" = "Couleur Laser " ]; then
  pass "this workstation: Wine's printers read ($printers)"
else
  fail "this workstation: printers [$printers], expected [Couleur Laser ]"
  cat "$dir/stderr" "$dir/snapshot.ini" 2>/dev/null | head -20
fi
if [ "$before" = "$after" ] && [ ! -e "$dir/journal.log" ]; then
  pass "this workstation: Wine's printers, default and queues unchanged, no script journal"
else
  fail "this workstation: something changed"
  diff <(echo "$before") <(echo "$after") | head -10
fi
if [ "$status" = 1 ] && grep -q "1 erreur de migration" "$dir/rehearsal.log" 2>/dev/null \
  && grep -q '^connect \\\\absent\\Laser=[1-9]' "$dir/snapshot.ini"; then
  pass "this workstation: entry in --journal, the absent printer's failure in the snapshot"
else
  fail "this workstation: exit status $status"
  cat "$dir/rehearsal.log" "$dir/snapshot.ini" 2>/dev/null | head -20
fi
