#!/usr/bin/env python3
"""Development distribution server for tests and the demo (loopback only).

  POST /zulm/channelcheckin.asp   answers a check-in
  GET  /files/<path>              serves files under <state>/files, with byte ranges

State directory (--state DIR):
  port           the port the server listens on (written at start)
  requests.log   every check-in request body, one per line (appended)
  script.json    optional: a list of answers served one after another, each
                 {"status": 200, "body": "...", "chunked": false, "close_after": null}
                 (close_after: drop the connection after that many body bytes);
                 re-read whenever the file changes; when used up, the catalogue answers
  catalogue.txt  optional: block text answered with status "ok" after the script (a
                 CheckinResult block is put in front unless the text has one); without it the
                 answer is a plain CheckinResult with status "ok"
  served.log     every file request: method, path, Range header (appended)
  publisher.key  with --key: the public key text a client pins as "PublisherKey"

Signing (--key PEM, an ECDSA P-256 private key): a check-in request that ends with
"&nonce=" and 32 hexadecimal digits gets the header "X-ZUL-Signature": base64 of the
64-byte r||s signature over SHA-256 of the nonce, "\n" and the answer body as sent.
A scripted answer may ask for a fault: "signature": "omit" (no header), "tamper" (one
body byte changed after signing) or "replay" (the body and signature of the previous
signed answer, made for another nonce).

TLS (--tls-cert PEM --tls-key PEM): the server speaks https only.
"""
import argparse
import base64
import json
import os
import re
import socket
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CHECKIN_PATH = "/zulm/channelcheckin.asp"
NONCE_RE = re.compile(rb"&nonce=([0-9A-Fa-f]{32})$")
DEFAULT_RESULT = "CheckinResult\r\n{\r\nStatus=ok\r\nInterval=1440\r\n}\r\n"


class Script:
    """The scripted answers, re-read when script.json changes."""

    def __init__(self, path):
        self.path = path
        self.stamp = None
        self.answers = []
        self.lock = threading.Lock()

    def next(self):
        with self.lock:
            try:
                stamp = os.stat(self.path).st_mtime_ns
            except OSError:
                return None
            if stamp != self.stamp:
                self.stamp = stamp
                try:
                    with open(self.path, encoding="latin-1") as f:
                        self.answers = json.load(f)
                except (OSError, ValueError):
                    self.answers = []
            return self.answers.pop(0) if self.answers else None


def catalogue_answer(state):
    try:
        with open(os.path.join(state, "catalogue.txt"), encoding="latin-1") as f:
            text = f.read()
    except OSError:
        return DEFAULT_RESULT
    if re.search(r"(?im)^\s*CheckinResult\s*$", text):
        return text
    return DEFAULT_RESULT + text


class Signer:
    """Signs answers with the publisher's private key (python3-cryptography)."""

    def __init__(self, pem_path):
        from cryptography.hazmat.primitives import hashes, serialization
        from cryptography.hazmat.primitives.asymmetric import ec, utils
        with open(pem_path, "rb") as f:
            self.key = serialization.load_pem_private_key(f.read(), password=None)
        if not isinstance(self.key, ec.EllipticCurvePrivateKey) or self.key.curve.name != "secp256r1":
            raise SystemExit("--key: not an ECDSA P-256 private key")
        self._hashes, self._ec, self._utils = hashes, ec, utils
        point = self.key.public_key().public_bytes(serialization.Encoding.X962,
                                                   serialization.PublicFormat.UncompressedPoint)
        self.public_text = base64.b64encode(point).decode()
        self.last = None  # (body, signature) of the previous signed answer
        self.lock = threading.Lock()

    def sign(self, nonce, body):
        der = self.key.sign(nonce + b"\n" + body, self._ec.ECDSA(self._hashes.SHA256()))
        r, s = self._utils.decode_dss_signature(der)
        return base64.b64encode(r.to_bytes(32, "big") + s.to_bytes(32, "big")).decode()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # quiet
        pass

    def append(self, name, line):
        with self.server.log_lock, open(os.path.join(self.server.state, name), "a", encoding="latin-1") as f:
            f.write(line + "\n")

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        if self.path.split("?")[0] != CHECKIN_PATH:
            return self.answer(404, b"not found")
        self.append("requests.log", body.decode("latin-1"))
        scripted = self.server.script.next()
        if scripted is None:
            scripted = {"status": 200, "body": catalogue_answer(self.server.state)}
        answer = scripted.get("body", "").encode("latin-1")
        signature = self.signature(body, answer, scripted.get("signature"))
        if signature and signature[0] is not None:
            answer = signature[0]
        return self.answer(int(scripted.get("status", 200)), answer, chunked=bool(scripted.get("chunked")),
                           close_after=scripted.get("close_after"), signature=signature and signature[1])

    def signature(self, request, answer, fault):
        """(body to send instead or None, header value) for a request with a nonce, else None."""
        signer = self.server.signer
        match = NONCE_RE.search(request)
        if signer is None or match is None or fault == "omit":
            return None
        with signer.lock:
            if fault == "replay" and signer.last is not None:
                return signer.last
            header = signer.sign(match.group(1), answer)
            signer.last = (answer, header)
        if fault == "tamper" and answer:
            answer = bytes([answer[0] ^ 0x20]) + answer[1:]
            return (answer, header)
        return (None, header)

    def do_GET(self):
        self.serve_file(head=False)

    def do_HEAD(self):
        self.serve_file(head=True)

    def serve_file(self, head):
        self.append("served.log", "%s %s %s" % (self.command, self.path, self.headers.get("Range", "-")))
        if not self.path.startswith("/files/"):
            return self.answer(404, b"not found")
        root = os.path.realpath(os.path.join(self.server.state, "files"))
        path = os.path.realpath(os.path.join(root, self.path[len("/files/"):].split("?")[0]))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            return self.answer(404, b"not found")
        size = os.path.getsize(path)
        start, end, status = 0, size - 1, 200
        match = re.fullmatch(r"bytes=(\d+)-(\d*)", self.headers.get("Range", "").strip())
        if match:
            start = int(match.group(1))
            if start >= size:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if match.group(2):
                end = min(int(match.group(2)), size - 1)
            status = 206
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(end - start + 1))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        self.end_headers()
        if head:
            return
        with open(path, "rb") as f:
            f.seek(start)
            left = end - start + 1
            while left > 0:
                chunk = f.read(min(65536, left))
                if not chunk:
                    break
                self.wfile.write(chunk)
                left -= len(chunk)

    def answer(self, status, body, chunked=False, close_after=None, signature=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        if signature:
            self.send_header("X-ZUL-Signature", signature)
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if close_after is not None:
            self.wfile.write(body[: int(close_after)])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        if chunked:
            for i in range(0, len(body), 100):
                piece = body[i:i + 100]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state", required=True, help="state directory")
    parser.add_argument("--port", type=int, default=0, help="port (0: any free one)")
    parser.add_argument("--key", help="ECDSA P-256 private key (PEM) that signs answers to requests with a nonce")
    parser.add_argument("--tls-cert", help="certificate chain (PEM): serve https")
    parser.add_argument("--tls-key", help="private key of --tls-cert (PEM)")
    args = parser.parse_args()
    os.makedirs(os.path.join(args.state, "files"), exist_ok=True)
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.state = args.state
    server.script = Script(os.path.join(args.state, "script.json"))
    server.log_lock = threading.Lock()
    server.signer = Signer(args.key) if args.key else None
    if server.signer:
        with open(os.path.join(args.state, "publisher.key"), "w") as f:
            f.write(server.signer.public_text)
    if args.tls_cert:
        import ssl
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(os.path.join(args.state, "port"), "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
