#!/usr/bin/env python3
"""A throwaway RFC 3161 time-stamping server on loopback for the release tests: each POSTed
query is answered by `openssl ts -reply` with the configuration given.

Usage: tsa_server.py OPENSSL_CONFIG PORT_FILE
Listens on 127.0.0.1 at a port the system picks, writes that port to PORT_FILE, serves until
killed."""
import http.server
import os
import subprocess
import sys
import tempfile

config, port_file = sys.argv[1:]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length)
        with tempfile.TemporaryDirectory() as folder:
            query_file = os.path.join(folder, "query.tsq")
            reply_file = os.path.join(folder, "reply.tsr")
            with open(query_file, "wb") as f:
                f.write(query)
            result = subprocess.run(
                ["openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                 "-out", reply_file], capture_output=True)
            if result.returncode != 0:
                self.send_error(500, result.stderr.decode(errors="replace").splitlines()[0])
                return
            with open(reply_file, "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(port_file + ".tmp", port_file)
server.serve_forever()
