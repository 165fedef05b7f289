#!/usr/bin/env bash
# Writes the seed corpus of the reply fuzz target: the bytes a real cupsd
# sends back to the requests quelmar makes (a printer's attributes, a
# printer it does not have, the list of queues, a queue added and removed,
# the default), each asked with and without "Expect: 100-continue". Runs a
# private cupsd in its own network and mount namespace (root needed).
#
# usage: fuzz/capture_replies.sh [OUTPUT_FOLDER]   (default fuzz/corpus/reply)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/fuzz/corpus/reply}")
mkdir -p "$out"
export CUPS_TEST_ROOT
CUPS_TEST_ROOT=$(mktemp -d)
trap 'rm -rf "$CUPS_TEST_ROOT"' EXIT
unshare --mount --net bash -euc '
  source "$1/tests/cups/servers.sh"
  private_network
  write_server workstation
  add_queue workstation Laser file:///dev/null
  start_server workstation
  python3 - "$CUPS_TEST_ROOT/workstation/cups.sock" "$2" <<"PY"
import socket, struct, sys

path, out = sys.argv[1], sys.argv[2]

def attribute(tag, name, value):
    name, value = name.encode(), value.encode()
    return (bytes([tag]) + struct.pack(">H", len(name)) + name +
            struct.pack(">H", len(value)) + value)

def request(operation, uri, extra=b""):
    body = struct.pack(">BBHI", 2, 0, operation, 1) + b"\x01"
    body += attribute(0x47, "attributes-charset", "utf-8")
    body += attribute(0x48, "attributes-natural-language", "en")
    if uri:
        body += attribute(0x45, "printer-uri", uri)
    body += attribute(0x42, "requesting-user-name", "root")
    return body + extra + b"\x03"

def ask(name, resource, body, expect):
    client = socket.socket(socket.AF_UNIX)
    client.connect(path)
    head = (f"POST {resource} HTTP/1.1\r\nHost: localhost\r\n"
            f"Content-Type: application/ipp\r\nContent-Length: {len(body)}\r\n")
    if expect:
        head += "Expect: 100-continue\r\n"
    client.sendall(head.encode() + b"Connection: close\r\n\r\n" + body)
    reply = b""
    while chunk := client.recv(65536):
        reply += chunk
    client.close()
    suffix = "-continue" if expect else ""
    with open(f"{out}/{name}{suffix}", "wb") as f:
        f.write(reply)

names = attribute(0x44, "requested-attributes", "printer-name")
listing = (attribute(0x44, "requested-attributes", "printer-name") +
           b"\x44\x00\x00" + struct.pack(">H", 10) + b"device-uri")
added = (b"\x02" + attribute(0x45, "device-uri", "ipp://printsrv1/printers/Laser") +
         attribute(0x41, "printer-info", "\\\\printsrv1\\Laser") +
         b"\x22" + struct.pack(">H", 25) + b"printer-is-accepting-jobs" +
         struct.pack(">H", 1) + b"\x01")
local = "ipp://localhost/printers/"
for expect in (False, True):
    ask("attributes", "/", request(0x000B, local + "Laser", names), expect)
    ask("attributes-missing", "/", request(0x000B, local + "Absent", names), expect)
    ask("printers", "/", request(0x4002, None, listing), expect)
    ask("add", "/admin/", request(0x4003, local + "Nouvelle",
        attribute(0x42, "ppd-name", "raw") + added), expect)
    ask("delete", "/admin/", request(0x4004, local + "Nouvelle"), expect)
    ask("default", "/", request(0x4001, None), expect)
PY
  stop_all_servers
' capture "$root" "$out"
ls "$out"
