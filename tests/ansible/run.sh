#!/usr/bin/env bash
# The Ansible role deploy/ansible/roles/quelmar, played on three simulated
# workstations of this machine, each in its own mount and network
# namespaces with its own private cupsd and print servers (host.sh,
# scenarios.sh): a clean run, a run with errors, a run that cannot complete.
# Checks each host's outcome, queues, system default printer and gathered
# journal entry; then plays again: the clean host is not run twice.
# usage: tests/ansible/run.sh PACKAGE.deb   (as root)
# Ends with "N passed, N failed".
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
deb=$(realpath "$1")
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAILED: $*"; }
expect_eq() {  # expect_eq NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then pass; else fail "$1: got [$2], expected [$3]"; fi
}

command -v ansible-playbook >/dev/null || {
  cd "$TOP" && source tools/install_packages.sh && install_packages ansible
} || { echo "0 passed, 1 failed"; exit 1; }

work=$(mktemp -d /tmp/quelmar-ansible.XXXXXX)
# Readable by the user who checks the default a user sees.
chmod 755 "$work"
declare -A HOST_PID=()
cleanup() {
  local host
  for host in "${!HOST_PID[@]}"; do kill -TERM "${HOST_PID[$host]}" 2>/dev/null; done
  for host in "${!HOST_PID[@]}"; do wait "${HOST_PID[$host]}" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

declare -A SCENARIO=([poste1]=clean_host [poste2]=errors_host [poste3]=no_cupsd_host)
inventory=$work/inventory
echo "[workstations]" >"$inventory"
for host in poste1 poste2 poste3; do
  mkdir -p "$work/$host"
  unshare --mount --net bash "$HERE/host.sh" "$work/$host" "${SCENARIO[$host]}" \
    >"$work/$host.log" 2>&1 &
  HOST_PID[$host]=$!
  # Ansible's modules run in the host's namespaces through this interpreter.
  printf '#!/bin/sh\nexec nsenter --target %s --mount --net -- /usr/bin/python3 "$@"\n' \
    "${HOST_PID[$host]}" >"$work/$host/python"
  chmod +x "$work/$host/python"
  echo "$host ansible_connection=local ansible_python_interpreter=$work/$host/python" >>"$inventory"
done
for host in poste1 poste2 poste3; do
  for _ in $(seq 100); do [ -e "$work/$host/ready" ] && break; sleep 0.1; done
  [ -e "$work/$host/ready" ] || { fail "$host did not start"; cat "$work/$host.log"; }
done

# in_host HOST COMMAND...: runs COMMAND in the host's namespaces.
in_host() {
  local host=$1
  shift
  nsenter --target "${HOST_PID[$host]}" --mount --net -- "$@"
}

play() {  # play OUTPUT.json
  ANSIBLE_STDOUT_CALLBACK=json ANSIBLE_REMOTE_TMP="$work/ansible-tmp" \
    ANSIBLE_LOCAL_TEMP="$work/ansible-local" ANSIBLE_NOCOLOR=1 \
    ANSIBLE_ROLES_PATH="$TOP/deploy/ansible/roles" \
    timeout 300 ansible-playbook -i "$inventory" "$TOP/deploy/ansible/site.yml" \
    -e "quelmar_package=$deb" -e "quelmar_script=$HERE/script.txt" \
    -e "quelmar_collect_dir=$work/collected" >"$1" 2>"$1.err"
}

# outcome PLAY.json HOST: "ok", "changed" or "failed", and the status of the
# run ("-" when it did not run).
outcome() {
  python3 - "$1" "$2" <<'PY'
import json, sys
play = json.load(open(sys.argv[1]))
host = sys.argv[2]
stats = play["stats"][host]
state = "failed" if stats["failures"] or stats["unreachable"] else (
    "changed" if stats["changed"] else "ok")
rc = "-"
for task in play["plays"][0]["tasks"]:
    if task["task"]["name"].endswith("Run the script"):
        result = task["hosts"].get(host, {})
        if "rc" in result:
            rc = str(result["rc"])
print(state, rc)
PY
}

# queues HOST: "QUEUE URI" lines, sorted; default HOST: what a user without
# a default of their own sees.
queues() { in_host "$1" lpstat -v 2>/dev/null | sed -E 's/^device for ([^:]*): /\1 /' | sort | tr '\n' ';'; }
system_default() {
  in_host "$1" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME=/nonexistent lpstat -d 2>&1 | tr '\n' ';'
}

mkdir -p "$work/collected"
dpkg-query -W -f '${Status}' quelmar >"$work/status-before" 2>/dev/null
play "$work/play1.json"
expect_eq "poste1 outcome" "$(outcome "$work/play1.json" poste1)" "changed 0"
expect_eq "poste2 outcome" "$(outcome "$work/play1.json" poste2)" "failed 1"
expect_eq "poste3 outcome" "$(outcome "$work/play1.json" poste3)" "failed 2"

expect_eq "poste1 queues" "$(queues poste1)" \
  "Couleur ipp://printsrv2/printers/Couleur;Laser ipp://printsrv2/printers/Laser;"
expect_eq "poste1 system default" "$(system_default poste1)" \
  "system default destination: Laser;"
# Couleur has no replacement: the old printer comes back as it was, under
# its own queue name, and the default follows it back.
expect_eq "poste2 queues" "$(queues poste2)" \
  "Couleur-ancien ipp://printsrv1/printers/Couleur;Laser ipp://printsrv2/printers/Laser;"
expect_eq "poste2 system default" "$(system_default poste2)" \
  "system default destination: Couleur-ancien;"
expect_eq "poste3 installed the package" \
  "$(in_host poste3 dpkg-query -W -f '${Status}' quelmar)" "install ok installed"
expect_eq "the package is installed in the hosts alone" \
  "$(dpkg-query -W -f '${Status}' quelmar 2>/dev/null)" \
  "$(cat "$work/status-before" 2>/dev/null)"

for host in poste1 poste2; do
  entry=$work/collected/$host.log
  if head -n 1 "$entry" 2>/dev/null | grep -q "^--- Traitement du .* sur $host ---$"; then
    pass
  else
    fail "$host: no journal entry gathered: $(cat "$entry" 2>&1)"
  fi
done
if grep -q "1 erreur de migration" "$work/collected/poste2.log" 2>/dev/null; then
  pass
else
  fail "poste2's entry does not count its migration error"
fi
expect_eq "poste3 wrote no journal entry" "$(cat "$work/collected/poste3.log" 2>/dev/null)" ""
if grep -q "Erreur 68" "$work/play1.json"; then
  pass
else
  fail "poste3's failure does not show error 68"
fi

# The entry reader on a shared journal: entries of other workstations
# before and after this host's, at both levels.
reader=$TOP/deploy/ansible/roles/quelmar/files/journal_entry.py
shared=$work/shared.log
printf 'ancien\r\n' >"$shared"
offset=$(stat -c %s "$shared")
printf '%s\r\n' "07/12/2026 à 08:15:01 sur poste9 : Traitement terminé : 1 opération." \
  "--- Traitement du 07/12/2026 à 08:15:02 sur poste1 ---" "Connexion de \\\\s\\p..." \
  "   -> OK." "" "Traitement terminé : 1 opération à effectuer." "" \
  "--- Traitement du 07/12/2026 à 08:15:03 sur poste8 ---" "Traitement terminé." "" \
  "07/12/2026 à 08:15:04 sur poste2 : Traitement terminé : 2 opérations." >>"$shared"
expect_eq "reader: a whole trace among others" "$(python3 "$reader" "$shared" "$offset" poste1 | tr '\n' '|')" \
  "--- Traitement du 07/12/2026 à 08:15:02 sur poste1 ---|Connexion de \\\\s\\p...|   -> OK.||Traitement terminé : 1 opération à effectuer.|"
expect_eq "reader: one line after others" "$(python3 "$reader" "$shared" "$offset" poste2)" \
  "07/12/2026 à 08:15:04 sur poste2 : Traitement terminé : 2 opérations."
expect_eq "reader: nothing for a host without entry" "$(python3 "$reader" "$shared" "$offset" poste3)" ""

# Played again: the clean host has nothing to do, the others run again.
play "$work/play2.json"
expect_eq "poste1 second outcome" "$(outcome "$work/play2.json" poste1)" "ok -"
expect_eq "poste2 second outcome" "$(outcome "$work/play2.json" poste2)" "failed 1"
expect_eq "poste3 second outcome" "$(outcome "$work/play2.json" poste3)" "failed 2"

if [ "$failed" -gt 0 ]; then
  echo "--- play output: $work/play1.json.err"
  tail -n 20 "$work/play1.json.err"
  for host in poste1 poste2 poste3; do tail -n 5 "$work/$host.log"; done
fi
echo "ansible: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
