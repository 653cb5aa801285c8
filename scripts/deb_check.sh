#!/usr/bin/env bash
# Builds the Debian package from the build folder (BUILD_DIR, default build;
# already built), installs it with apt-get, runs the installed jpsconv from
# another folder (its version, and the shared recordings converted two at a
# time, or a simulated session without them), and removes the package again,
# checking that none of its files stays behind. Needs root, dpkg-dev and a
# jpsconv package that is not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
if dpkg-query -W -f='${Status}' jpsconv 2>/dev/null | grep -q 'ok installed'; then
  echo "deb_check: the package jpsconv is installed already; remove it first" >&2
  exit 1
fi
data="$PWD/../shared/data"

rm -f "$build"/jpsconv_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/jpsconv_*.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb: $(dpkg-deb -f "$deb" Package) $version, depends on $(dpkg-deb -f "$deb" Depends)"
apt-get install -y -qq "./$deb" >/dev/null
files=$(dpkg -L jpsconv)
remove() { apt-get remove -y -qq jpsconv >/dev/null; }
trap remove EXIT

jpsconv=/usr/bin/jpsconv
work=$(mktemp -d)
cd "$work"
said=$("$jpsconv" --version)
[ "$said" = "jpsconv $version (jps2kel)" ] ||
  { echo "deb_check: jpsconv --version says $said, the package $version" >&2; exit 1; }
inputs=()
for f in "$data"/receiver-*.jps; do [ -f "$f" ] && inputs+=("$f"); done
if [ ${#inputs[@]} -eq 0 ]; then
  echo "== no shared recordings in $data: a simulated session instead"
  "$jpsconv" simulate -o simulated.jps --minutes 2
  inputs=(simulated.jps)
fi
mkdir out
"$jpsconv" convert "${inputs[@]}" -o out/ -j 2 --no-progress -q
for f in "${inputs[@]}"; do
  name=$(basename "$f" .jps)
  for ext in kel epp STA; do [ -s "out/$name.$ext" ] || { echo "deb_check: no out/$name.$ext" >&2; exit 1; }; done
done
cd / && rm -rf "$work"

trap - EXIT
remove
for f in $files; do
  if [ -f "$f" ]; then echo "deb_check: $f left behind" >&2; exit 1; fi
done
# The ldconfig call of the package's postrm keeps a record until purged.
dpkg --purge jpsconv >/dev/null
echo "== installed, converted from another folder, removed: fine"
