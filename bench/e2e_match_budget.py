#!/usr/bin/env python3
"""A rule that backtracks without end: how long `pelmo collect` spends on one page, and what it says.

Serves two pages from a loopback HTTP server started here and runs `pelmo collect` with the rule
`(x+x+)+y` on each (no markers): 1,000 records of 24 bytes (24 KB), and the same records repeated
to 5 MiB. Every record is a run of 17 to 20 'x' that no 'y' follows, then "-xxy,": each search for
the next record first tries every start inside the run, at a cost that doubles with each 'x'.
Prints the whole process's time, the rows written and the page's count line.

    bench/e2e_match_budget.py [--pelmo build/pelmo] [--give-up-after 180]
"""
import argparse
import http.server
import os
import subprocess
import threading
import time

RULE = "(x+x+)+y"


def record(index):
    run = 17 + (index * 7) % 4
    return ("x" * run + "-xxy,").ljust(24, ";").encode()


def page(size):
    records = []
    used = 0
    index = 0
    while used < size:
        records.append(record(index))
        used += 24
        index += 1
    return b"".join(records), index


class PageHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    pages = {}

    def do_GET(self):
        body = self.pages.get(self.path)
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def run(pelmo, url, give_up_after):
    started = time.perf_counter()
    try:
        done = subprocess.run([pelmo, "collect", "--rule", RULE, "--before", "", "--after", "",
                               "--separator", "\t", url],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=give_up_after)
    except subprocess.TimeoutExpired:
        return None, 0, ""
    seconds = time.perf_counter() - started
    count_line = [line for line in done.stderr.decode("utf-8", "replace").splitlines() if "取到" in line]
    return seconds, done.stdout.count(b"\r\n"), count_line[-1] if count_line else ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmo", default=os.path.join(os.path.dirname(__file__), "..", "build", "pelmo"))
    parser.add_argument("--give-up-after", type=float, default=180)
    args = parser.parse_args()

    small, small_records = page(24_000)
    big, big_records = page(5 * 1024 * 1024)
    PageHandler.pages = {"/small.html": small, "/big.html": big}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), PageHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    try:
        for label, path, records in (("24 KB page", "/small.html", small_records),
                                     ("5 MiB page", "/big.html", big_records)):
            seconds, rows, line = run(args.pelmo, "http://127.0.0.1:%d%s" % (port, path), args.give_up_after)
            if seconds is None:
                print("%-11s %d records: did not end within %.0f s" % (label, records, args.give_up_after))
                continue
            print("%-11s %d records: %6.1f s, %d rows" % (label, records, seconds, rows))
            print("            %s" % line.replace("http://127.0.0.1:%d" % port, ""))
    finally:
        server.shutdown()


if __name__ == "__main__":
    main()
