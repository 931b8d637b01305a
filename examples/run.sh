#!/usr/bin/env bash
# Builds sarv and starts it on the bundled example user directory (build/user). Examples missing
# from that directory are added; files already there, including your own, are kept.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j2 --target sarv make_examples
build/make_examples examples "$PWD/build/user"
# The program looks for murn.ini next to itself; it names the user directory. A directory chosen
# later with R on the main menu is kept.
[ -f build/murn.ini ] || echo "$PWD/build/user" > build/murn.ini
exec build/sarv
