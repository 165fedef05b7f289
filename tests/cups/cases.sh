#!/bin/bash
# The CUPS integration cases: quelmar on a private workstation cupsd with
# private print servers, each script also rehearsed by quelmar-dryrun on the
# equivalent simulated workstation. Run by run.sh inside
# `unshare --mount --net`; argument: the build folder.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=cases_setup.sh
source "$HERE/cases_setup.sh"
begin_suite quelmar-cups "$1"
# shellcheck source=matrix.sh
source "$HERE/matrix.sh"
private_network

# The reply timeout of a print server, plus the second libcups adds.
SERVER_TIMEOUT_MS=6000

case_connect() {
  new_case connect
  print_server printsrv1 Laser Couleur
  connected oldsrv Laser
  script '+\\printsrv1\laser' '+\\printsrv1\Couleur' '+\\printsrv1\Absente' \
    '+\\PRINTSRV1\Laser'
  start_servers && run_quelmar
  # The printer's own spelling; "Laser" was taken by the old connection.
  expect_state 1 "" '\\oldsrv\Laser' '\\printsrv1\Laser' '\\printsrv1\Couleur'
  expect_eq "queue names" "$(queue_uris | cut -d' ' -f1 | sort | tr '\n' ' ')" \
    "Couleur Laser Laser@printsrv1 "
  lpstat -a Laser@printsrv1 2>&1 | grep -q "accepting requests" ||
    PROBLEMS+=("the new queue does not accept jobs")
  lpstat -p Laser@printsrv1 2>&1 | grep -q "is idle" ||
    PROBLEMS+=("the new queue is not idle")
  expect_trace "non effectué : l'imprimante est déjà installée."
  end_case
}

case_disconnect() {
  new_case disconnect
  print_server printsrv1 Laser Couleur
  connected printsrv1 Couleur
  connected printsrv1 Laser
  local_printer PDF
  user_default Laser '\\printsrv1\Laser'
  script '-\\printsrv1\Laser' '-\\printsrv1\Absente' '-\\PRINTSRV1\couleur'
  start_servers && run_quelmar
  expect_state 0 "" PDF
  expect_trace "non effectué : l'imprimante n'est pas installée."
  end_case
}

# The default queue removed when it is the workstation's last one: the
# user's lpoptions must not go on naming it.
case_disconnect_last_default() {
  new_case disconnect-last-default
  print_server printsrv1 Laser
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  script '-\\printsrv1\Laser'
  start_servers && run_quelmar
  expect_state 0 ""
  [[ -f $HOME/.cups/lpoptions ]] && grep -q '^Default' "$HOME/.cups/lpoptions" &&
    PROBLEMS+=("lpoptions still names a default")
  end_case
}

# LPDEST names the default as programs see it, lpoptions the user's own:
# removing the queue of the one never leaves or clears the other's.
case_disconnect_lpdest() {
  local variant
  for variant in lpoptions lpdest; do
    new_case "disconnect-$variant-default"
    print_server printsrv1 Laser
    connected printsrv1 Laser
    local_printer PDF
    script '-\\printsrv1\Laser'
    if [[ $variant == lpoptions ]]; then
      user_default Laser ''
      RUN_ENV=(LPDEST=PDF)
      SIM_DEFAULT=PDF,,
    else
      user_default PDF ''
      RUN_ENV=(LPDEST=Laser)
      SIM_DEFAULT='\\printsrv1\Laser,,'
    fi
    start_servers && run_quelmar
    if [[ $variant == lpoptions ]]; then
      expect_state 0 PDF PDF
    else
      expect_state 0 "" PDF
      expect_eq "lpoptions" "$(cat "$HOME/.cups/lpoptions")" "Default PDF"
    fi
    end_case
  done
}

case_replace_default() {
  new_case replace-default
  print_server printsrv1 Laser Couleur
  print_server printsrv2 Laser
  connected printsrv1 Couleur
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  script '*\\printsrv1\laser,\\printsrv2\Laser'
  start_servers && run_quelmar
  expect_state 0 '\\printsrv2\Laser' '\\printsrv1\Couleur' '\\printsrv2\Laser'
  expect_trace "définir par défaut celle qui la remplace..."
  end_case
}

case_wildcard_migration() {
  new_case wildcard-migration
  print_server printsrv1 Laser Couleur Traceur
  print_server printsrv2 Laser Couleur Traceur
  # In CUPS's order, by queue name, as the simulation lists them.
  connected printsrv1 Couleur
  connected printsrv1 Laser
  local_printer PDF
  connected printsrv1 Traceur
  user_default Couleur '\\printsrv1\Couleur'
  script '*\\printsrv1\*,\\printsrv2\*'
  start_servers && run_quelmar
  expect_state 0 '\\printsrv2\Couleur' PDF '\\printsrv2\Laser' \
    '\\printsrv2\Couleur' '\\printsrv2\Traceur'
  end_case
}

case_failed_replacement_rolled_back() {
  new_case rollback
  print_server printsrv1 Laser
  print_server printsrv2 Couleur
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  script '*\\printsrv1\Laser,\\printsrv2\Laser'
  start_servers && run_quelmar
  expect_state 1 '\\printsrv1\Laser' '\\printsrv1\Laser'
  expect_trace "Restauration de l'état d'imprimante par défaut..."
  end_case
}

# queue_options QUEUE: the queue's options and attributes as lpoptions
# lists them, one a line, without the times of its last changes.
queue_options() {
  lpoptions -p "$1" 2>&1 | grep -o "[a-z-]*=\('[^']*'\|[^ ]*\)" |
    grep -v -e '-change-time=' -e '^printer-state'
}

# A small generic PPD, the driver of a queue that is not raw.
write_test_ppd() {
  cat >"$1" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QTEST.PPD"
*Manufacturer: "Test"
*Product: "(Test)"
*ModelName: "Test Laser"
*ShortNickName: "Test Laser"
*NickName: "Test Laser, generic"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize A5/A5: "<</PageSize[420 595]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion A5/A5: "<</PageSize[420 595]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*ImageableArea A5/A5: "18 36 402 559"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension A5/A5: "420 595"
*OpenUI *Duplex/2-Sided Printing: PickOne
*OrderDependency: 20 AnySetup *Duplex
*DefaultDuplex: DuplexNoTumble
*Duplex None/Off: "<</Duplex false>>setpagedevice"
*Duplex DuplexNoTumble/Long Edge: "<</Duplex true/Tumble false>>setpagedevice"
*CloseUI: *Duplex
PPD
}

# The rolled-back printer comes back as it was: its queue's own name (not
# the one a new connection would get), description, location, sharing,
# default options and driver (its PPD), and the user's options for it.
case_rollback_as_it_was() {
  new_case rollback-as-it-was
  print_server printsrv1 Laser
  print_server printsrv2 Couleur
  SIM_PRINTERS+=('\\printsrv1\Laser')
  write_test_ppd "$CUPS_TEST_ROOT/workstation/etc/ppd/Bureau.ppd"
  cat >>"$CUPS_TEST_ROOT/workstation/etc/printers.conf" <<CONF
<Printer Bureau>
Info Imprimante du bureau
Location 2e étage
DeviceURI ipp://printsrv1/printers/Laser
State Idle
Accepting Yes
Shared No
Option sides two-sided-long-edge
Option number-up 2
</Printer>
CONF
  mkdir -p "$HOME/.cups"
  echo "Default Bureau media=A5" >"$HOME/.cups/lpoptions"
  SIM_DEFAULT='\\printsrv1\Laser,,'
  script '*\\printsrv1\Laser,\\printsrv2\Laser'
  local described options before
  start_servers && before=$(queue_options Bureau) && run_quelmar
  expect_state 1 '\\printsrv1\Laser' '\\printsrv1\Laser'
  described=$(lpstat -l -p Bureau 2>&1)
  options=$(lpoptions -p Bureau 2>&1)
  expect_eq "Bureau's options" "$(queue_options Bureau)" "$before"
  [[ $described == *"Description: Imprimante du bureau"* &&
    $described == *"Location: 2e étage"* ]] ||
    PROBLEMS+=("queue Bureau not as it was: $described")
  [[ $options == *"sides=two-sided-long-edge"* && $options == *"media=A5"* &&
    $options == *"number-up=2"* ]] ||
    PROBLEMS+=("options of Bureau not as they were: $options")
  grep -qF '*NickName: "Test Laser, generic"' \
    "$CUPS_TEST_ROOT/workstation/etc/ppd/Bureau.ppd" 2>/dev/null ||
    PROBLEMS+=("Bureau came back without its PPD")
  [[ $(lpoptions -p Bureau -l 2>&1) == *"PageSize/Media Size: A4 *A5"* ]] ||
    PROBLEMS+=("Bureau's driver options: $(lpoptions -p Bureau -l 2>&1)")
  end_case
}

# One printer, one name: written with the IPP port, a printer connected
# without it is found, removed, replaced (its default handed over) and made
# the default. (Not rehearsed: the simulated workstation, a Windows one,
# knows no port in a printer's name.)
case_port_in_the_name() {
  new_case port-in-the-name
  print_server printsrv1 Laser Couleur
  print_server printsrv2 Laser
  connected printsrv1 Couleur
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  script '-\\printsrv1:631\Couleur' '*\\printsrv1:631\Laser,\\printsrv2:631\Laser' \
    '+\\printsrv2\Laser' '=\\PRINTSRV2:631\laser'
  start_servers && run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 0
  expect_eq "printers" "$(real_printers)" '\\printsrv2\Laser'
  expect_eq "default printer" "$(real_default)" '\\printsrv2\Laser'
  expect_trace "définir par défaut celle qui la remplace..."
  expect_trace "Traitement terminé : 4 opérations à effectuer, 3 imp. traitées avec succès, 1 imp. évitée."
  end_case
}

# printsrv2 is stopped while quelmar waits for the silent printsrv3: the
# lines after that wait find it gone, and the migration is rolled back.
case_server_stopped_mid_run() {
  new_case server-stopped
  print_server printsrv1 Laser Couleur
  print_server printsrv2 Laser Couleur Traceur
  silent_server printsrv3 Laser
  connected printsrv1 Couleur
  connected printsrv1 Laser
  user_default Couleur '\\printsrv1\Couleur'
  sim_failure 'connect \\printsrv2\Laser=1722'
  sim_failure 'connect \\printsrv2\Couleur=1722'
  script '+\\printsrv2\Traceur' '+\\printsrv3\Laser' \
    '*\\printsrv1\*,\\printsrv2\*'
  start_servers && start_quelmar
  wait_for_trace 'Connexion de \\printsrv3\Laser...' && stop_server printsrv2
  wait_quelmar
  expect_state 1 '\\printsrv1\Couleur' '\\printsrv1\Laser' \
    '\\printsrv1\Couleur' '\\printsrv2\Traceur'
  end_case
}

# Another program changes the queues between two lines, while quelmar
# waits for the silent printsrv3: it removes a queue that quelmar made,
# points an old one at another server and adds one. The lines after see the
# workstation as that program left it, although quelmar no longer reads
# every queue before each line once a run has more than one operation.
case_queues_changed_between_lines() {
  new_case changed-between-lines
  print_server printsrv1 Laser Couleur Traceur Plotter
  print_server printsrv2 Traceur
  silent_server printsrv3 Laser
  connected printsrv1 Traceur
  script '+\\printsrv1\Laser' '+\\printsrv1\Couleur' '+\\printsrv3\Laser' \
    '-\\printsrv1\Laser' '-\\printsrv1\Traceur' '+\\printsrv2\Traceur' \
    '+\\printsrv1\Plotter' '-\\printsrv1\Couleur'
  start_servers && start_quelmar
  if wait_for_trace 'Connexion de \\printsrv3\Laser...'; then
    lpadmin -x Laser
    lpadmin -p Traceur -v ipp://printsrv2/printers/Traceur
    lpadmin -p Plotter -v ipp://printsrv1/printers/Plotter -m raw 2>/dev/null
  fi
  wait_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 1
  expect_eq "printers" "$(real_printers)" \
    "$(printf '%s\n' '\\printsrv1\Plotter' '\\printsrv2\Traceur' | sort)"
  expect_eq "outcomes" "$(grep -o -- '-> .*' "$CASE_DIR/quelmar.out" |
    sed 's/erreur rencontrée : .*/erreur/' | tr '\n' '|')" \
    "-> OK.|-> OK.|-> erreur|-> non effectué : l'imprimante n'est pas installée.|-> non effectué : l'imprimante n'est pas installée.|-> non effectué : l'imprimante est déjà installée.|-> non effectué : l'imprimante est déjà installée.|-> OK.|"
  end_case
}

# The same while the workstation's cupsd refuses subscriptions to its
# events: quelmar asks once, then reads the queues before each line.
case_queues_changed_without_subscription() {
  new_case changed-without-subscription
  print_server printsrv1 Laser Couleur Traceur
  silent_server printsrv3 Laser
  refuse_subscriptions workstation
  sed -i 's/^LogLevel warn$/&\nAccessLogLevel all/' \
    "$CUPS_TEST_ROOT/workstation/cupsd.conf"
  script '+\\printsrv1\Laser' '+\\printsrv1\Couleur' '+\\printsrv3\Laser' \
    '-\\printsrv1\Laser' '+\\printsrv1\Traceur' '-\\printsrv1\Couleur'
  start_servers && start_quelmar
  if wait_for_trace 'Connexion de \\printsrv3\Laser...'; then
    lpadmin -x Laser
    lpadmin -p Traceur -v ipp://printsrv1/printers/Traceur -m raw 2>/dev/null
  fi
  wait_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 1
  expect_eq "printers" "$(real_printers)" '\\printsrv1\Traceur'
  expect_eq "outcomes" "$(grep -o -- '-> .*' "$CASE_DIR/quelmar.out" |
    sed 's/erreur rencontrée : .*/erreur/' | tr '\n' '|')" \
    "-> OK.|-> OK.|-> erreur|-> non effectué : l'imprimante n'est pas installée.|-> non effectué : l'imprimante est déjà installée.|-> OK.|"
  # Asked once: libcups tries the user's own credentials (HTTP 401) before
  # the refusal (403).
  expect_eq "subscriptions refused" "$(awk '$11 == "Create-Printer-Subscriptions" && $9 == 403' \
    "$CUPS_TEST_ROOT/workstation/log/access_log" | wc -l)" 1
  expect_eq "polls" "$(grep -c 'Get-Notifications' \
    "$CUPS_TEST_ROOT/workstation/log/access_log")" 0
  end_case
}

case_silent_server() {
  new_case silent-server
  print_server printsrv1 Laser
  silent_server printsrv3 Laser Couleur
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  script '+\\printsrv3\Couleur' '*\\printsrv1\Laser,\\printsrv3\Laser'
  start_servers && run_quelmar
  # The server is waited for once: the second connection fails at once, the
  # same way.
  ((QUELMAR_MS < SERVER_TIMEOUT_MS + 2000)) ||
    PROBLEMS+=("two silent connections took ${QUELMAR_MS} ms")
  local errors
  errors=$(grep "erreur rencontrée" "$CASE_DIR/quelmar.out" | sort -u | wc -l)
  expect_eq "distinct error lines" "$errors" 1
  expect_state 1 '\\printsrv1\Laser' '\\printsrv1\Laser'
  end_case
}

# Print servers that misbehave (hostile_server.py): a cut reply, a valid
# reply without "100 Continue", a trickle of a byte every 3 s, endless
# "100 Continue". Each failing connection fails on its own, within the
# deadline of its request, with a text that names its server; the valid one
# is made; the run goes on to the last line.
case_hostile_servers() {
  new_case hostile-servers
  print_server printsrv1 Laser
  SIM_SHARES+=('\\hostile2\Laser')
  script '+\\hostile1\Laser' '+\\hostile2\Laser' '+\\hostile3\Laser' \
    '+\\hostile4\Laser' '+\\printsrv1\Laser'
  start_servers &&
    start_hostile_server hostile1 cut &&
    start_hostile_server hostile2 no-continue &&
    start_hostile_server hostile3 trickle &&
    start_hostile_server hostile4 continue &&
    run_quelmar
  # Two requests reach their deadline of 5 s.
  ((QUELMAR_MS < 2 * SERVER_TIMEOUT_MS + 3000)) ||
    PROBLEMS+=("the hostile servers took ${QUELMAR_MS} ms")
  local name
  for name in hostile1 hostile3 hostile4; do
    expect_trace "erreur rencontrée : $name : "
  done
  expect_state 1 '' '\\hostile2\Laser' '\\printsrv1\Laser'
  end_case
}

# Without the workstation's own cupsd the run ends with a run-time error,
# never with an empty list of printers.
case_no_local_cupsd() {
  new_case no-local-cupsd
  script '-\\printsrv1\*'
  run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 2
  grep -q "Erreur 68 : " "$CASE_DIR/quelmar.err" ||
    PROBLEMS+=("no run-time error 68 on standard error")
  grep -q "aucune imprimante concernée" "$CASE_DIR/quelmar.out" &&
    PROBLEMS+=("the run went on with an empty printer list")
  end_case
}

# Making a printer the default keeps the user's other lpoptions lines (their
# options, an instance) and looks for no printer on the network: libcups's
# DNS-SD discovery goes through the system's D-Bus, which the run never
# connects to (checked with strace when it is there).
case_default_without_discovery() {
  new_case default-without-discovery
  print_server printsrv1 Laser Couleur
  connected printsrv1 Laser
  connected printsrv1 Couleur
  mkdir -p "$HOME/.cups"
  printf '%s\n' 'Dest Couleur sides=two-sided-long-edge' \
    'Dest Laser/recto sides=one-sided' 'Default Laser' >"$HOME/.cups/lpoptions"
  SIM_DEFAULT='\\printsrv1\Laser,,'
  script '=\\printsrv1\Couleur'
  local real=$QUELMAR
  if command -v strace >/dev/null; then
    printf '#!/bin/sh\nexec strace -f -qq -e trace=connect -o "%s" "%s" "$@"\n' \
      "$HOME/connects" "$real" >"$CASE_DIR/traced"
    chmod 755 "$CASE_DIR/traced"
    QUELMAR=$CASE_DIR/traced
  fi
  start_servers && run_quelmar
  QUELMAR=$real
  # (lpstat lists the instance as a printer of its own: no dry-run here.)
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 0
  expect_eq "default printer" "$(real_default)" '\\printsrv1\Couleur'
  grep -qx 'Default Couleur sides=two-sided-long-edge' "$HOME/.cups/lpoptions" &&
    grep -qx 'Dest Laser/recto sides=one-sided' "$HOME/.cups/lpoptions" ||
    PROBLEMS+=("lpoptions lost lines: $(tr '\n' '|' <"$HOME/.cups/lpoptions")")
  if [[ -f $HOME/connects ]] && grep -qiE 'dbus|avahi|224\.0\.0\.251' "$HOME/connects"; then
    PROBLEMS+=("looked for printers on the network: $(grep -iE 'dbus|avahi|224' "$HOME/connects" | head -2)")
  fi
  end_case
}

# The workstation's cupsd stalls between the removal of the old printer and
# the connection of its replacement (stopped while quelmar waits for the
# silent printsrv3, for longer than a request's deadline), then answers
# again: the old printer and the default come back before the run-time
# error ends the run, and the journal says what happened.
case_local_cupsd_stalled_mid_replacement() {
  new_case local-cupsd-stalled
  print_server printsrv1 Laser
  silent_server printsrv3 Laser
  connected printsrv1 Laser
  user_default Laser '\\printsrv1\Laser'
  printf '[Config]\nMode=N\nModeLog=C\nLog=%s\n[actions]\n%s\n' \
    "$HOME/journal.log" '*\\printsrv1\Laser,\\printsrv3\Laser' \
    >"$CASE_DIR/script.txt"
  start_servers && start_quelmar
  if wait_for_trace 'Et reconnexion de \\printsrv3\Laser...'; then
    kill -STOP "${SERVER_PID[workstation]}"
    # printsrv3's 5 s, then a local request's 10 s deadline passes.
    sleep 16
    kill -CONT "${SERVER_PID[workstation]}"
  fi
  wait_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 2
  grep -q "Erreur 68 : " "$CASE_DIR/quelmar.err" ||
    PROBLEMS+=("no run-time error 68 on standard error")
  expect_eq "printers" "$(real_printers)" '\\printsrv1\Laser'
  expect_eq "default printer" "$(real_default)" '\\printsrv1\Laser'
  grep -q "Traitement interrompu par l'erreur 68" "$HOME/journal.log" ||
    PROBLEMS+=("the journal does not say the run was cut short")
  end_case
}

# The workstation's cupsd goes away during the run (while quelmar waits for
# the silent printsrv3): the next line ends the run with the run-time error.
case_local_cupsd_stopped_mid_run() {
  new_case local-cupsd-stopped
  print_server printsrv1 Laser
  silent_server printsrv3 Laser
  connected printsrv1 Laser
  script '+\\printsrv3\Laser' '-\\printsrv1\Laser'
  start_servers && start_quelmar
  wait_for_trace 'Connexion de \\printsrv3\Laser...' && stop_server workstation
  wait_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 2
  grep -q "Erreur 68 : " "$CASE_DIR/quelmar.err" ||
    PROBLEMS+=("no run-time error 68 on standard error")
  end_case
}

# lpstat_as HOME: the default that an ordinary user with that HOME sees.
default_seen_with_home() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$1" \
    lpstat -d 2>&1
}

# Run by root, the default is the machine-wide one: the cupsd's default
# here (the machine-wide lpoptions names none). Root's own lpoptions, which
# names another printer, is neither read nor written; a user whose own
# lpoptions named the removed printer is left with no default.
case_root_machine_default() {
  new_case root-machine-default
  RUN_USER=root
  print_server printsrv1 Laser
  print_server printsrv2 Laser
  connected printsrv1 Laser Laser-ancien
  local_printer PDF
  server_default workstation Laser-ancien
  mkdir -p "$HOME/.cups" "$CASE_DIR/nobody/.cups" "$CASE_DIR/alice/.cups"
  echo "Default PDF" >"$HOME/.cups/lpoptions"
  echo "Default Laser-ancien" >"$CASE_DIR/alice/.cups/lpoptions"
  chmod -R a+rX "$CASE_DIR/nobody" "$CASE_DIR/alice"
  script '*\\printsrv1\Laser , \\printsrv2\Laser'
  start_servers && run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 0
  expect_eq "queues" "$(queue_uris | cut -d' ' -f1 | sort | tr '\n' ' ')" "Laser PDF "
  expect_eq "the new queue" "$(lpstat -v Laser 2>&1)" \
    "device for Laser: ipp://printsrv2/printers/Laser"
  expect_trace "définir par défaut celle qui la remplace..."
  expect_eq "the default a user without their own sees" \
    "$(default_seen_with_home "$CASE_DIR/nobody")" "system default destination: Laser"
  expect_eq "root's own lpoptions" "$(cat "$HOME/.cups/lpoptions")" "Default PDF"
  expect_eq "the machine-wide lpoptions" "$(cat /etc/cups/lpoptions 2>&1)" \
    "cat: /etc/cups/lpoptions: No such file or directory"
  expect_eq "a user whose own default was the removed printer" \
    "$(default_seen_with_home "$CASE_DIR/alice")" "no system default destination"
  end_case
}

# Run by root with a machine-wide lpoptions that names the default: that
# line is the default every user sees, so it is the one quelmar reads; a
# "=" to another printer sets the cupsd's default, but the line still wins
# and the step is reported as failed, not as done.
case_root_machine_options_file() {
  new_case root-machine-options-file
  RUN_USER=root
  print_server printsrv1 Laser Couleur
  connected printsrv1 Laser
  connected printsrv1 Couleur
  echo "Default Laser" >/etc/cups/lpoptions
  script '=\\printsrv1\Couleur'
  start_servers && run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 1
  expect_eq "the default a user without their own sees" \
    "$(default_seen_with_home /nonexistent)" "system default destination: Laser"
  rm -f /etc/cups/lpoptions
  end_case
}

# An ordinary user whom the workstation's cupsd does not let add or delete
# queues: each connection and each removal fails with the refusal, said in
# French, and the run goes on to the end without asking for a password.
case_user_refused() {
  new_case user-refused
  print_server printsrv1 Laser Couleur
  connected printsrv1 Laser
  admin_only_queues workstation
  script '+\\printsrv1\Couleur' '-\\printsrv1\Laser' '+\\printsrv1\Couleur'
  start_servers && run_quelmar
  expect_eq "quelmar exit status" "$QUELMAR_STATUS" 1
  expect_eq "refusals traced" "$(grep -c "erreur rencontrée : Accès refusé : le service d'impression CUPS du poste n'autorise pas l'utilisateur nobody à ajouter ou supprimer des imprimantes (Forbidden)." "$CASE_DIR/quelmar.out")" 3
  expect_eq "queues" "$(queue_uris | tr '\n' ' ')" "Laser ipp://printsrv1/printers/Laser "
  expect_trace "3 erreurs de migration."
  end_case
}

ALL_CASES="connect disconnect disconnect_last_default disconnect_lpdest
  replace_default wildcard_migration failed_replacement_rolled_back
  rollback_as_it_was port_in_the_name
  server_stopped_mid_run queues_changed_between_lines
  queues_changed_without_subscription silent_server hostile_servers
  no_local_cupsd
  local_cupsd_stopped_mid_run local_cupsd_stalled_mid_replacement
  default_without_discovery replacement_matrix root_machine_default root_machine_options_file
  user_refused rehearsal_full_trace rehearsal_one_line"
# CUPS_CASES: only these cases (names after case_), while working on them.
for name in ${CUPS_CASES:-$ALL_CASES}; do "case_$name"; done

# Every cupsd started by the cases is gone.
left=0
for pid in "${ALL_SERVER_PIDS[@]}"; do kill -0 "$pid" 2>/dev/null && left=1; done
if ((left)); then
  FAILED=$((FAILED + 1))
  echo "FAIL no cupsd left behind"
else
  PASSED=$((PASSED + 1))
  echo "ok   no cupsd left behind"
fi
echo "$PASSED passed, $FAILED failed"
((FAILED == 0))
