# shellcheck shell=bash
# shellcheck disable=SC2034 # variables of the harness
# The replacement under faults on real CUPS servers: the old printer the
# user's default or not, installed or not, named in the script in the
# system's letter case or another, and a failure at one step (the removal,
# the new connection, the reconnection, the default setting of the
# replacement, the restoring of the old default). Sourced by cases.sh after
# harness.sh.
#
# Case D<d>I<i>C<c>-<Fault> replaces \\printsrv1\D<d>I<i>C<c>-<Fault> by the
# printer of the same name on printsrv2 (or printsrv3, printsrv4). A run
# holds several cases, one script line each; as the user has one default at
# a time, a run holds one case whose old printer is the default, last.
#
# How each failure is made, on the real servers:
# - removal: the workstation's cupsd refuses to delete queues (Forbidden);
# - new connection: its server does not offer it, or is not running, or
#   never answers;
# - reconnection: the old printer's server no longer offers it, or is
#   stopped while quelmar waits for the new one;
# - default settings: LPDEST names the old default's queue, under a queue
#   name that the new connection does not make, so the read-back of the
#   default never shows the replacement; the rolled-back old printer comes
#   back under that very queue, so restoring its default succeeds.

# mx_begin RUN MODE [stop]: a new run. MODE is "plain", "removal" (queues
# cannot be deleted), "lpdest" (default settings fail) or "missing" (the
# default names a queue that no longer exists, and every failure is set up).
# With "stop", the new printer of the default's case sits on a silent
# server, and printsrv1 is stopped while quelmar waits for it.
mx_begin() {
  new_case "matrix-$1"
  MX_RUN=$1 MX_MODE=$2 MX_STOP=${3:-}
  MX_CASES=() MX_LINES=() MX_OFFERED1=() MX_OFFERED2=() MX_EXPECTED=()
  MX_DEFAULT='' MX_STOP_TRACE=''
  MX_SUCCESS=0 MX_SKIPPED=0 MX_ERRORS=0
  unset MX_INSTALLED
  declare -gA MX_INSTALLED=()
}

# mx_case D I C FAULT [OLD]: adds a case to the run. OLD names the old
# printer when cases share it (their removal fails, the default stays).
mx_case() {
  local d=$1 i=$2 c=$3 fault=$4 id="D$1I$2C$3-$4"
  local old=${5:-$id} host=printsrv1 newServer=printsrv2 queue
  [[ $c == 1 ]] && host=PRINTSRV1
  local system="\\\\printsrv1\\$old" named="\\\\$host\\$old"
  [[ $c == 1 ]] && named="\\\\$host\\${old,,}"
  local connects=1
  case $fault in Connection | Reconnect | RestoreDefault) connects=0 ;; esac
  if ((connects)); then
    MX_OFFERED2+=("$id")
  elif [[ $d == 1 && -n $MX_STOP ]]; then
    newServer=printsrv3
  elif [[ $d == 1 ]]; then
    newServer=printsrv4
  fi
  local new="\\\\$newServer\\$id"
  if [[ -z ${MX_INSTALLED[$old]:-} ]]; then
    [[ $fault == Reconnect && ! ($d == 1 && -n $MX_STOP) ]] ||
      MX_OFFERED1+=("$old")
    queue=$old
    [[ $d$i$MX_MODE == 11lpdest ]] && queue=Defaut
    if [[ $i == 1 ]]; then
      connected printsrv1 "$old" "$queue"
      MX_EXPECTED+=("$system")
    fi
    MX_INSTALLED[$old]=1
    mx_default "$d" "$i" "$queue" "$system"
  fi
  [[ $MX_STOP && $d == 1 ]] && {
    MX_STOP_TRACE="Et reconnexion de $new..."
    sim_failure "connect $named=1722"
  }
  case $MX_MODE in
    removal) sim_failure "disconnect $named=5" ;;
    lpdest)
      # The rolled-back printer comes back under its own queue, the one
      # LPDEST names: restoring its default succeeds on CUPS.
      [[ $fault == RestoreDefault ]] || sim_failure "setdefault $named=0"
      sim_failure "setdefault $new=0"
      ;;
    missing)
      sim_failure "disconnect $named=5"
      sim_failure "setdefault $named=0"
      sim_failure "setdefault $new=0"
      ;;
  esac
  MX_CASES+=("$id")
  MX_LINES+=("*$named,$new")
  mx_expect "$d" "$i" "$connects" "$fault" "$system" "\\\\$host\\$old" "$new"
}

# mx_default D I QUEUE PRINTER: the user's default for the case, before the
# run.
mx_default() {
  local d=$1 i=$2 queue=$3 printer=$4
  [[ $d == 1 ]] || return 0
  case $MX_MODE$i in
    lpdest1)
      RUN_ENV=("LPDEST=$queue")
      SIM_DEFAULT="$printer,,"
      MX_DEFAULT=$printer
      ;;
    missing0)
      # CUPS has no default that is not a queue: the run sees none.
      mkdir -p "$HOME/.cups"
      echo "Default $queue" >"$HOME/.cups/lpoptions"
      RUN_ENV=("LPDEST=$queue")
      ;;
    *)
      user_default "$queue" "$printer"
      MX_DEFAULT=$printer
      ;;
  esac
}

# mx_expect D I CONNECTS FAULT SYSTEM_NAME RECONNECTED_NAME NEW: what the
# replacement's rules give, applied to the expected printers and default.
mx_expect() {
  local d=$1 i=$2 connects=$3 fault=$4 system=$5 reconnected=$6 new=$7
  if [[ $i == 0 ]]; then
    MX_SKIPPED=$((MX_SKIPPED + 1))
    return
  fi
  if [[ $MX_MODE == removal ]]; then
    MX_ERRORS=$((MX_ERRORS + 1))
    return
  fi
  local kept=() printer
  for printer in "${MX_EXPECTED[@]}"; do
    [[ $printer == "$system" ]] || kept+=("$printer")
  done
  MX_EXPECTED=("${kept[@]}")
  # The removal takes the user's default with it.
  [[ $d == 1 ]] && MX_DEFAULT=
  if ((connects)); then
    MX_SUCCESS=$((MX_SUCCESS + 1))
    MX_EXPECTED+=("$new")
    [[ $d == 1 && $MX_MODE != lpdest ]] && MX_DEFAULT=$new
    return
  fi
  MX_ERRORS=$((MX_ERRORS + 1))
  [[ $fault == Reconnect ]] && return
  # The old printer again, its host as the script spells it.
  MX_EXPECTED+=("$reconnected")
  [[ $d == 1 && ($MX_MODE != lpdest || $fault == RestoreDefault) ]] &&
    MX_DEFAULT=$reconnected
}

mx_plural() { (($1 > 1)) && echo s; }

# The closing sentence for the run's counters.
mx_final_message() {
  local n=${#MX_CASES[@]} text
  text="Traitement terminé : $n opération$(mx_plural "$n") à effectuer, "
  text+="$MX_SUCCESS imp. traitée$(mx_plural "$MX_SUCCESS") avec succès"
  ((MX_SKIPPED)) && text+=", $MX_SKIPPED imp. évitée$(mx_plural "$MX_SKIPPED")"
  ((MX_ERRORS)) && text+=", $MX_ERRORS erreur$(mx_plural "$MX_ERRORS") de migration"
  echo "$text."
}

mx_end() {
  print_server printsrv1 "${MX_OFFERED1[@]}"
  print_server printsrv2 "${MX_OFFERED2[@]}"
  [[ -z $MX_STOP ]] || silent_server printsrv3
  [[ $MX_MODE == removal || $MX_MODE == missing ]] &&
    refuse_queue_removal workstation
  script "${MX_LINES[@]}"
  if start_servers; then
    start_quelmar
    [[ -z $MX_STOP ]] || { wait_for_trace "$MX_STOP_TRACE" && stop_server printsrv1; }
    wait_quelmar
  fi
  expect_state $((MX_ERRORS ? 1 : 0)) "$MX_DEFAULT" "${MX_EXPECTED[@]}"
  expect_trace "$(mx_final_message)"
  CASE="matrix-$MX_RUN (${#MX_CASES[@]}): ${MX_CASES[*]}"
  end_case ${#MX_CASES[@]}
}

# The 48 cases in 12 runs. The cases whose old printer is not the default
# ride along with those whose old printer is.
case_replacement_matrix() {
  local c fault
  mx_begin P1 plain
  mx_case 0 1 0 None
  mx_case 0 0 1 None
  mx_case 1 1 0 None
  mx_end
  mx_begin P2 plain
  mx_case 0 1 1 None
  mx_case 0 0 0 None
  mx_case 1 1 1 None
  mx_end
  mx_begin P3 plain
  mx_case 0 1 0 Connection
  mx_case 0 0 1 Connection
  mx_case 1 1 0 Connection
  mx_end
  mx_begin P4 plain
  mx_case 0 1 1 Connection
  mx_case 0 0 0 Connection
  mx_case 1 1 1 Connection
  mx_end
  mx_begin P5 plain
  mx_case 0 1 0 Reconnect
  mx_case 0 0 1 Reconnect
  mx_case 1 1 0 Reconnect
  mx_end
  mx_begin P6 plain stop
  mx_case 0 1 1 Reconnect
  mx_case 0 0 0 Reconnect
  mx_case 1 1 1 Reconnect
  mx_end
  mx_begin R removal
  mx_case 0 1 0 Removal
  mx_case 0 1 1 Removal
  mx_case 0 0 0 Removal
  mx_case 0 0 1 Removal
  mx_case 1 1 0 Removal
  mx_case 1 1 1 Removal D1I1C0-Removal
  mx_end
  mx_begin L1 lpdest
  mx_case 0 1 0 NewDefault
  mx_case 0 0 1 RestoreDefault
  mx_case 1 1 0 NewDefault
  mx_end
  mx_begin L2 lpdest
  mx_case 0 1 1 NewDefault
  mx_case 0 0 0 RestoreDefault
  mx_case 1 1 1 NewDefault
  mx_end
  mx_begin L3 lpdest
  mx_case 0 1 0 RestoreDefault
  mx_case 0 0 1 NewDefault
  mx_case 1 1 0 RestoreDefault
  mx_end
  mx_begin L4 lpdest
  mx_case 0 1 1 RestoreDefault
  mx_case 0 0 0 NewDefault
  mx_case 1 1 1 RestoreDefault
  mx_end
  mx_begin M missing
  for c in 0 1; do
    for fault in None Removal Connection Reconnect NewDefault RestoreDefault; do
      mx_case 1 0 "$c" "$fault" D1I0
    done
  done
  mx_end
}
