#!/usr/bin/env python3
"""A small HTTP server for the transfer tests: answers that a plain file server does not give.

Routes (GET unless said otherwise; N, M are byte counts; bodies are the pattern byte i = i % 251):
  /post-noclen?size=N   any method: echoes the request (line, agent, content type, host, body),
                        then N pattern bytes, without Content-Length, closing the connection
  /chunked?size=N       N pattern bytes in chunks of varied sizes (&drop=M: the connection is
                        closed after M bytes, without the last chunk)
  /drop?size=N&send=M   announces N bytes, sends M, then closes the connection
  /reset?size=N&send=M  the same, but the connection is reset a moment later
  /garbage-status       a status line of garbage, then a body
  /length?value=V&send=M  a Content-Length header of V (any text), then M bytes and close
  /range?first=F&last=L&total=T&send=M   206 with "Content-Range: bytes F-L/T" (text given
                        as ?text=... instead is sent as it is; ?text= alone sends no header),
                        then M pattern bytes from F on
  /status?code=N        that status with a short body
  absolute URI          a proxy request: 200 with "proxied <uri> agent <user agent>"
Each request line is appended to the log file when one is given.
"""
import argparse
import os
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse

LOG_LOCK = threading.Lock()


def pattern(first, count):
    return bytes((i % 251) for i in range(first, first + count))


class Handler(socketserver.BaseRequestHandler):
    def read_request(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(65536)
            if not chunk:
                return None
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, target, _ = (lines[0].split(" ", 2) + ["", ""])[:3]
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        length = int(headers.get("content-length", "0") or 0)
        while len(rest) < length:
            chunk = self.request.recv(65536)
            if not chunk:
                break
            rest += chunk
        return method, target, headers, rest[:length]

    def send(self, data):
        self.request.sendall(data)

    def answer(self, status, headers, body):
        head = "HTTP/1.1 %s\r\n" % status
        for name, value in headers:
            head += "%s: %s\r\n" % (name, value)
        self.send(head.encode("latin-1") + b"\r\n" + body)

    def handle(self):
        request = self.read_request()
        if request is None:
            return
        method, target, headers, body = request
        if self.server.log_path:
            with LOG_LOCK, open(self.server.log_path, "a") as log:
                log.write("%s %s\n" % (method, target))
        if target.startswith("http://"):
            text = "proxied %s agent %s" % (target, headers.get("user-agent", ""))
            self.answer("200 OK", [("Content-Length", len(text)), ("Connection", "close")], text.encode())
            return
        url = urllib.parse.urlsplit(target)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        route = getattr(self, "route_" + url.path.strip("/").replace("-", "_"), None)
        if route is None:
            self.answer("404 Not Found", [("Content-Length", 9), ("Connection", "close")], b"not found")
            return
        route(method, target, headers, body, query)

    def route_post_noclen(self, method, target, headers, body, query):
        echo = "%s %s\nUser-Agent: %s\nContent-Type: %s\nHost: %s\nBody: %s\n" % (
            method, target, headers.get("user-agent", ""), headers.get("content-type", ""),
            headers.get("host", ""), body.decode("latin-1"))
        self.send(b"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n")
        self.send(echo.encode("latin-1") + pattern(0, int(query.get("size", "0"))))

    def route_chunked(self, method, target, headers, body, query):
        size = int(query.get("size", "0"))
        drop = int(query.get("drop", "-1"))
        self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n")
        sent, step = 0, 0
        sizes = [1, 7, 1000, 4096, 5000, 333, 65536]
        while sent < size:
            if 0 <= drop <= sent:
                self.request.shutdown(socket.SHUT_WR)
                return
            count = min(sizes[step % len(sizes)], size - sent)
            self.send(b"%x\r\n" % count + pattern(sent, count) + b"\r\n")
            sent += count
            step += 1
        self.send(b"0\r\n\r\n")

    def cut_short(self, query, reset):
        size, send = int(query.get("size", "0")), int(query.get("send", "0"))
        self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size + pattern(0, send))
        if reset:
            time.sleep(0.3)  # let the client take the headers first
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        else:
            self.request.shutdown(socket.SHUT_WR)

    def route_drop(self, method, target, headers, body, query):
        self.cut_short(query, reset=False)

    def route_reset(self, method, target, headers, body, query):
        self.cut_short(query, reset=True)

    def route_garbage_status(self, method, target, headers, body, query):
        self.send(b"GARBAGE\x01\xff NOT HTTP\r\nX: y\r\n\r\nsome body")

    def route_length(self, method, target, headers, body, query):
        send = int(query.get("send", "0"))
        self.send(b"HTTP/1.1 200 OK\r\nContent-Length: " + query.get("value", "").encode("latin-1") +
                  b"\r\nConnection: close\r\n\r\n" + pattern(0, send))

    def route_range(self, method, target, headers, body, query):
        first, send = int(query.get("first", "0")), int(query.get("send", "0"))
        if "text" in query:
            text = query["text"]
        else:
            text = "bytes %s-%s/%s" % (first, query.get("last", ""), query.get("total", ""))
        head = b"HTTP/1.1 206 Partial Content\r\nConnection: close\r\nContent-Length: %d\r\n" % send
        if text:
            head += b"Content-Range: " + text.encode("latin-1") + b"\r\n"
        self.send(head + b"\r\n" + pattern(first, send))

    def route_status(self, method, target, headers, body, query):
        code = query.get("code", "200")
        self.answer("%s Status" % code, [("Content-Length", 6), ("Connection", "close")], b"status")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file", help="file that receives the port once listening")
    parser.add_argument("--log", help="file that receives one line per request")
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Handler)
    server.log_path = args.log
    port = server.server_address[1]
    if args.port_file:
        temp = args.port_file + ".tmp"
        with open(temp, "w") as out:
            out.write("%d\n" % port)
        os.replace(temp, args.port_file)
    else:
        print(port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
