#!/usr/bin/env python3
"""Writes the benchmark product of many small files: FOLDERS folders of FILES files each, 0 to 200
bytes, the same bytes on every run, with its description.

    make_many_files.py DIR [--folders 100] [--files 1000]

Writes DIR/files/dNNN/fNNNN.txt (the folders and the files of each in name order, which is the
order instpack's tree walk takes them in), DIR/uninst.exe (a few bytes, installed after the tree),
DIR/product.toml and DIR/files.txt (every file, one path a line). Prints the number of files and
their bytes. The sizes are spread evenly over 0-200 bytes; the bytes are lines of words from a
small vocabulary, as short text files hold, from a seeded generator.
"""

import argparse
import os
import random
import shutil
import sys

WORDS = ("alpha beta gamma delta path value name size index entry folder file data text line key "
         "option true false none default local remote cache version module package").split()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dir")
    parser.add_argument("--folders", type=int, default=100)
    parser.add_argument("--files", type=int, default=1000)
    args = parser.parse_args()
    generator = random.Random(20240601)
    shutil.rmtree(args.dir, ignore_errors=True)
    names = []
    total = 0
    for folder in range(args.folders):
        path = os.path.join(args.dir, "files", f"d{folder:03d}")
        os.makedirs(path)
        for index in range(args.files):
            size = generator.randrange(201)
            text = ""
            while len(text) < size:
                text += " ".join(generator.choice(WORDS) for _ in range(generator.randrange(2, 9))) + "\n"
            name = f"f{index:04d}.txt"
            with open(os.path.join(path, name), "wb") as f:
                f.write(text[:size].encode())
            names.append(f"files/d{folder:03d}/{name}")
            total += size
    with open(os.path.join(args.dir, "uninst.exe"), "wb") as f:
        f.write(b"MZ many")
    names.append("uninst.exe")
    with open(os.path.join(args.dir, "files.txt"), "w") as f:
        f.write("".join(name + "\n" for name in names))
    with open(os.path.join(args.dir, "product.toml"), "w") as f:
        f.write('# Benchmark product written by make_many_files.py; do not edit.\n'
                'groupName = "Many"\nappTitle = "Many"\niniFileName = "many.ini"\n'
                'offerStartupGroup = 0\nstartupPrompt = ""\nmainExecutable = "uninst.exe"\n'
                'files = [\n  { tree = "files", into = "files" },\n  "uninst.exe",\n]\n')
    print(f"files {len(names)}\nbytes {total + len(b'MZ many')}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
