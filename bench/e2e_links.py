#!/usr/bin/env python3
"""End-to-end benchmark of a two-level job: `pelmo collect` beside Scrapy, both at 16 connections.

Starts bench's page server on 127.0.0.1: PAGES list pages (GBK, about 30 KB, 20 entries each)
joined by next-page links, and a detail page of about 10 KB for every entry. Each tool starts
from the first list page, follows the next-page links to the last and every entry's link to its
detail page, and keeps one row per entry: the link, the title, the detail page's author and time.

  pelmo collect   --next-rule, --detail-column/--detail-rule, --per-host 16 --jobs 16
  Scrapy          a spider with response.follow for the next page and each entry,
                  CONCURRENT_REQUESTS = CONCURRENT_REQUESTS_PER_DOMAIN = 16, CSS selectors,
                  run with Debian's python3-scrapy (/usr/bin/scrapy runspider, offline;
                  apt-get install -y --no-install-recommends python3-scrapy)

It prints pages (list and detail), rows, seconds, pages per second and the CPU time (user and
system) of each run, and the load average, which the wall-clock figures depend on.

    bench/e2e_links.py [--pages 100] [--build build] [--pelmo PATH] [--scrapy /usr/bin/scrapy]
                       [--repeat 3]
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

from e2e_fetch import PageServer

SPIDER = r'''
import scrapy


class LinkedList(scrapy.Spider):
    name = "linked"
    custom_settings = {
        "CONCURRENT_REQUESTS": 16,
        "CONCURRENT_REQUESTS_PER_DOMAIN": 16,
        "ROBOTSTXT_OBEY": False,
        "COOKIES_ENABLED": False,
        "TELNETCONSOLE_ENABLED": False,
        "LOG_LEVEL": "ERROR",
        "HTTPCACHE_ENABLED": False,
        "RETRY_ENABLED": False,
    }

    def __init__(self, start="", **kwargs):
        super().__init__(**kwargs)
        self.start_urls = [start]

    def parse(self, response):
        for entry in response.css("ul.list-item li a"):
            yield response.follow(entry.attrib["href"], self.parse_detail,
                                  cb_kwargs={"link": entry.attrib["href"], "title": entry.attrib["title"],
                                             "page": response.url})
        next_page = response.css("a.next::attr(href)").get()
        if next_page:
            yield response.follow(next_page, self.parse)

    def parse_detail(self, response, link, title, page):
        yield {"link": link, "title": title, "page": page,
               "author": response.css("span.author::text").get(),
               "time": response.css("span.time::text").get()}
'''


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, **kwargs):
    """Runs the command; its result, wall seconds and CPU seconds (user and system)."""
    cpu = children_cpu()
    started = time.perf_counter()
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)
    return run, (time.perf_counter() - started, children_cpu() - cpu)


def run_pelmo(pelmo, start, pages):
    rule = '<li> <a href="[var:链接]" title="[var:标题]">'
    detail = ('<span class="author">[var:作者]</span> <span class="time">[var:时间]</span>')
    run, seconds = timed([pelmo, "collect", "--rule", rule, "--next-rule", '<a class="next" href="[var]">',
                          "--max-next", str(pages), "--detail-column", "链接", "--detail-rule", detail,
                          "--per-host", "16", "--jobs", "16", "--format", "tsv", start])
    if run.returncode != 0:
        sys.stderr.write(run.stderr.decode("utf-8", "replace")[-2000:])
        sys.exit("pelmo collect failed with status %d" % run.returncode)
    rows = [line.split("\t") for line in run.stdout.decode("utf-8").splitlines()[1:]]
    complete = sum(1 for row in rows if len(row) == 5 and row[3] and row[4])
    return complete, seconds


def run_scrapy(scrapy, start, folder):
    if not os.path.exists(scrapy):
        sys.exit("%s is missing: apt-get install -y --no-install-recommends python3-scrapy" % scrapy)
    spider = os.path.join(folder, "spider.py")
    with open(spider, "w") as f:
        f.write(SPIDER)
    out = os.path.join(folder, "items.jsonl")
    if os.path.exists(out):
        os.remove(out)
    run, seconds = timed([scrapy, "runspider", spider, "-a", "start=" + start, "-O", out + ":jsonlines"],
                         cwd=folder)
    if run.returncode != 0:
        sys.stderr.write(run.stderr.decode("utf-8", "replace")[-2000:])
        sys.exit("scrapy failed with status %d" % run.returncode)
    with open(out, encoding="utf-8") as f:
        items = [json.loads(line) for line in f]
    return sum(1 for item in items if item.get("author") and item.get("time")), seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=100)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--pelmo")
    parser.add_argument("--scrapy", default="/usr/bin/scrapy")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    pelmo = args.pelmo or os.path.join(args.build, "pelmo")
    server = PageServer(os.path.join(args.build, "bench", "page_server"), args.pages, 0)
    start = "http://127.0.0.1:%d/linked_1.html" % server.port
    expected = args.pages * 20
    fetched = args.pages + expected
    print("load average     %s" % " ".join("%.2f" % value for value in os.getloadavg()))
    print("pages            %d list + %d detail, %d rows expected" % (args.pages, expected, expected))
    try:
        with tempfile.TemporaryDirectory() as folder:
            for attempt in range(1, args.repeat + 1):
                for name, run in (("pelmo collect", lambda: run_pelmo(pelmo, start, args.pages)),
                                  ("scrapy", lambda: run_scrapy(args.scrapy, start, folder))):
                    rows, (seconds, cpu) = run()
                    print("%d  %-14s rows %5d  %6.2f s  %6.0f pages/s  cpu %6.2f s" %
                          (attempt, name, rows, seconds, fetched / seconds, cpu), flush=True)
    finally:
        server.close()


if __name__ == "__main__":
    main()
