#!/usr/bin/env python3
"""Times Python's re on the list page of bench_regex, for comparison with Regex::SearchAll.

The page is built here with the same generator as bench/bench_regex.cpp (byte for byte), or read
from a file written by `bench_regex --write-page=PATH`. The expression is the translated default
match rule, compiled with re.IGNORECASE | re.DOTALL over bytes (ASCII-only folding, '.' takes
every byte), and applied with finditer in two ways: keeping every match object, which is the work
SearchAll does (it returns all matches with their groups' positions), and only counting them,
which lets each match object go at once. Times are CPU times of this process, medians of the
repetitions, as Google Benchmark computes its rates from CPU time.

    python3 bench/regex_python.py                 # 10 MB page with 50,000 entries, then 20 MB
    python3 bench/regex_python.py --page=PATH     # a page written by bench_regex
"""

import argparse
import re
import statistics
import time

MEGABYTE = 1024 * 1024

TRANSLATED_DEFAULT_RULE = rb'<li> <a href="(.*?)/(\d*).html" title="(.*?)"> <span .*?</li>'

NEWS_GBK = b"\xD0\xC2\xCE\xC5"

LOREM = b"lorem ipsum dolor sit amet consectetur "


def lorem(length):
    text = LOREM * (length // len(LOREM) + 1)
    return text[:length]


def entry(index):
    return (b'<li> <a href="/news/' + str(2000 + index % 24).encode() + b"/" +
            str(100000 + index).encode() + b'.html" title="' + NEWS_GBK + b" " +
            str(index).encode() + b'"> <span class="date">2023-' +
            str(1 + index % 12).encode() + b"-" + str(1 + index % 28).encode() +
            b"</span></li>")


def list_page(size, entries):
    slot = size // entries
    opening = b'<div class="gap">'
    closing = b"</div>"
    parts = []
    used = 0
    for index in range(entries):
        item = entry(index)
        piece = item + opening + lorem(slot - len(item) - len(opening) - len(closing)) + closing
        parts.append(piece)
        used += len(piece)
    parts.append(lorem(size - used))
    return b"".join(parts)


def kept(expression, page):
    return len(list(expression.finditer(page)))


def counted(expression, page):
    return sum(1 for _ in expression.finditer(page))


def measure(name, page, repetitions):
    expression = re.compile(TRANSLATED_DEFAULT_RULE, re.IGNORECASE | re.DOTALL)
    for way in (kept, counted):
        seconds = []
        matches = 0
        for _ in range(repetitions):
            start = time.process_time()
            matches = way(expression, page)
            seconds.append(time.process_time() - start)
        median = statistics.median(seconds)
        print(f"{name + ' ' + way.__name__:<30} {median * 1000:7.1f} ms  "
              f"{len(page) / MEGABYTE / median:7.1f} MiB/s  "
              f"{matches / median / 1000:7.1f} k matches/s  matches={matches}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", help="read the page from this file instead of building it")
    parser.add_argument("--repetitions", type=int, default=11)
    arguments = parser.parse_args()
    if arguments.page:
        with open(arguments.page, "rb") as file:
            measure("python re (file)", file.read(), arguments.repetitions)
        return
    for megabytes, entries in ((10, 50000), (20, 100000)):
        page = list_page(megabytes * MEGABYTE, entries)
        measure(f"python re {megabytes}/{entries}", page, arguments.repetitions)


if __name__ == "__main__":
    main()
