#!/usr/bin/env python3
"""A stand-in for the MusicBrainz web service on loopback, for the end-to-end
test and the handler-time benchmark: every discid lookup finds one release of
the disc that was asked for, named ALBUM by ARTIST with a title for each of
TRACKS tracks. It prints its port on the first line and writes each
request's path to LOG. With SECONDS, a slow server: the answer trickles out
over that many seconds.
Usage: names_server.py ALBUM ARTIST TRACKS LOG [SECONDS]"""
import http.server
import json
import sys
import time
import urllib.parse

album, artist, tracks, log_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
trickle_seconds = float(sys.argv[5]) if len(sys.argv) > 5 else 0.0
PIECES = 20


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        path = urllib.parse.urlparse(self.path).path
        prefix = "/ws/2/discid/"
        if not path.startswith(prefix):
            self.send_error(404)
            return
        disc_id = path[len(prefix):]
        release = {
            "id": "00000000-0000-4000-8000-000000000001",
            "title": album,
            "date": "2026",
            "country": "XW",
            "artist-credit": [{"name": artist, "joinphrase": ""}],
            "media": [{
                "position": 1,
                "format": "CD",
                "discs": [{"id": disc_id}],
                "tracks": [{"position": n, "number": str(n), "title": "Found %d" % n}
                           for n in range(1, tracks + 1)],
            }],
        }
        body = json.dumps({"id": disc_id, "releases": [release]}).encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if trickle_seconds <= 0:
            self.wfile.write(body)
            return
        piece = len(body) // PIECES + 1
        for start in range(0, len(body), piece):
            time.sleep(trickle_seconds / PIECES)
            self.wfile.write(body[start:start + piece])
            self.wfile.flush()

    def log_message(self, *arguments):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
