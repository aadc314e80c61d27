#!/usr/bin/env python3
"""Matching at the speed of memory: `pelmo collect` beside its peers, medians of several runs.

Starts bench's page server on 127.0.0.1 and measures, each beside its peer in the same run:

  1. One list page of 10 MB with 50,000 entries (GBK, then UTF-8): the whole `pelmo collect`
     process, download included, writing its text export to standard output; beside perl and
     Python's re doing the same cut, clean and match on the page read from memory (/dev/shm).
     Seconds and peak memory, and how much of pelmo's peak the page adds to the process's own (the
     peak of the same command on one page of 30 KB: the libraries pelmo loads).
  2. PAGES list pages of about 30 KB at 16 connections (GBK, then UTF-8): `pelmo collect
     --per-host 16 --jobs 16` beside `curl --parallel --parallel-max 16` into files, then perl.
  3. Regex::SearchAll on the template matcher beside the backtracking engine alone
     (build/bench/bench_regex, 10 MiB page with 50,000 entries).

    bench/e2e_pages.py [--runs 5] [--pages 1000] [--records 50000] [--build build] [--pelmo PATH]
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_fetch import PERL_EXTRACT, PageServer, curl_perl_run, timed_child, write_urls  # noqa: E402

PYTHON_EXTRACT = r'''
import re, sys
rule = re.compile(rb'<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>', re.I | re.S)
rows = 0
out = []
for name in sys.argv[1:]:
    page = open(name, "rb").read()
    start = page.find(b"list-item")
    if start < 0:
        continue
    start += len(b"list-item")
    end = page.find(b"</html>", start)
    if end < 0:
        continue
    page = page[start:end]
    for byte in (b"\n", b"\r", b"\t"):
        page = page.replace(byte, b"")
    page = page.replace(b"  ", b" ")
    for match in rule.finditer(page):
        out.append(b"\t".join(match.groups()) + b"\t" + name.encode() + b"\n")
        rows += 1
sys.stdout.buffer.write(b"".join(out))
sys.stderr.write("%d\n" % rows)
'''

def medians(runs, command, check_rows=None):
    """Runs command `runs` times; returns median seconds, median peak MiB and the rows of the last."""
    seconds, peaks, rows = [], [], 0
    for _ in range(runs):
        s, peak, out, err, status = timed_child(command)
        if status not in (0, 3):
            sys.exit("%s failed with status %d: %s" % (command[0], status, err.decode("utf-8", "replace")[-500:]))
        seconds.append(s)
        peaks.append(peak)
        rows = out.count(b"\n")
    if check_rows is not None and rows != check_rows:
        print("    (rows %d, expected %d)" % (rows, check_rows))
    return statistics.median(seconds), statistics.median(peaks), rows


def big_page(args, pelmo, server, folder):
    page_name = "records_%d.html" % args.records
    for encoding, utf8 in (("GBK", False), ("UTF-8", True)):
        url = server.page_url(page_name, utf8)
        path = os.path.join(folder, "big_%s.html" % encoding)
        # The server makes the page on the first request: this one.
        with urllib.request.urlopen(url) as answer, open(path, "wb") as file:
            file.write(answer.read())
        page_mib = os.path.getsize(path) / (1024 * 1024)
        print("1. one list page of %.1f MiB with %d entries, %s" % (page_mib, args.records, encoding))
        options = ["--utf8"] if utf8 else []
        base = [pelmo, "collect", "--format", "text", "--separator", "\t"] + options
        ours, ours_peak, _ = medians(args.runs, base + [url], args.records)
        _, own_peak, _ = medians(args.runs, base + [server.url(1, utf8)])
        perl, perl_peak, _ = medians(args.runs, ["perl", "-e", PERL_EXTRACT, path], args.records)
        python, python_peak, _ = medians(args.runs, [sys.executable, "-c", PYTHON_EXTRACT, path], args.records)
        for label, s, peak in (("pelmo collect (download included)", ours, ours_peak),
                               ("perl, page in memory", perl, perl_peak),
                               ("python re, page in memory", python, python_peak)):
            print("   %-38s %7.0f ms  %6.1f MiB = %4.1fx the page" % (label, s * 1000, peak, peak / page_mib))
        print("   %-38s %7.2fx perl's time; the page adds %.1f MiB = %.1fx the page to the %.1f MiB of a 30 KB page"
              % ("pelmo", ours / perl, ours_peak - own_peak, (ours_peak - own_peak) / page_mib, own_peak))


def many_pages(args, pelmo, server, folder):
    for encoding, utf8 in (("GBK", False), ("UTF-8", True)):
        print("2. %d pages of about 30 KB at 16 connections, %s" % (args.pages, encoding))
        urls = write_urls(server, args.pages, folder, "urls_%s.txt" % encoding, utf8)
        options = ["--per-host", "16", "--jobs", "16"] + (["--utf8"] if utf8 else [])
        ours, ours_peak, _ = medians(args.runs, [pelmo, "collect", "--separator", "\t", "--urls", urls] + options)
        peer_runs = [curl_perl_run(server, args.pages, folder, utf8) for _ in range(args.runs)]
        peer = statistics.median(run[0] for run in peer_runs)
        peer_peak = statistics.median(run[1] for run in peer_runs)
        print("   %-38s %7.0f pages/s  %6.1f MiB" % ("pelmo collect", args.pages / ours, ours_peak))
        print("   %-38s %7.0f pages/s  %6.1f MiB" % ("curl --parallel-max 16, then perl", args.pages / peer, peer_peak))
        print("   %-38s %7.2fx" % ("pelmo / peer", peer / ours))


def search_all(args):
    bench = os.path.join(args.build, "bench", "bench_regex")
    done = subprocess.run([bench, "--benchmark_filter=BM_SearchAll(Backtracking)?/10/",
                           "--benchmark_repetitions=%d" % args.runs, "--benchmark_format=json"],
                          stdout=subprocess.PIPE, check=True)
    print("3. Regex::SearchAll, 10 MiB page with 50,000 entries (median of %d)" % args.runs)
    for result in json.loads(done.stdout)["benchmarks"]:
        if result.get("aggregate_name") != "median":
            continue
        label = "template matcher" if "Backtracking" not in result["name"] else "backtracking engine alone"
        print("   %-38s %7.0f MB/s  %7.1f ms" % (label, result["bytes_per_second"] / 1e6, result["cpu_time"]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--pages", type=int, default=1000)
    parser.add_argument("--records", type=int, default=50000)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--pelmo", help="the pelmo to measure (default: the build's)")
    args = parser.parse_args()
    pelmo = args.pelmo or os.path.join(args.build, "pelmo")
    print("load: %s" % open("/proc/loadavg").read().strip())
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as folder:
        server = PageServer(os.path.join(args.build, "bench", "page_server"), args.pages, 0)
        try:
            big_page(args, pelmo, server, folder)
            many_pages(args, pelmo, server, folder)
        finally:
            server.close()
    search_all(args)


if __name__ == "__main__":
    main()
