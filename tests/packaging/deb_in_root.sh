#!/bin/bash
# Run by deb.sh inside the clean Debian 12 root, as root: installs the
# package with apt (which must find every dependency the package declares)
# and checks what it installed.
set -u
export LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive PATH=/usr/sbin:/usr/bin:/sbin:/bin
deb=$1
passed=0
failed=0
expect() {  # expect NAME COMMAND...: the command succeeds
  local name=$1
  shift
  if "$@" >/test/last.out 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    head -c 2000 /test/last.out
  fi
}

install_package() {
  apt-get install -y -q --no-install-recommends "$deb" >/test/apt.log 2>&1 ||
    { apt-get update -q >>/test/apt.log 2>&1 &&
      apt-get install -y -q --no-install-recommends "$deb" >>/test/apt.log 2>&1; } ||
    { cat /test/apt.log; return 1; }
}
expect "apt installs the package and its dependencies" install_package
expect "quelmar runs: its libraries are there" \
  bash -c '[ "$(quelmar --version)" = "quelmar $(dpkg-query -W -f="\${Version}" quelmar)" ]'
expect "quelmar-dryrun runs" quelmar-dryrun --help
expect "quelmar-report runs" quelmar-report --help
# quelmar-dryrun is static; --this-workstation runs its helper, which
# links libcups: with no cupsd in this root, the helper starts (its
# libraries are there) and says why the workstation cannot be read. The
# root shares the machine's network, where a cupsd may listen on port 631:
# CUPS_SERVER names a socket that does not exist instead.
expect "quelmar-dryrun loads no library" bash -c '! ldd /usr/bin/quelmar-dryrun'
this_workstation() {
  CUPS_SERVER=/run/quelmar-test/no-cupsd.sock \
    quelmar-dryrun --this-workstation /dev/null </dev/null >/test/this.out 2>&1
  local status=$?
  cat /test/this.out
  [ "$status" = 2 ] &&
    grep -q "^quelmar-dryrun : poste de travail illisible : " /test/this.out &&
    ! grep -q quelmar-snapshot /test/this.out
}
expect "quelmar-dryrun --this-workstation runs its helper" this_workstation
for file in /usr/share/man/man1/quelmar.1.gz /usr/share/man/man1/quelmar-dryrun.1.gz \
  /usr/share/man/man1/quelmar-report.1.gz /usr/share/man/man5/quelmar-script.5.gz \
  /usr/share/doc/quelmar/README.md /usr/share/doc/quelmar/examples/Quelmar.txt \
  /usr/share/doc/quelmar/examples/workstation.ini; do
  expect "installed: $file" test -s "$file"
done
expect "libcups2 came as a dependency" dpkg-query -W libcups2

# The installed example, as the README shows it. Its journal is
# Quelmar.log in the program's folder.
rehearse() {
  local examples=/usr/share/doc/quelmar/examples out=/test/run
  mkdir -p "$out"
  (cd /tmp && env -i PATH="$PATH" COMPUTERNAME=POSTE01 USERNAME=jdupont \
    quelmar-dryrun --workstation "$examples/workstation.ini" \
    --save "$out/saved.ini" "$examples/Quelmar.txt" \
    </dev/null >"$out/stdout" 2>"$out/stderr")
  echo $? >"$out/status"
  sed -E 's#[0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9]{2}:[0-9]{2}:[0-9]{2}#<horodatage>#g' \
    /usr/bin/Quelmar.log >"$out/journal.log"
  local file ok=0
  for file in stdout stderr status saved.ini journal.log; do
    diff -u "/test/expected/$file" "$out/$file" || ok=1
  done
  return $ok
}
expect "the installed example rehearses as the golden run" rehearse
expect "the package is removed cleanly" \
  bash -c 'apt-get purge -y -q quelmar >/dev/null && [ ! -e /usr/bin/quelmar ] && [ ! -e /usr/libexec/quelmar ] && [ ! -e /usr/share/doc/quelmar ]'
echo "deb: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
