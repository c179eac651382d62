#!/usr/bin/env python3
"""A local HTTP/1.1 server for the HTTP client's tests. It prints its port on the first line of its output and
serves until it is killed. Besides plain replies it answers byte ranges, chunked replies and Basic authorisation,
and it misbehaves on purpose on the paths that test the client's faults. Bodies of POST requests are recorded in
the folder given as the first argument, as <last path part>.body, with the Authorization header in .auth."""
import base64
import os
import socket
import socketserver
import sys
import time

RECORD = sys.argv[1] if len(sys.argv) > 1 else "."


def content(size):
    return bytes((i * 7 + 3) % 251 for i in range(size))


def query(path):
    values = {}
    if "?" in path:
        for part in path.split("?", 1)[1].split("&"):
            key, _, value = part.partition("=")
            values[key] = value
    return values


class Handler(socketserver.BaseRequestHandler):
    def read_request(self):
        data = b""
        while b"\r\n\r\n" not in data:
            piece = self.request.recv(65536)
            if not piece:
                return None
            data += piece
        head, _, rest = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, path, _ = lines[0].split(" ", 2)
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        length = int(headers.get("content-length", "0"))
        while len(rest) < length:
            piece = self.request.recv(65536)
            if not piece:
                break
            rest += piece
        return method, path, headers, rest[:length]

    def send(self, status, body, extra=(), length=None):
        reason = {200: "OK", 206: "Partial Content", 401: "Unauthorized", 404: "Not Found"}.get(status, "X")
        head = "HTTP/1.1 %d %s\r\nContent-Length: %d\r\nConnection: close\r\n" % (
            status, reason, len(body) if length is None else length)
        for line in extra:
            head += line + "\r\n"
        self.request.sendall(head.encode("latin-1") + b"\r\n" + body)

    def send_range(self, whole, headers, shift=0):
        # With a shift the answer starts that many bytes after the first byte asked for, as a confused proxy's
        # might, and says so in its Content-Range.
        wanted = headers.get("range", "")
        if wanted.startswith("bytes=") and wanted.endswith("-"):
            first = int(wanted[6:-1]) + shift
            self.send(206, whole[first:], ["Content-Range: bytes %d-%d/%d" % (first, len(whole) - 1, len(whole))])
        else:
            self.send(200, whole)

    def handle(self):
        request = self.read_request()
        if request is None:
            return
        method, path, headers, body = request
        name = path.split("?", 1)[0]
        args = query(path)
        if method == "POST":
            part = name.rstrip("/").split("/")[-1]
            with open(os.path.join(RECORD, part + ".body"), "wb") as out:
                out.write(body)
            with open(os.path.join(RECORD, part + ".auth"), "w") as out:
                out.write(headers.get("authorization", ""))
            self.send(200, b"received " + headers.get("content-type", "").encode() + b"\n" + body)
        elif name == "/file":
            self.send_range(content(int(args.get("size", "1000"))), headers)
        elif name == "/broken":
            # Without a range the connection breaks after a third of the body; a range gets the rest (from
            # "shift" bytes further on), or with "ranges=0" the whole body again.
            whole = content(int(args.get("size", "100000")))
            if "range" in headers and args.get("ranges") == "0":
                self.send(200, whole)
            elif "range" in headers:
                self.send_range(whole, headers, int(args.get("shift", "0")))
            else:
                head = "HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(whole)
                self.request.sendall(head.encode() + whole[: len(whole) // 3])
        elif name == "/chunked":
            whole = content(int(args.get("size", "5000")))
            out = b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
            for at in range(0, len(whole), 777):
                piece = whole[at : at + 777]
                out += b"%x\r\n" % len(piece) + piece + b"\r\n"
            self.request.sendall(out + b"0\r\n\r\n")
        elif name == "/auth":
            expected = "Basic " + base64.b64encode(b"user:pa:ss").decode()
            if headers.get("authorization") == expected:
                self.send(200, b"welcome")
            else:
                self.send(401, b"who are you", ['WWW-Authenticate: Basic realm="test"'])
        elif name == "/patch/RemotePatchInfo.xml":
            self.send(200, b'<?xml version="1.0"?>\r\n<PatchInfo Version="2.0"/>\r\n')
        elif name == "/matchmaking/info":
            self.send(200, b"servers=0\n")
        elif name == "/garbage":
            self.request.sendall(bytes((i * 131 + 17) % 256 for i in range(4096)))
        elif name == "/short":
            self.send(200, content(10), length=1000)
        elif name == "/hugechunk":
            self.request.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 b"8000000000000000\r\n" + content(1000))
            time.sleep(1)
        elif name == "/endlessheader":
            self.request.sendall(b"HTTP/1.1 200 OK\r\nX-Endless: ")
            try:
                for _ in range(64 * 1024):
                    self.request.sendall(b"a" * 1024)
            except OSError:
                pass
        elif name == "/stall":
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc")
            time.sleep(float(args.get("seconds", "30")))
        else:
            self.send(404, b"no such thing")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
