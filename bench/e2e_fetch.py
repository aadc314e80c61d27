#!/usr/bin/env python3
"""End-to-end benchmark of fetching: `pelmo collect` beside curl's parallel transfers.

Starts bench's page server (GBK list pages of about 30 KB, 20 entries each, keep-alive) on
127.0.0.1 and measures, each beside its peer in the same run:

  1. PAGES pages as fast as the server answers: `pelmo collect` with its default limits, beside
     `curl --parallel --parallel-max 16` fetching the same pages into files followed by the same
     extraction in perl (cut between the markers, line breaks and tabs removed, double spaces
     halved, the default rule as a case-insensitive regex). Pages per second and peak memory.
  2. 200 pages from a server that answers each request after 50 ms: `pelmo collect` with
     --per-host 16 (limit 320 pages/s), with the defaults (4 per host: limit 80 pages/s) and one
     page at a time (--per-host 1 --jobs 1).
  3. one page of 200 MiB with a rule that matches nothing, in GBK and in UTF-8: the peak memory
     beside the size.

    bench/e2e_fetch.py [--pages 1000] [--big-page-mb 200] [--build build]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

PERL_EXTRACT = r'''
my $rows = 0;
for my $file (@ARGV) {
  local $/; open(my $in, "<", $file) or die; my $page = <$in>; close $in;
  my $from = index($page, "list-item"); next if $from < 0; $from += length("list-item");
  my $to = index($page, "</html>", $from); next if $to < 0;
  $page = substr($page, $from, $to - $from);
  $page =~ s/[\r\n\t]//g; $page =~ s/  / /g;
  while ($page =~ /<li> <a href="(.*?)\/(\d*).html" title="(.*?)"> <span .*?<\/li>/gi) {
    print "$1\t$2\t$3\t$file\n"; $rows++;
  }
}
print STDERR "$rows\n";
'''


class PageServer:
    def __init__(self, binary, pages, delay_ms):
        self.process = subprocess.Popen([binary, str(pages), str(delay_ms)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.port = int(self.process.stdout.readline())

    def url(self, n, utf8=False):
        return "http://127.0.0.1:%d%s/list_%d.html" % (self.port, "/utf8" if utf8 else "", n)

    def page_url(self, name, utf8=False):
        return "http://127.0.0.1:%d%s/%s" % (self.port, "/utf8" if utf8 else "", name)

    def close(self):
        self.process.stdin.close()
        self.process.wait()


def timed_child(command, stdin_data=None):
    """Runs a command, returns (seconds, peak resident MiB, stdout bytes, stderr bytes, status)."""
    started = time.perf_counter()
    process = subprocess.Popen(command, stdin=subprocess.PIPE if stdin_data else subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = b"", b""
    if stdin_data:
        process.stdin.write(stdin_data)
        process.stdin.close()
    out = process.stdout.read()
    err = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - started
    return elapsed, usage.ru_maxrss / 1024.0, out, err, os.waitstatus_to_exitcode(status)


def pelmo_run(pelmo, urls_file, options):
    seconds, peak, out, err, status = timed_child([pelmo, "collect", "--separator", "\t", "--urls", urls_file] + options)
    if status != 0:
        sys.stderr.write(err.decode("utf-8", "replace")[-2000:])
        sys.exit("pelmo collect failed with status %d" % status)
    return seconds, peak, out.count(b"\r\n")


def curl_perl_run(server, pages, folder, utf8=False):
    config = os.path.join(folder, "curl.cfg")
    with open(config, "w") as f:
        for n in range(1, pages + 1):
            f.write('url = "%s"\noutput = "%s"\n' % (server.url(n, utf8), os.path.join(folder, "p%d.html" % n)))
    curl_seconds, curl_peak, _, err, status = timed_child(
        ["curl", "--silent", "--show-error", "--parallel", "--parallel-max", "16", "-K", config])
    if status != 0:
        sys.exit("curl failed: " + err.decode())
    files = [os.path.join(folder, "p%d.html" % n) for n in range(1, pages + 1)]
    perl_seconds, perl_peak, out, err, status = timed_child(["perl", "-e", PERL_EXTRACT] + files)
    if status != 0:
        sys.exit("perl failed: " + err.decode())
    return curl_seconds + perl_seconds, max(curl_peak, perl_peak), out.count(b"\n")


def write_urls(server, pages, folder, name, utf8=False):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        for n in range(1, pages + 1):
            f.write(server.url(n, utf8) + "\n")
    return path


def report(label, pages, seconds, peak, rows, expected):
    check = "" if rows == expected else "  (rows %d, expected %d)" % (rows, expected)
    print("%-44s %7.0f pages/s  %6.1f MiB%s" % (label, pages / seconds, peak, check))
    return pages / seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=1000)
    parser.add_argument("--big-page-mb", type=int, default=200)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    args = parser.parse_args()
    pelmo = os.path.join(args.build, "pelmo")
    page_server = os.path.join(args.build, "bench", "page_server")

    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as folder:
        print("1. %d pages, answered at once" % args.pages)
        server = PageServer(page_server, args.pages, 0)
        urls = write_urls(server, args.pages, folder, "fast.txt")
        s, peak, rows = pelmo_run(pelmo, urls, [])
        ours = report("pelmo collect (defaults: 4 per host, 16 jobs)", args.pages, s, peak, rows, args.pages * 20)
        s, peer_peak, rows = curl_perl_run(server, args.pages, folder)
        peer = report("curl --parallel-max 16, then perl", args.pages, s, peer_peak, rows, args.pages * 20)
        print("%-44s %7.2fx speed, %.2fx memory" % ("pelmo / peer", ours / peer, peak / peer_peak))
        server.close()

        print("2. 200 pages, each answered after 50 ms")
        server = PageServer(page_server, 200, 50)
        urls = write_urls(server, 200, folder, "slow.txt")
        for label, options in (("pelmo collect --per-host 16 (limit 320)", ["--per-host", "16"]),
                               ("pelmo collect defaults (limit 80)", []),
                               ("pelmo collect --per-host 1 --jobs 1 (limit 20)", ["--per-host", "1", "--jobs", "1"])):
            s, peak, rows = pelmo_run(pelmo, urls, options)
            report(label, 200, s, peak, rows, 200 * 20)
        server.close()

        print("3. one page of %d MiB that the rule does not match (no markers)" % args.big_page_mb)
        server = PageServer(page_server, 1, 0)
        for label, utf8, options in (("pelmo collect, GBK page", False, []),
                                     ("pelmo collect --utf8, UTF-8 page", True, ["--utf8"])):
            s, peak, _, err, status = timed_child([pelmo, "collect", "--before", "", "--after", ""] + options +
                                                  [server.page_url("big_%d.html" % args.big_page_mb, utf8)])
            if status != 0:
                sys.exit("pelmo collect failed: " + err.decode("utf-8", "replace")[-500:])
            print("%-44s %7.1f s     %6.1f MiB peak = %.2fx the page" % (label, s, peak, peak / args.big_page_mb))
        server.close()


if __name__ == "__main__":
    main()
