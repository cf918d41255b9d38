#!/usr/bin/env python3
"""Serves the files of one folder on 127.0.0.1 over HTTP/1.1, the bodies through sendfile so
that the server never limits a download benchmark. Prints "port=<n>" once it listens, then
serves until it is ended.

    serve.py <folder>
"""
import http.server
import os
import sys


class FileHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive unless the client asks to close
    folder = "."

    def do_GET(self):
        self.answer(with_body=True)

    def do_HEAD(self):
        self.answer(with_body=False)

    def answer(self, with_body):
        name = os.path.basename(self.path.split("?", 1)[0])
        try:
            body = open(os.path.join(self.folder, name), "rb")
        except OSError:
            self.send_error(404)
            return
        with body:
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(os.fstat(body.fileno()).st_size))
            self.end_headers()
            if with_body:
                self.connection.sendfile(body)

    def log_message(self, *args):
        pass


def main():
    FileHandler.folder = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), FileHandler)
    server.daemon_threads = True
    print(f"port={server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
