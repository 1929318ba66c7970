"""A web server on 127.0.0.1 that answers every request with the status its path begins with
("/503/hub" gets 503), and records each request as one line of JSON in the file it is given:
method, path with query, content type and body. Prints its port; ends when its input closes."""
import json
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

log_path = sys.argv[1]


class Handler(BaseHTTPRequestHandler):
    def answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("latin-1") if length else ""
        record = {"method": self.command, "path": self.path,
                  "type": self.headers.get("Content-Type") or "", "body": body}
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps(record, sort_keys=True) + "\n")
        first = self.path.split("/")[1] if self.path.count("/") > 1 else "200"
        status = int(first) if first.isdigit() else 200
        page = b"" if status == 204 else b"<html>\n\tbad \x01feed\xff " + b"x" * 300 + b"</html>"
        self.send_response(status)
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    do_GET = answer
    do_POST = answer

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
