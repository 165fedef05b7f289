#!/bin/bash
# The SMB integration cases: quelmar on a private workstation cupsd with a
# private Samba print server (winsrv), a Samba server that stopped
# answering (mutesrv), a server address where nothing listens (deadsrv), a
# name that no one knows (nullepart), and CUPS print servers; each script
# also rehearsed by quelmar-dryrun on the equivalent simulated workstation.
# Run by run.sh inside `unshare --mount --net --pid --fork --mount-proc`;
# argument: the build folder.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../cups/cases_setup.sh
source "$HERE/../cups/cases_setup.sh"
begin_suite quelmar-smb "$1"
# shellcheck source=samba.sh
source "$HERE/samba.sh"

SERVER_ADDRESS+=([winsrv]=127.0.0.6 [mutesrv]=127.0.0.7 [deadsrv]=127.0.0.8)
private_network
samba_network

# How long quelmar waits for an SMB server's listing. Whether it waited
# once is counted in connections (pending_connections), not in time: a
# loaded machine makes everything else slow too.
SMB_TIMEOUT_MS=4000
ACCENTED='Traceur Été'
PRINTERS20=()
for ((i = 1; i <= 20; i++)); do PRINTERS20+=("$(printf 'P%02d' "$i")"); done

# smb_offered SERVER SHARE...: what the simulation's server offers.
smb_offered() {
  local server=$1 share
  shift
  for share; do SIM_SHARES+=("\\\\$server\\$share"); done
}

# smb_connected SERVER SHARE QUEUE: a connection to an SMB printer already
# on the workstation.
smb_connected() {
  local encoded
  encoded=$(printf '%s' "$2" | od -An -tx1 -v | tr -d ' \n' |
    sed 's/\(..\)/%\1/g')
  add_queue workstation "$3" "smb://$1/$encoded"
  SIM_PRINTERS+=("\\\\$1\\$2")
}

# unreachable PRINTER...: connections that fail on the simulation as on a
# server that cannot be reached.
unreachable() {
  local printer
  for printer; do sim_failure "connect $printer=1722"; done
}

# expect_uri QUEUE URI: the device URI of a workstation queue.
expect_uri() {
  expect_eq "device URI of $1" "$(queue_uris | sed -n "s/^$1 //p")" "$2"
}

# print_job QUEUE SERVER SHARE: a job printed through the queue reaches the
# share byte for byte (10 s at most).
print_job() {
  local job="$CASE_DIR/job.bin" tries file
  head -c 30000 /dev/urandom >"$job"
  lp -d "$1" -o raw "$job" >/dev/null 2>&1 ||
    { PROBLEMS+=("lp -d $1 refused the job"); return; }
  for ((tries = 0; tries < 200; tries++)); do
    for file in "$(received_folder "$2" "$3")"/job.*; do
      [[ -f $file ]] && cmp -s "$file" "$job" && return 0
    done
    sleep 0.05
  done
  PROBLEMS+=("the job printed on $1 never reached \\\\$2\\$3 unchanged")
}

start_samba_servers() {
  write_samba winsrv
  local share
  for share in Laser Couleur "$ACCENTED" "${PRINTERS20[@]}"; do
    samba_printer winsrv "$share"
  done
  samba_printer winsrv Privée private
  # printsrv1 runs both CUPS and Samba: IPP is preferred.
  write_samba printsrv1
  samba_printer printsrv1 Laser
  write_samba mutesrv
  samba_printer mutesrv Laser
  start_samba winsrv && start_samba printsrv1 && start_samba mutesrv || exit 1
  silence_samba mutesrv
  # The first listing after start also starts samba-dcerpcd (1 to 2 s):
  # done here, it does not count against the first case.
  smbclient -L //winsrv -N >/dev/null 2>&1
  smbclient -L //printsrv1 -N >/dev/null 2>&1
}

case_connect() {
  new_case connect
  smb_offered winsrv Laser Couleur "$ACCENTED" Privée
  sim_failure 'connect \\winsrv\Privée=1025'
  smb_connected winsrv Couleur Couleur
  script '+\\winsrv\laser' '+\\winsrv\traceur été' '+\\winsrv\Absente' \
    '+\\winsrv\Privée' '+\\WINSRV\couleur'
  start_servers && run_quelmar
  # The share's own spelling, its name percent-encoded in the URI.
  expect_state 1 "" '\\winsrv\Couleur' '\\winsrv\Laser' "\\\\winsrv\\$ACCENTED"
  expect_uri Laser smb://winsrv/Laser
  expect_uri Traceur__t_ 'smb://winsrv/Traceur%20%C3%89t%C3%A9'
  expect_trace "erreur rencontrée : le serveur d'impression winsrv ne partage pas l'imprimante Absente."
  expect_trace "erreur rencontrée : le serveur d'impression winsrv refuse l'accès à l'imprimante Privée"
  expect_trace "non effectué : l'imprimante est déjà installée."
  print_job Laser winsrv Laser
  print_job Traceur__t_ winsrv "$ACCENTED"
  end_case
}

# A server that runs CUPS and Samba is reached over IPP.
case_ipp_preferred() {
  new_case ipp-preferred
  print_server printsrv1 Laser
  script '+\\printsrv1\Laser'
  start_servers && run_quelmar
  expect_state 0 "" '\\printsrv1\Laser'
  expect_uri Laser ipp://printsrv1/printers/Laser
  end_case
}

# Disconnection finds the queue by its device URI, ipp:// or smb://.
case_disconnect() {
  new_case disconnect
  connected printsrv1 Laser
  smb_connected winsrv Laser Laser@winsrv
  smb_connected winsrv "$ACCENTED" Traceur
  user_default Traceur "\\\\winsrv\\$ACCENTED"
  script '-\\printsrv1\laser' '-\\winsrv\LASER' '-\\winsrv\traceur été'
  start_servers && run_quelmar
  expect_state 0 ""
  end_case
}

# Each server that cannot be reached fails at once, or after one wait for
# the silent one; a second printer of it does not wait again.
case_unreachable() {
  new_case unreachable
  unreachable '\\deadsrv\Laser' '\\nullepart\Laser' '\\mutesrv\Laser' \
    '\\mutesrv\Couleur'
  script '+\\deadsrv\Laser' '+\\nullepart\Laser' '+\\mutesrv\Laser' \
    '+\\mutesrv\Couleur'
  local before
  before=$(pending_connections mutesrv)
  start_servers && run_quelmar
  expect_state 1 ""
  expect_eq "connections to mutesrv" "$(($(pending_connections mutesrv) - before))" 2
  expect_trace "erreur rencontrée : le serveur d'impression deadsrv refuse les connexions (port 631 ni 445)."
  expect_trace "erreur rencontrée : le nom du serveur d'impression nullepart est inconnu."
  expect_trace "erreur rencontrée : le serveur d'impression mutesrv ne répond pas"
  (($(grep -c "mutesrv ne répond pas" "$CASE_DIR/quelmar.out") == 2)) ||
    PROBLEMS+=("the second printer of mutesrv did not fail the same way")
  ((QUELMAR_MS < 5 * SMB_TIMEOUT_MS)) ||
    PROBLEMS+=("the unreachable servers took ${QUELMAR_MS} ms")
  end_case
}

# A name whose look-up never ends (the name server receives the queries and
# never answers): given up after 2 s, and remembered for the second printer.
case_silent_name_server() {
  new_case silent-name-server
  unreachable '\\lentsrv\Laser' '\\lentsrv\Couleur'
  python3 -c 'import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.9", 53))
time.sleep(120)' &
  local dns=$! tries
  for ((tries = 0; tries < 200; tries++)); do
    [[ -n $(ss -Hlun "sport = :53") ]] && break
    sleep 0.025
  done
  echo "nameserver 127.0.0.9" >"$CASE_DIR/resolv.conf"
  mount --bind "$CASE_DIR/resolv.conf" /etc/resolv.conf ||
    PROBLEMS+=("could not put a silent name server in /etc/resolv.conf")
  script '+\\lentsrv\Laser' '+\\lentsrv\Couleur'
  start_servers && run_quelmar
  umount /etc/resolv.conf
  kill "$dns"
  wait "$dns" 2>/dev/null
  expect_state 1 ""
  (($(grep -c "lentsrv n'a pas été trouvé dans le délai de 2 secondes." \
    "$CASE_DIR/quelmar.out") == 2)) ||
    PROBLEMS+=("the look-up was not given up after 2 s, twice the same way")
  # Two waits would take 4 s.
  ((QUELMAR_MS < 4000)) || PROBLEMS+=("the silent name server took ${QUELMAR_MS} ms")
  end_case
}

# Every printer of the Samba server by its namesake on a CUPS server; the
# default printer follows, and the printer that the CUPS server lacks is
# put back on the Samba server.
case_wildcard_smb_to_cups() {
  new_case wildcard-smb-to-cups
  print_server printsrv2 Laser Couleur
  smb_offered winsrv Laser Couleur "$ACCENTED"
  smb_connected winsrv Couleur Couleur
  smb_connected winsrv Laser Laser
  smb_connected winsrv "$ACCENTED" Traceur
  user_default Couleur '\\winsrv\Couleur'
  script '*\\winsrv\*,\\printsrv2\*'
  start_servers && run_quelmar
  expect_state 1 '\\printsrv2\Couleur' '\\printsrv2\Couleur' \
    '\\printsrv2\Laser' "\\\\winsrv\\$ACCENTED"
  expect_trace "Reconnexion de l'imprimante déconnectée..."
  end_case
}

# And back: a CUPS printer, the default, by an SMB one.
case_replace_cups_by_smb() {
  new_case replace-cups-by-smb
  print_server printsrv2 Laser
  smb_offered winsrv Laser
  connected printsrv2 Laser
  user_default Laser '\\printsrv2\Laser'
  script '*\\printsrv2\Laser,\\winsrv\Laser'
  start_servers && run_quelmar
  expect_state 0 '\\winsrv\Laser' '\\winsrv\Laser'
  expect_uri Laser smb://winsrv/Laser
  end_case
}

# Twenty printers towards a server that never answers: one wait, and every
# old printer put back.
case_wildcard_to_silent() {
  new_case wildcard-to-silent
  local printer expected=()
  smb_offered winsrv "${PRINTERS20[@]}"
  for printer in "${PRINTERS20[@]}"; do
    smb_connected winsrv "$printer" "$printer"
    unreachable "\\\\mutesrv\\$printer"
    expected+=("\\\\winsrv\\$printer")
  done
  script '*\\winsrv\*,\\mutesrv\*'
  local before
  before=$(pending_connections mutesrv)
  start_servers && run_quelmar
  expect_state 1 "" "${expected[@]}"
  # Waited for once: the probe's connection and libsmbclient's, not 20
  # pairs. Twenty waits would also take 80 s.
  expect_eq "connections to mutesrv" "$(($(pending_connections mutesrv) - before))" 2
  ((QUELMAR_MS < 10 * SMB_TIMEOUT_MS)) ||
    PROBLEMS+=("20 replacements towards a silent server took ${QUELMAR_MS} ms")
  echo "     20 replacements towards a silent server: ${QUELMAR_MS} ms"
  end_case
}

# QUELMAR_PRINT_SERVERS fixes the kind: per server over the default for
# every server; a kind that does not match the server fails at once; a
# malformed value stops the run with a run-time error.
case_kind_settings() {
  new_case kind-settings
  print_server printsrv1 Laser
  print_server printsrv2 Laser
  print_server printsrv3 Laser
  smb_offered winsrv Laser
  unreachable '\\printsrv3\Laser'
  RUN_ENV=("QUELMAR_PRINT_SERVERS=ipp winsrv=smb, printsrv1=SMB;printsrv3=smb")
  script '+\\winsrv\Laser' '+\\printsrv2\Laser' '+\\printsrv1\Laser' \
    '+\\printsrv3\Laser'
  start_servers && run_quelmar
  expect_state 1 "" '\\winsrv\Laser' '\\printsrv2\Laser' '\\printsrv1\Laser'
  expect_uri Laser smb://winsrv/Laser
  expect_uri Laser@printsrv2 ipp://printsrv2/printers/Laser
  # printsrv1 runs both: the setting chooses SMB.
  expect_uri Laser@printsrv1 smb://printsrv1/Laser
  expect_trace "erreur rencontrée : le serveur d'impression printsrv3 refuse les connexions (port 445)."
  end_case
  new_case kind-settings-malformed
  RUN_ENV=("QUELMAR_PRINT_SERVERS=winsrv=cifs")
  script '+\\winsrv\Laser'
  start_servers && run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 2
  grep -q "Erreur 5 : " "$CASE_DIR/quelmar.err" ||
    PROBLEMS+=("no run-time error 5 on standard error")
  end_case
}

# The IPP requests of two connections and two removals: for each, a check
# of the workstation's queues and the change. The first line reads the
# queues; the second subscribes to their changes and reads them again; from
# the third on, the check is a poll of the changes since the last one; the
# subscription is cancelled at the end. A connection also asks the print
# server; a removal reads the user's default from the options files, with
# no request. Only the removal of a replacement reads its queue's
# attributes (a rollback gives them back): none here.
logged_requests() {
  cat "$CUPS_TEST_ROOT/$1/log/access_log" 2>/dev/null | wc -l
}
case_requests() {
  new_case requests
  print_server printsrv2 Laser Couleur
  local name local0 server0
  for name in workstation printsrv2; do
    sed -i 's/^LogLevel warn$/&\nAccessLogLevel all/' \
      "$CUPS_TEST_ROOT/$name/cupsd.conf"
  done
  script '+\\printsrv2\Laser' '+\\printsrv2\Couleur' '-\\printsrv2\Laser' \
    '-\\printsrv2\Couleur'
  start_servers
  local0=$(logged_requests workstation)
  server0=$(logged_requests printsrv2)
  run_quelmar
  expect_eq "requests to the workstation" \
    "$(($(logged_requests workstation) - local0))" 10
  expect_eq "requests to the print server" \
    "$(($(logged_requests printsrv2) - server0))" 2
  expect_state 0 ""
  end_case
}

# Without libsmbclient on the workstation (the library hidden by an empty
# file), an SMB printer fails with a text that names the package; a CUPS
# one still connects.
case_no_smb_library() {
  new_case no-smb-library
  print_server printsrv2 Laser
  smb_offered winsrv Laser
  sim_failure 'connect \\winsrv\Laser=1283'
  local library
  library=$(ldconfig -p | sed -n 's/^\s*libsmbclient.so.0 (.*x86-64.*) => //p' |
    head -1)
  : >"$CASE_DIR/empty.so"
  mount --bind "$CASE_DIR/empty.so" "$library"
  script '+\\winsrv\Laser' '+\\printsrv2\Laser'
  start_servers && run_quelmar
  umount "$library"
  expect_state 1 "" '\\printsrv2\Laser'
  expect_trace "erreur rencontrée : le poste ne peut pas joindre le serveur d'impression winsrv : la bibliothèque libsmbclient.so.0 est absente (paquet libsmbclient)."
  end_case
}

# quelmar-dryrun --this-workstation on the Samba server: shares offered,
# absent and refused, and a server that refuses connections, rehearsed
# with the run's own texts; the workstation unchanged.
case_rehearsal_smb() {
  new_case rehearsal-smb
  smb_connected winsrv Couleur Couleur
  user_default Couleur '\\winsrv\Couleur'
  rehearsal_script C '+\\winsrv\laser' '+\\winsrv\Absente' \
    '+\\winsrv\Privée' '+\\deadsrv\Laser' '-\\winsrv\Couleur'
  start_servers && rehearse_then_run $((SMB_TIMEOUT_MS + 4000))
  grep -qxF '\\winsrv\Laser' "$JOURNALS/snapshot.ini" ||
    PROBLEMS+=("the snapshot lacks the share Laser of winsrv")
  grep -qF "deadsrv refuse les connexions (port 631 ni 445)" \
    "$CASE_DIR/dryrun.out" ||
    PROBLEMS+=("the rehearsal does not give the run's text for deadsrv")
  end_case
}

SUITE_START=$(date +%s%N)
start_samba_servers
case_connect
case_ipp_preferred
case_disconnect
case_unreachable
case_silent_name_server
case_wildcard_smb_to_cups
case_replace_cups_by_smb
case_wildcard_to_silent
case_kind_settings
case_requests
case_no_smb_library
case_rehearsal_smb
stop_samba winsrv
stop_samba printsrv1
stop_samba mutesrv
echo "     suite time: $((($(date +%s%N) - SUITE_START) / 1000000)) ms"
echo "$PASSED passed, $FAILED failed"
((FAILED == 0))
