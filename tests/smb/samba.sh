# shellcheck shell=bash
# Private Samba print servers for the SMB tests and the benchmark. Sourced
# after tests/cups/servers.sh by scripts that run inside `unshare --mount
# --net --pid --fork --mount-proc`: each smbd lives under
# $CUPS_TEST_ROOT/smb-NAME, listens on port 445 of its own loopback address
# and shares printers whose print command files each job, byte for byte,
# under $CUPS_TEST_ROOT/smb-NAME/received/PRINTER/. The PID namespace ends
# the samba-dcerpcd that smbd starts on demand, which outlives smbd.

declare -A SMBD_PID=()

# samba_network: what Samba needs in the namespace. Every server address
# must exist on an interface (smbd finds no socket otherwise and stops),
# and every default folder of Samba, client and server, becomes a private
# one so that nothing is written outside $CUPS_TEST_ROOT. Call after
# private_network.
samba_network() {
  local name path
  for name in "${!SERVER_ADDRESS[@]}"; do
    [[ $name == workstation ]] ||
      ip addr add "${SERVER_ADDRESS[$name]}/32" dev lo 2>/dev/null
  done
  for path in /etc/samba /var/log/samba /run/samba /var/lib/samba \
    /var/cache/samba; do
    mkdir -p "$CUPS_TEST_ROOT/sys$path" "$path"
    mount --bind "$CUPS_TEST_ROOT/sys$path" "$path"
  done
  # The client side (quelmar's listings, the CUPS smb backend): names from
  # the hosts file only, no NetBIOS.
  cat >/etc/samba/smb.conf <<CONF
[global]
  workgroup = WORKGROUP
  name resolve order = host
  client min protocol = SMB2_02
  disable netbios = yes
  log level = 0
CONF
}

# write_samba NAME: the configuration of a standalone smbd with no share
# yet; guests are the account nobody.
write_samba() {
  local name=$1 dir="$CUPS_TEST_ROOT/smb-$1" address=${SERVER_ADDRESS[$1]}
  rm -rf "$dir"
  mkdir -p "$dir"/{private,lock,state,cache,run,log,bind-dns}
  mkdir -p -m 1777 "$dir/spool" "$dir/received"
  # Samba's print command runs as the connected user (here nobody).
  cat >"$dir/print-job" <<SH
#!/bin/sh
# print-job PRINTER SPOOLFILE
mkdir -p "$dir/received/\$1" && mv "\$2" "$dir/received/\$1/job.\$(date +%s%N)"
SH
  chmod 755 "$dir/print-job"
  cat >"$dir/smb.conf" <<CONF
[global]
  netbios name = ${name^^}
  workgroup = WORKGROUP
  server role = standalone server
  interfaces = $address/32
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  private dir = $dir/private
  lock directory = $dir/lock
  state directory = $dir/state
  cache directory = $dir/cache
  pid directory = $dir/run
  ncalrpc dir = $dir/run/ncalrpc
  binddns dir = $dir/bind-dns
  passdb backend = tdbsam:$dir/private/passdb.tdb
  usershare path =
  log file = $dir/log/log.%m
  log level = 0
  map to guest = Bad User
  guest account = nobody
  restrict anonymous = 0
  load printers = no
  printcap name = /dev/null
  printing = bsd
  print command = $dir/print-job "%p" %s
  lpq command = /bin/true
  lprm command = /bin/true
CONF
}

# samba_printer NAME PRINTER [private]: a printer share; a private one
# refuses guests (only a user who does not exist may use it).
samba_printer() {
  local dir="$CUPS_TEST_ROOT/smb-$1"
  printf '[%s]\n  path = %s/spool\n  printable = yes\n' "$2" "$dir" \
    >>"$dir/smb.conf"
  if [[ ${3:-} == private ]]; then
    printf '  guest ok = no\n  valid users = quelmar-nobody\n' >>"$dir/smb.conf"
  else
    printf '  guest ok = yes\n' >>"$dir/smb.conf"
  fi
}

# start_samba NAME: starts its smbd and waits until it accepts on 445. In
# its own session: smbd signals its whole process group when it stops.
start_samba() {
  local dir="$CUPS_TEST_ROOT/smb-$1" address=${SERVER_ADDRESS[$1]} tries
  setsid smbd --foreground --no-process-group -l "$dir/log" \
    --configfile="$dir/smb.conf" >>"$dir/log/stdout" 2>&1 &
  SMBD_PID[$1]=$!
  for ((tries = 0; tries < 200; tries++)); do
    (exec 3<>"/dev/tcp/$address/445") 2>/dev/null && return 0
    sleep 0.025
  done
  echo "smbd $1 did not start:" >&2
  cat "$dir/log/stdout" "$dir"/log/log.* >&2 2>/dev/null
  return 1
}

# silence_samba NAME: its smbd stops answering; the kernel still accepts
# connections on its port, as a hung server's does.
silence_samba() { kill -STOP "${SMBD_PID[$1]}"; }

# pending_connections NAME: the connections that its silenced smbd has not
# accepted (they stay in its listening socket's queue, closed or not).
pending_connections() {
  ss -Hltn "sport = :445" |
    awk -v me="${SERVER_ADDRESS[$1]}:445" '$4 == me { print $2 }'
}

# stop_samba NAME: ends its smbd by PID (stop_recorded, tests/cups/servers.sh).
stop_samba() { stop_recorded SMBD_PID "$1"; }

# received_folder NAME PRINTER: where the server files the jobs of PRINTER.
received_folder() { echo "$CUPS_TEST_ROOT/smb-$1/received/$2"; }
