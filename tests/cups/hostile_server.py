"""A print server that misbehaves, for the CUPS tests: it listens on
ADDRESS:631 and answers every request in one of these ways:

  cut          the headers of a reply and two bytes of its body, then closes
  no-continue  a whole, valid chunked reply, without an interim
               "100 Continue" (HTTP/1.1 allows it)
  trickle      a whole, valid reply, one byte every 3 seconds
  continue     "100 Continue" every second, for ever

The valid reply says the printer exists and is named "Laser".

usage: hostile_server.py ADDRESS BEHAVIOUR
"""
import socket
import struct
import sys
import threading
import time


def attribute(tag, name, value):
    name, value = name.encode(), value.encode()
    return (bytes([tag]) + struct.pack(">H", len(name)) + name +
            struct.pack(">H", len(value)) + value)


BODY = (struct.pack(">BBHI", 2, 0, 0, 1) + b"\x01" +
        attribute(0x47, "attributes-charset", "utf-8") +
        attribute(0x48, "attributes-natural-language", "en") + b"\x04" +
        attribute(0x42, "printer-name", "Laser") + b"\x03")
HEAD = b"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n"
WHOLE = HEAD + b"Content-Length: %d\r\n\r\n" % len(BODY) + BODY
CHUNKED = (HEAD + b"Transfer-Encoding: chunked\r\n\r\n" +
           b"%x\r\n" % len(BODY) + BODY + b"\r\n0\r\n\r\n")


def drain(client):
    """Reads whatever the client sends, so that it never blocks writing."""
    try:
        while client.recv(65536):
            pass
    except OSError:
        pass


def answer(client, behaviour):
    threading.Thread(target=drain, args=(client,), daemon=True).start()
    time.sleep(0.05)  # the request's headers
    try:
        if behaviour == "cut":
            client.sendall(WHOLE[:len(WHOLE) - len(BODY) + 2])
        elif behaviour == "no-continue":
            client.sendall(CHUNKED)
        elif behaviour == "trickle":
            for byte in WHOLE:
                client.sendall(bytes([byte]))
                time.sleep(3)
        elif behaviour == "continue":
            while True:
                client.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
                time.sleep(1)
        client.shutdown(socket.SHUT_WR)
        time.sleep(0.5)
    except OSError:
        pass
    client.close()


def main():
    address, behaviour = sys.argv[1], sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, 631))
    server.listen(16)
    while True:
        client, _ = server.accept()
        threading.Thread(target=answer, args=(client, behaviour),
                         daemon=True).start()


main()
