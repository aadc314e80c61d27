#!/usr/bin/env python3
"""End-to-end benchmark of fetching: `pelmo collect` beside curl's parallel transfers.

Starts bench's page server (GBK list pages of about 30 KB, 20 entries each, keep-alive) on
127.0.0.1 and measures, each beside its peer in the same run:

  1. PAGES pages as fast as the server answers: `pelmo collect` with its default limits, beside
     `curl --parallel --parallel-max 16` fetching the same pages into files followed by the same
     extraction in perl (cut between the markers, line breaks and tabs removed, double spaces
     halved, the default rule as a case-insensitive regex). Pages per second and peak memory; the
     shared libraries `pelmo collect` maps while it runs (read from /proc/PID/maps), which must
     hold no Qt and no display library.
  2. 200 pages from a server that answers each request after 50 ms: `pelmo collect` with
     --per-host 16 (limit 320 pages/s), with the defaults (4 per host: limit 80 pages/s) and one
     page at a time (--per-host 1 --jobs 1).
  3. one page of 200 MiB with a rule that matches nothing, in GBK and in UTF-8: the peak memory
     beside the size.
  4. one page answered after 20 s followed by 40 pages of 200 MiB (one row each): the peak memory
     beside the budget for what is held ahead of the page in hand (512 MiB).
  5. 16 pages that stall (a head and a few bytes, then silence until the 30 s inactivity limit),
     with --per-host 16: each is asked twice; the time beside one and two inactivity limits.
  6. PAGES pages as in 1, with and without --store (the store on disk, not in /dev/shm), REPEATS
     times each by turns (3 unless given): the best pages per second of each (goal: the store at most 10 % slower),
     the least CPU time of each, and the store's size per 1,000 records; then the 200 pages of 2
     answered after 50 ms with the default limits, with and without --store.

    bench/e2e_fetch.py [--pages 1000] [--big-page-mb 200] [--build build] [--pelmo PATH]
                       [--cases 1,2,3,4,5,6] [--repeats 3]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

# Libraries a program without a window must never map.
GNU_TIME = "/usr/bin/time"
DISPLAY_LIBRARIES = re.compile(r"libQt6|libX11|libGL|libfontconfig|libxcb")

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


def measured_pid(time_pid):
    """The process GNU time started, once it has: time's only child."""
    try:
        with open("/proc/%d/task/%d/children" % (time_pid, time_pid)) as children:
            pids = children.read().split()
        return int(pids[0]) if pids else None
    except OSError:
        return None


def watch_maps(time_pid, libraries, running):
    """Adds the shared libraries the measured process maps to the set, every 20 ms while it runs."""
    while running.is_set():
        pid = measured_pid(time_pid)
        if pid is None:
            time.sleep(0.005)
            continue
        try:
            with open("/proc/%d/maps" % pid) as maps:
                for line in maps:
                    fields = line.split()
                    if len(fields) >= 6 and ".so" in fields[5]:
                        libraries.add(os.path.basename(fields[5]))
        except OSError:
            return
        time.sleep(0.02)


def timed_child(command, stdin_data=None, libraries=None):
    """Runs a command, returns (seconds, peak resident MiB, stdout bytes, stderr bytes, status).
    With a set for libraries, the shared libraries the command maps while it runs go into it.

    The peak comes from GNU time, which starts the command: a child of this script would report
    at least this script's own peak, which Linux hands on to a child through fork and exec."""
    if not os.path.exists(GNU_TIME):
        sys.exit("%s is missing: apt-get install time" % GNU_TIME)
    peak_file = tempfile.NamedTemporaryFile(prefix="peak", delete=False)
    peak_file.close()
    started = time.perf_counter()
    process = subprocess.Popen([GNU_TIME, "-f", "%M", "-o", peak_file.name] + command,
                               stdin=subprocess.PIPE if stdin_data else subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    running = threading.Event()
    running.set()
    watcher = None
    if libraries is not None:
        watcher = threading.Thread(target=watch_maps, args=(process.pid, libraries, running))
        watcher.start()
    out, err = b"", b""
    if stdin_data:
        process.stdin.write(stdin_data)
        process.stdin.close()
    err_reader = threading.Thread(target=lambda: setattr(process, "err_bytes", process.stderr.read()))
    err_reader.start()
    out = process.stdout.read()
    err_reader.join()
    err = process.err_bytes
    running.clear()
    if watcher:
        watcher.join()
    _, status, _ = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - started
    with open(peak_file.name) as report:
        # A command that dies of a signal leaves a line about it before the figure.
        peak_kib = int(report.read().split()[-1])
    os.unlink(peak_file.name)
    return elapsed, peak_kib / 1024.0, out, err, os.waitstatus_to_exitcode(status)


def pelmo_run(pelmo, urls_file, options, allowed_status=(0,), libraries=None):
    seconds, peak, out, err, status = timed_child([pelmo, "collect", "--separator", "\t", "--urls", urls_file] + options,
                                                  libraries=libraries)
    if status not in allowed_status:
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
    return write_lines([server.url(n, utf8) for n in range(1, pages + 1)], folder, name)


def write_lines(urls, folder, name):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        for url in urls:
            f.write(url + "\n")
    return path


def report(label, pages, seconds, peak, rows, expected):
    check = "" if rows == expected else "  (rows %d, expected %d)" % (rows, expected)
    print("%-44s %7.0f pages/s  %6.1f MiB%s" % (label, pages / seconds, peak, check))
    return pages / seconds


def fast_pages(pelmo, page_server, pages, folder):
    print("1. %d pages, answered at once" % pages)
    server = PageServer(page_server, pages, 0)
    urls = write_urls(server, pages, folder, "fast.txt")
    libraries = set()
    s, peak, rows = pelmo_run(pelmo, urls, [], libraries=libraries)
    ours = report("pelmo collect (defaults: 4 per host, 16 jobs)", pages, s, peak, rows, pages * 20)
    s, peer_peak, rows = curl_perl_run(server, pages, folder)
    peer = report("curl --parallel-max 16, then perl", pages, s, peer_peak, rows, pages * 20)
    print("%-44s %7.2fx speed, %.2fx memory (goal at most 2x)" % ("pelmo / peer", ours / peer, peak / peer_peak))
    display = sorted(name for name in libraries if DISPLAY_LIBRARIES.search(name))
    print("%-44s %7d shared libraries, %s" % ("pelmo collect maps", len(libraries),
                                             "none of Qt or a display" if not display else ", ".join(display)))
    server.close()
    if display:
        sys.exit("pelmo collect maps Qt or display libraries: " + ", ".join(display))


def slow_server(pelmo, page_server, folder):
    print("2. 200 pages, each answered after 50 ms")
    server = PageServer(page_server, 200, 50)
    urls = write_urls(server, 200, folder, "slow.txt")
    for label, options in (("pelmo collect --per-host 16 (limit 320)", ["--per-host", "16"]),
                           ("pelmo collect defaults (limit 80)", []),
                           ("pelmo collect --per-host 1 --jobs 1 (limit 20)", ["--per-host", "1", "--jobs", "1"])):
        s, peak, rows = pelmo_run(pelmo, urls, options)
        report(label, 200, s, peak, rows, 200 * 20)
    server.close()


def big_page(pelmo, page_server, big_page_mb):
    print("3. one page of %d MiB that the rule does not match (no markers), GBK and UTF-8" % big_page_mb)
    server = PageServer(page_server, 1, 0)
    for label, utf8, options in (("pelmo collect, GBK page", False, []),
                                 ("pelmo collect --utf8, UTF-8 page", True, ["--utf8"])):
        s, peak, _, err, status = timed_child([pelmo, "collect", "--before", "", "--after", ""] + options +
                                              [server.page_url("big_%d.html" % big_page_mb, utf8)])
        if status != 0:
            server.close()
            sys.exit("pelmo collect failed: " + err.decode("utf-8", "replace")[-500:])
        print("%-44s %7.1f s     %6.1f MiB peak = %.2fx the page" % (label, s, peak, peak / big_page_mb))
    server.close()


def slow_page_then_big_pages(pelmo, page_server, folder, big_pages=40, big_page_mb=200):
    print("4. one page answered after 20 s, then %d pages of %d MiB (no markers)" % (big_pages, big_page_mb))
    server = PageServer(page_server, 1, 0)
    base = "http://127.0.0.1:%d" % server.port
    urls = write_lines([base + "/slow_20000_1.html"] +
                       [base + "/bigone_%d.html?p=%d" % (big_page_mb, n) for n in range(big_pages)], folder, "big.txt")
    s, peak, rows = pelmo_run(pelmo, urls, ["--before", "", "--after", ""])
    server.close()
    check = "" if rows == 20 + big_pages else "  (rows %d, expected %d)" % (rows, 20 + big_pages)
    print("%-44s %7.1f s     %6.0f MiB peak (budget ahead 512 MiB)%s" % ("pelmo collect", s, peak, check))


def stalled_pages(pelmo, page_server, folder, pages=16):
    print("5. %d pages that stall after a few bytes, --per-host 16 (inactivity limit 30 s)" % pages)
    server = PageServer(page_server, 1, 0)
    urls = write_lines(["http://127.0.0.1:%d/stall_%d.html" % (server.port, n) for n in range(pages)], folder,
                       "stalled.txt")
    s, peak, rows = pelmo_run(pelmo, urls, ["--per-host", "16"], allowed_status=(3,))
    server.close()
    print("%-44s %7.1f s     (two attempts each: 60 s in parallel, %d s one after the other)" %
          ("pelmo collect", s, 30 * (pages + 1)))


def stored_run(pelmo, page_server, pages, folder, repeats=3):
    print("6. %d pages, answered at once, with and without --store" % pages)
    server = PageServer(page_server, pages, 0)
    urls = write_urls(server, pages, folder, "stored.txt")
    best = {"without": 0.0, "with": 0.0}
    cpu = {"without": float("inf"), "with": float("inf")}
    size = 0
    with tempfile.TemporaryDirectory() as disk:
        for _ in range(repeats):
            for label in ("without", "with"):
                store = os.path.join(disk, "run.pelmo.sqlite")
                if os.path.exists(store):
                    os.remove(store)
                options = ["--store", store] if label == "with" else []
                before = os.times()
                s, peak, rows = pelmo_run(pelmo, urls, options)
                after = os.times()
                if rows != pages * 20:
                    sys.exit("pelmo collect %s --store gave %d rows, expected %d" % (label, rows, pages * 20))
                best[label] = max(best[label], pages / s)
                cpu[label] = min(cpu[label], after.children_user + after.children_system -
                                 before.children_user - before.children_system)
                if label == "with":
                    size = os.path.getsize(store)
    server.close()
    for label in ("without", "with"):
        print("%-44s %7.0f pages/s (best of %d), %5.0f ms CPU (least)" %
              ("pelmo collect, %s --store" % label, best[label], repeats, 1000 * cpu[label]))
    print("%-44s %7.1f %% slower (goal at most 10 %%), %+.0f ms CPU" %
          ("with / without", 100.0 * (1 - best["with"] / best["without"]), 1000 * (cpu["with"] - cpu["without"])))
    print("%-44s %7.0f KiB per 1,000 records (%d records, %d bytes)" %
          ("store size", size / 1024.0 / (pages * 20 / 1000.0), pages * 20, size))
    server = PageServer(page_server, 200, 50)
    urls = write_urls(server, 200, folder, "stored_slow.txt")
    with tempfile.TemporaryDirectory() as disk:
        for label, options in (("without", []), ("with", ["--store", os.path.join(disk, "slow.pelmo.sqlite")])):
            s, peak, rows = pelmo_run(pelmo, urls, options)
            report("200 pages after 50 ms each, %s --store" % label, 200, s, peak, rows, 200 * 20)
    server.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=1000)
    parser.add_argument("--big-page-mb", type=int, default=200)
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--pelmo", help="the pelmo to measure (default: the build's)")
    parser.add_argument("--cases", default="1,2,3,4,5,6", help="which cases to run, for example 4,5")
    parser.add_argument("--repeats", type=int, default=3,
                        help="runs with and without --store in case 6 (more give steadier figures on a busy machine)")
    args = parser.parse_args()
    pelmo = args.pelmo or os.path.join(args.build, "pelmo")
    page_server = os.path.join(args.build, "bench", "page_server")
    cases = {int(case) for case in args.cases.split(",")}

    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as folder:
        if 1 in cases:
            fast_pages(pelmo, page_server, args.pages, folder)
        if 2 in cases:
            slow_server(pelmo, page_server, folder)
        if 3 in cases:
            big_page(pelmo, page_server, args.big_page_mb)
        if 4 in cases:
            slow_page_then_big_pages(pelmo, page_server, folder)
        if 5 in cases:
            stalled_pages(pelmo, page_server, folder)
        if 6 in cases:
            stored_run(pelmo, page_server, args.pages, folder, args.repeats)


if __name__ == "__main__":
    main()
