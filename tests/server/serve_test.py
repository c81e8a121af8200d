#!/usr/bin/env python3
"""`zulserver serve` over HTTP, as clients and operators see it.

single:   one process on the embedded store: the check-in path, refusals (wrong method, unknown
          path, body over 1 MiB), /healthz, /metrics, /files/ with byte ranges, the signature
          header only for a nonce.
upstream: two processes on one PostgreSQL database behind nginx (upstream, round robin): fresh
          machines get the same answer from either, an install reported to one is known to the
          other, an import is seen by both within the documented delay.
"""
import argparse
import http.client
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

CHANNEL = "{9D406394-BD56-70FD-BC9D-878734DB1AB6}"
ITEM = "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D51}"
NONCE = "00112233445566778899AABBCCDDEEFF"
HANG_TIMEOUT = 30


def catalogue(version):
    return (
        "FileSet\n{\nGuid={1BE3A785-8017-545C-62F3-D5C10ACC50BD}\nName=Channel Files\nSourceURL=channel.FileSet\n}\n"
        f"Channel\n{{\nGuid={CHANNEL}\nName=Test Channel\nVersion={version}\nOverrideExisting=1\nSubscribe=1\n"
        "FileSets={1BE3A785-8017-545C-62F3-D5C10ACC50BD}\n}\n"
        f"Item\n{{\nGuid={ITEM}\nType={{A1E29D92-F94C-3D9C-CF8D-E58406789B1F}}\nChannel={CHANNEL}\nName=Game\n}}\n")


def body(machine, listed=False, installed=False, nonce=None):
    text = f"clversion=1.1.1&checkintype=2&machineguid={machine}&channels="
    if listed:
        text += f"{CHANNEL},no-distid;"
    text += "&installed="
    if installed:
        text += f"{ITEM},{CHANNEL};"
    if nonce:
        text += "&nonce=" + nonce
    return text


def machine(n):
    return "{%08X-0000-4000-8000-000000000000}" % n


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def request(port, method, path, data=None, headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=HANG_TIMEOUT)
    try:
        connection.request(method, path, body=data, headers=headers or {})
        response = connection.getresponse()
        return response.status, dict(response.getheaders()), response.read()
    finally:
        connection.close()


def checkin(port, text):
    return request(port, "POST", "/zulm/channelcheckin.asp", text.encode())


class Run:
    def __init__(self, zulserver, work):
        self.zulserver = zulserver
        self.work = work
        self.processes = []
        self.failures = 0
        self.passes = 0

    def check(self, condition, what):
        if condition:
            self.passes += 1
        else:
            self.failures += 1
            print("FAILED:", what)

    def tool(self, *args):
        result = subprocess.run([self.zulserver, *args], capture_output=True, text=True, timeout=HANG_TIMEOUT)
        if result.returncode != 0:
            raise RuntimeError(f"zulserver {' '.join(args)}: {result.stderr}")
        return result.stdout

    def serve(self, *args):
        log = open(os.path.join(self.work, f"serve{len(self.processes)}.log"), "w+")
        process = subprocess.Popen([self.zulserver, "serve", "--listen", "127.0.0.1:0", *args], stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        deadline = time.time() + HANG_TIMEOUT
        while time.time() < deadline:
            log.seek(0)
            for line in log:
                if "listening on" in line:
                    return int(line.rsplit(":", 1)[1])
            if process.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("zulserver serve did not start")

    def stop(self):
        for process in self.processes:
            process.terminate()
            try:
                process.wait(timeout=HANG_TIMEOUT)
            except subprocess.TimeoutExpired:
                process.kill()


def data_dir(run, name):
    path = os.path.join(run.work, name)
    os.makedirs(os.path.join(path, "files"))
    with open(os.path.join(path, "files", "channel.FileSet"), "wb") as f:
        f.write(bytes(range(256)) * 4)
    with open(os.path.join(path, "catalogue.txt"), "w") as f:
        f.write(catalogue(1))
    return path


def single(run):
    data = data_dir(run, "data")
    public_key = run.tool("keygen", "--data", data).strip()
    run.check(len(public_key) == 88 and public_key.endswith("="), "keygen prints the 65-byte key in base64")
    run.tool("import", "--data", data, os.path.join(data, "catalogue.txt"))
    port = run.serve("--data", data, "--interval", "90")

    status, headers, answer = checkin(port, body(machine(1), nonce=NONCE))
    text = answer.decode()
    run.check(status == 200 and "Interval=90\r\n" in text, "check-in answered with the interval")
    run.check(f"SourceURL=http://127.0.0.1:{port}/files/channel.FileSet\r\n" in text, "relative SourceURL served under /files/")
    run.check("X-ZUL-Signature" in headers, "signature header for a nonce")
    status, headers, _ = checkin(port, body(machine(2)))
    run.check(status == 200 and "X-ZUL-Signature" not in headers, "no signature without a nonce")

    run.check(request(port, "GET", "/zulm/channelcheckin.asp")[0] == 400, "GET on the check-in path is 400")
    run.check(request(port, "POST", "/zulm/other.asp", b"x")[0] == 400, "unknown path is 400")
    status, _, reason = checkin(port, body(machine(3)) + "x" * (1024 * 1024))
    run.check(status == 400 and reason.count(b"\n") == 1, "body over 1 MiB is 400 with a one-line reason")
    run.check(checkin(port, "machineguid=nothing")[0] == 400, "malformed form is 400")

    status, headers, part = request(port, "GET", "/files/channel.FileSet", headers={"Range": "bytes=256-259"})
    run.check(status == 206 and part == bytes([0, 1, 2, 3]) and headers.get("Content-Range") == "bytes 256-259/1024",
              "byte range is 206 with Content-Range")
    status, headers, _ = request(port, "GET", "/files/channel.FileSet", headers={"Range": "bytes=5000-"})
    run.check(status == 416 and headers.get("Content-Range") == "bytes */1024", "range past the end is 416")
    run.check(request(port, "GET", "/files/channel.FileSet")[2] == bytes(range(256)) * 4, "whole file")
    run.check(request(port, "GET", "/files/..%2Fzul.db")[0] == 404, "no file outside files/")

    run.check(request(port, "GET", "/healthz")[0] == 200, "healthz is 200")
    metrics = request(port, "GET", "/metrics")[2].decode()
    run.check('zulserver_checkins_total{outcome="ok"} 2' in metrics and
              'zulserver_checkins_total{outcome="bad_request"} 3' in metrics and
              "zulserver_answer_seconds_count" in metrics, "metrics count check-ins by outcome")
    report = run.tool("report", "--data", data, "--format", "csv")
    run.check("machines,total,,2" in report, "report counts the machines of accepted check-ins only")


def upstream(run, pg_url_file, nginx):
    with open(pg_url_file) as f:
        cluster = f.read().strip()
    database = f"upstream_{os.getpid()}"
    subprocess.run(["psql", cluster, "-q", "-c", f"CREATE DATABASE {database}"], check=True, capture_output=True,
                   timeout=HANG_TIMEOUT)
    url = cluster.rsplit("/", 1)[0] + "/" + database
    try:
        upstream_checks(run, url, nginx)
    finally:
        run.stop()
        run.processes = []
        subprocess.run(["psql", cluster, "-q", "-c", f"DROP DATABASE IF EXISTS {database}"], capture_output=True,
                       timeout=HANG_TIMEOUT)


def upstream_checks(run, url, nginx):
    a, b = data_dir(run, "a"), data_dir(run, "b")
    run.tool("keygen", "--data", a)
    shutil.copy(os.path.join(a, "signing-key.pem"), b)
    nginx_port = free_port()
    files_url = f"http://127.0.0.1:{nginx_port}/files/"
    run.tool("import", "--data", a, "--db", url, os.path.join(a, "catalogue.txt"))
    port_a = run.serve("--data", a, "--db", url, "--files-url", files_url)
    port_b = run.serve("--data", b, "--db", url, "--files-url", files_url)
    conf = os.path.join(run.work, "nginx.conf")
    with open(conf, "w") as f:
        f.write(f"""daemon off; pid {run.work}/nginx.pid; error_log {run.work}/nginx-error.log;
events {{ worker_connections 256; }}
http {{
  access_log off;
  client_body_temp_path {run.work}/body; proxy_temp_path {run.work}/proxy;
  fastcgi_temp_path {run.work}/fcgi; uwsgi_temp_path {run.work}/uwsgi; scgi_temp_path {run.work}/scgi;
  upstream zulserver {{ server 127.0.0.1:{port_a}; server 127.0.0.1:{port_b}; keepalive 8; }}
  server {{
    listen 127.0.0.1:{nginx_port};
    location /files/ {{ root {a}; }}
    location / {{ proxy_pass http://zulserver; proxy_http_version 1.1; proxy_set_header Connection ""; }}
  }}
}}
""")
    nginx_process = subprocess.Popen([nginx, "-p", run.work, "-c", conf], stderr=subprocess.DEVNULL)
    run.processes.append(nginx_process)
    deadline = time.time() + HANG_TIMEOUT
    while time.time() < deadline:
        try:
            request(nginx_port, "GET", "/healthz")
            break
        except OSError:
            time.sleep(0.05)

    first_a = checkin(port_a, body(machine(10)))[2]
    first_b = checkin(port_b, body(machine(11)))[2]
    run.check(first_a == first_b and b"Item" in first_a, "fresh machines get the same answer from either process")
    run.check(f"SourceURL={files_url}channel.FileSet".encode() in first_a, "relative SourceURL under --files-url")
    run.check(request(nginx_port, "GET", "/files/channel.FileSet", headers={"Range": "bytes=0-1"})[0] == 206,
              "nginx serves the archives with ranges")

    # Installed reported to A is known to B; through nginx both answer in turn.
    checkin(port_a, body(machine(10), listed=True, installed=True))
    run.check(b"Item" not in checkin(port_b, body(machine(10), listed=True))[2], "install reported to one known to the other")
    answers = [checkin(nginx_port, body(machine(12), listed=True, nonce=NONCE)) for _ in range(4)]
    run.check(all(s == 200 and "X-ZUL-Signature" in h for s, h, _ in answers), "signed answers through nginx")

    with open(os.path.join(a, "catalogue.txt"), "w") as f:
        f.write(catalogue(2))
    run.tool("import", "--data", a, "--db", url, os.path.join(a, "catalogue.txt"))
    deadline = time.time() + HANG_TIMEOUT
    seen = set()
    while time.time() < deadline and len(seen) < 2:
        for index, port in enumerate((port_a, port_b)):
            if b"Version=2" in checkin(port, body(machine(20 + index), listed=True))[2]:
                seen.add(port)
        time.sleep(0.2)
    run.check(len(seen) == 2, "an import is seen by both processes")
    report = run.tool("report", "--data", a, "--db", url, "--format", "csv")
    run.check(f"installs,{ITEM} Game,,1" in report, "one install counted")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["single", "upstream"])
    parser.add_argument("--zulserver", required=True)
    parser.add_argument("--pg-url-file")
    parser.add_argument("--nginx", default="/usr/sbin/nginx")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="zulserver-serve-")
    os.chmod(work, 0o755)  # nginx's workers read the archives
    run = Run(args.zulserver, work)
    try:
        if args.mode == "single":
            single(run)
        else:
            upstream(run, args.pg_url_file, args.nginx)
    finally:
        run.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{run.passes} passed, {run.failures} failed")
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
