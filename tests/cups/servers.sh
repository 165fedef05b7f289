# shellcheck shell=bash
# Private cupsd instances for the CUPS tests and the benchmark. Sourced by
# scripts that already run inside `unshare --mount --net`: every server
# lives under $CUPS_TEST_ROOT, listens on its own loopback address and is
# stopped by its PID.

# Name -> loopback address of the print servers, written as the hosts file
# that is bind-mounted over /etc/hosts.
declare -A SERVER_ADDRESS=([workstation]=127.0.0.1 [printsrv1]=127.0.0.2
  [printsrv2]=127.0.0.3 [printsrv3]=127.0.0.4 [printsrv4]=127.0.0.5
  [hostile1]=127.0.0.11 [hostile2]=127.0.0.12 [hostile3]=127.0.0.13
  [hostile4]=127.0.0.14)
declare -A SERVER_PID=()
# Every cupsd ever started, to check that none is left behind.
ALL_SERVER_PIDS=()

# Sets up the private network: loopback only, our own hosts file, and an
# empty /etc/cups so that no client writes the system's configuration.
private_network() {
  ip link set lo up
  local hosts="$CUPS_TEST_ROOT/hosts" name
  echo "127.0.0.1 localhost" >"$hosts"
  for name in "${!SERVER_ADDRESS[@]}"; do
    [[ $name == workstation ]] || echo "${SERVER_ADDRESS[$name]} $name" >>"$hosts"
  done
  mount --bind "$hosts" /etc/hosts
  mkdir -p "$CUPS_TEST_ROOT/etc-cups"
  mount --bind "$CUPS_TEST_ROOT/etc-cups" /etc/cups
}

# write_server NAME: the configuration of one cupsd under
# $CUPS_TEST_ROOT/NAME, with no printer yet.
write_server() {
  local name=$1 dir="$CUPS_TEST_ROOT/$1" address=${SERVER_ADDRESS[$1]}
  rm -rf "$dir"
  mkdir -p "$dir"/{etc/ppd,etc/ssl,spool/tmp,cache,state/certs,log}
  cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
FileDevice Yes
Printcap $dir/printcap
CONF
  cat >"$dir/cupsd.conf" <<CONF
LogLevel warn
Listen $address:631
Listen $dir/cups.sock
ServerName $name
ServerAlias *
HostNameLookups Off
Browsing Off
BrowseLocalProtocols none
WebInterface No
IdleExitTimeout 0
DefaultAuthType None
DefaultShared Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  : >"$dir/etc/printers.conf"
}

# add_queue SERVER QUEUE DEVICE_URI: a raw queue written before the server
# starts.
add_queue() {
  cat >>"$CUPS_TEST_ROOT/$1/etc/printers.conf" <<CONF
<Printer $2>
DeviceURI $3
State Idle
Accepting Yes
Shared Yes
</Printer>
CONF
}

# refuse_queue_removal NAME: its cupsd refuses to delete any queue (HTTP
# Forbidden: only a user who does not exist may).
refuse_queue_removal() {
  sed -i 's|^  <Limit All>|  <Limit CUPS-Delete-Printer>\n    AuthType Basic\n    Require user quelmar-nobody\n  </Limit>\n&|' \
    "$CUPS_TEST_ROOT/$1/cupsd.conf"
}

# refuse_subscriptions NAME: its cupsd refuses subscriptions to its events
# and their polls (HTTP Forbidden: only a user who does not exist may).
refuse_subscriptions() {
  sed -i 's|^  <Limit All>|  <Limit Create-Printer-Subscriptions Get-Notifications>\n    AuthType Basic\n    Require user quelmar-nobody\n  </Limit>\n&|' \
    "$CUPS_TEST_ROOT/$1/cupsd.conf"
}

# admin_only_queues NAME: as a stock cupsd, only the system group (root)
# may add or delete queues; other local users get HTTP Forbidden.
admin_only_queues() {
  sed -i 's|^  <Limit All>|  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Set-Default>\n    AuthType Default\n    Require user @SYSTEM\n    Order deny,allow\n  </Limit>\n&|' \
    "$CUPS_TEST_ROOT/$1/cupsd.conf"
}

# server_default NAME QUEUE: QUEUE, already added, is the cupsd's default.
server_default() {
  sed -i "s|^<Printer $2>\$|<DefaultPrinter $2>|" "$CUPS_TEST_ROOT/$1/etc/printers.conf"
}

# start_server NAME: starts its cupsd in the background and waits until it
# answers.
start_server() {
  local dir="$CUPS_TEST_ROOT/$1" tries
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    >>"$dir/log/stdout" 2>&1 &
  SERVER_PID[$1]=$!
  ALL_SERVER_PIDS+=($!)
  for ((tries = 0; tries < 100; tries++)); do
    [[ -S $dir/cups.sock ]] &&
      CUPS_SERVER="$dir/cups.sock" lpstat -r >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "cupsd $1 did not start:" >&2
  cat "$dir/log/error_log" "$dir/log/stdout" >&2
  return 1
}

# start_hostile_server NAME BEHAVIOUR: a fake print server that misbehaves
# (hostile_server.py), stopped as a cupsd is.
start_hostile_server() {
  local address=${SERVER_ADDRESS[$1]} tries
  python3 "$(dirname "${BASH_SOURCE[0]}")/hostile_server.py" "$address" "$2" \
    >>"$CUPS_TEST_ROOT/hostile-$1.log" 2>&1 &
  SERVER_PID[$1]=$!
  ALL_SERVER_PIDS+=($!)
  for ((tries = 0; tries < 100; tries++)); do
    (exec 3<>"/dev/tcp/$address/631") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "hostile server $1 did not start" >&2
  return 1
}

# stop_recorded TABLE NAME: ends the process whose PID the associative
# array TABLE keeps for NAME (a stopped one is woken first), and forgets it.
# Used for the cupsd servers here and the smbd servers of tests/smb/samba.sh.
stop_recorded() {
  local -n table=$1
  local pid=${table[$2]:-}
  [[ -n $pid ]] || return 0
  kill -TERM "$pid" 2>/dev/null
  kill -CONT "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  unset "table[$2]"
}

# stop_server NAME: ends its cupsd by PID.
stop_server() { stop_recorded SERVER_PID "$1"; }

stop_all_servers() {
  local name
  for name in "${!SERVER_PID[@]}"; do stop_server "$name"; done
}
