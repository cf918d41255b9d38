#!/usr/bin/env python3
"""Serves the demo's update descriptor and sample setup program on 127.0.0.1.

Usage: demo_server.py <setup program> ; prints the port it listens on, then serves until killed.
The setup program is padded to about 2 MB (data after the end of an exe does not change what it
runs) and sent slowly enough for the progress dialog to be seen.
"""
import http.server
import sys
import time

SETUP_NAME = "setup_2.1.0.3.exe"
PADDED_SIZE = 2 * 1024 * 1024
CHUNK = 32 * 1024
CHUNK_DELAY = 0.04  # about 800 KB/s

DESCRIPTOR = """<?xml version="1.0" encoding="GBK"?>
<update>
  <ver>2.1.0.3</ver>
  <url>http://127.0.0.1:{port}/files/{name}</url>
  <size>2.0 MB</size>
  <comments>
    <line>1. 新增：文档自动保存，意外关闭也不丢失内容。</line>
    <line>2. 改进：打开大文件的速度提高一倍。</line>
    <line>3. 修复：打印预览中中文字体显示不全的问题。</line>
    <line>4. 修复：若干稳定性问题。</line>
  </comments>
</update>
"""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    setup_program = b""

    def do_GET(self):
        if self.path == "/update.xml":
            body = DESCRIPTOR.format(port=self.server.server_port, name=SETUP_NAME).encode("gbk")
            self.answer(body, "text/xml")
        elif self.path == "/files/" + SETUP_NAME:
            self.answer(self.setup_program, "application/octet-stream", slow=True)
        else:
            self.answer(b"not found", "text/plain", status=404)

    def answer(self, body, content_type, status=200, slow=False):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        for offset in range(0, len(body), CHUNK):
            self.wfile.write(body[offset:offset + CHUNK])
            if slow:
                time.sleep(CHUNK_DELAY)

    def log_message(self, *args):
        pass


def main():
    with open(sys.argv[1], "rb") as program:
        setup = program.read()
    Handler.setup_program = setup + b"\0" * max(0, PADDED_SIZE - len(setup))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_port, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
