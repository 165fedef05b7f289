# shellcheck shell=bash
# The simulated workstations of the Ansible tests, sourced by host.sh
# inside each host's namespaces (servers.sh loaded). Each function sets up
# its servers and queues and starts them. The script (script.txt) replaces
# every printer of printsrv1 by the same-named one on printsrv2.

# Both printers exist on the new server: a clean run (status 0). The old
# default's queue has another name than its replacement's, so that the
# default seen afterwards tells whether it followed.
clean_host() {
  write_server workstation
  write_server printsrv1
  write_server printsrv2
  local p
  for p in Laser Couleur; do
    add_queue printsrv1 "$p" file:///dev/null
    add_queue printsrv2 "$p" file:///dev/null
  done
  add_queue workstation Laser-ancien ipp://printsrv1/printers/Laser
  add_queue workstation Couleur ipp://printsrv1/printers/Couleur
  server_default workstation Laser-ancien
  start_server workstation && start_server printsrv1 && start_server printsrv2
}

# The new server lacks Couleur: its replacement fails and the old printer
# comes back (status 1).
errors_host() {
  write_server workstation
  write_server printsrv1
  write_server printsrv2
  add_queue workstation Laser ipp://printsrv1/printers/Laser
  add_queue workstation Couleur-ancien ipp://printsrv1/printers/Couleur
  add_queue printsrv1 Laser file:///dev/null
  add_queue printsrv1 Couleur file:///dev/null
  add_queue printsrv2 Laser file:///dev/null
  server_default workstation Couleur-ancien
  start_server workstation && start_server printsrv1 && start_server printsrv2
}

# The workstation's cupsd does not run: the run cannot complete (status 2).
no_cupsd_host() {
  write_server workstation
}
