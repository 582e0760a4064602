#!/usr/bin/python3
"""The soak benchmark's server, in a process of its own so that the handles and memory the benchmark
measures are the client's alone. Serves the files of a folder, each answer whole and never to be
cached, and appends the path of every request to a log, one line each, so that the benchmark can see
each fetch reach it. Prints the port it listens on, then serves until it is ended."""
import argparse
import os
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", help="the folder whose files are served, by their names")
    parser.add_argument("--log", required=True, help="the file the requested paths are appended to")
    args = parser.parse_args()
    log = open(args.log, "a", buffering=1)
    log_lock = threading.Lock()

    class Handler(BaseHTTPRequestHandler):
        def do_GET(self):
            # Logged before the answer goes, so a client that has its answer finds its request logged.
            with log_lock:
                log.write(self.path + "\n")
            name = self.path.lstrip("/")
            path = os.path.join(args.folder, name)
            body = None
            if name and "/" not in name and "\\" not in name and os.path.isfile(path):
                with open(path, "rb") as f:
                    body = f.read()
            self.send_response(200 if body is not None else 404)
            self.send_header("Content-Type", "text/xml" if body is not None else "text/plain")
            self.send_header("Content-Length", str(len(body or b"")))
            self.send_header("Cache-Control", "no-store")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body or b"")

        def log_message(self, *_):
            pass  # the log above is the one that counts

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
