#!/usr/bin/env python3
"""End-to-end benchmark of `pelmo collect`.

Generates list pages of about 30 KB with 20 entries each (GBK, the default rule's mark-up), serves
them from a loopback HTTP server started here, runs `build/pelmo collect` over all of them and
prints pages/s, rows/s and the peak memory of the pelmo process.

    bench/e2e_collect.py [--pages 1000] [--pelmo build/pelmo]
"""
import argparse
import http.server
import os
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_fetch import timed_child  # noqa: E402

FILLER = "<p class=\"filler\">" + "本栏目提供最新新闻资讯 " * 20 + "</p>\r\n"


def list_page(page_number, entries=20, size=30_000):
    head = ("<html><head><title>新闻列表 第%d页</title></head><body>\r\n" % page_number)
    body = "<ul class=\"list-item\">\r\n"
    for i in range(entries):
        number = page_number * 100 + i
        body += ("<li> <a href=\"/news/2026/%d.html\" title=\"第%d页的第%d条新闻标题\">\t "
                 "<span class=\"date\">2026-12-07</span></li>\r\n" % (number, page_number, i))
    body += "</ul>\r\n"
    page = head + body
    while len(page.encode("gbk")) < size:
        page += FILLER
    return (page + "</body></html>\r\n").encode("gbk")


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=1000)
    parser.add_argument("--pelmo", default=os.path.join(os.path.dirname(__file__), "..", "build", "pelmo"))
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        for n in range(1, args.pages + 1):
            with open(os.path.join(folder, "list_%d.html" % n), "wb") as f:
                f.write(list_page(n))
        handler = lambda *a, **k: QuietHandler(*a, directory=folder, **k)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        port = server.server_address[1]
        threading.Thread(target=server.serve_forever, daemon=True).start()

        urls = os.path.join(folder, "urls.txt")
        with open(urls, "w") as f:
            for n in range(1, args.pages + 1):
                f.write("http://127.0.0.1:%d/list_%d.html\n" % (port, n))

        elapsed, peak_mib, out, err, status = timed_child([args.pelmo, "collect", "--separator", "\t", "--urls", urls])
        server.shutdown()

    if status != 0:
        sys.stderr.write(err.decode("utf-8", "replace"))
        sys.exit("pelmo collect failed with status %d" % status)
    rows = out.count(b"\r\n")
    expected = args.pages * 20
    print("pages            %d" % args.pages)
    print("rows             %d%s" % (rows, "" if rows == expected else "  (expected %d)" % expected))
    print("seconds          %.2f" % elapsed)
    print("pages/s          %.0f" % (args.pages / elapsed))
    print("rows/s           %.0f" % (rows / elapsed))
    print("peak memory      %.1f MiB" % peak_mib)
    if rows != expected:
        sys.exit(1)


if __name__ == "__main__":
    main()
