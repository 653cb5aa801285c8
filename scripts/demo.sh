#!/usr/bin/env bash
# The main job on a fresh machine: builds jpsconv, simulates a ten-minute
# receiver session, converts it (progress bar on a terminal) and shows the
# summary, the station-mark file, the first ephemeris block and the first
# epochs of the KEL file. Everything lands in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
jpsconv=./build/tools/jpsconv

echo "== Building jpsconv (the first build takes a few minutes)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target jpsconv >/dev/null
mkdir -p out

echo
echo "== Simulating a ten-minute session of a GPS/GLONASS receiver"
"$jpsconv" simulate -o out/demo.jps --minutes 10

echo
echo "== Converting out/demo.jps"
status=0
"$jpsconv" convert out/demo.jps --log out/demo.log || status=$?
echo "exit status $status; $(wc -l < out/demo.log) converter messages in out/demo.log, the first:"
head -n 4 out/demo.log

echo
echo "== out/demo.STA (station marks)"
tr -d '\r' < out/demo.STA

echo
echo "== out/demo.epp (header line and first ephemeris block)"
tr -d '\r' < out/demo.epp | sed -n '1,/^}/p'

echo
echo "== out/demo.kel (first two epochs, through jpsconv dump)"
"$jpsconv" dump out/demo.kel --epochs 2
exit "$status"
