# Sourced by .ci/run: installs what every test needs, then each optional group
# of tools on its own, so that a group the mirrors cannot deliver today costs
# only its own tests (they skip, naming the group), never the run.
#
# JPS_CI_BREAK_GROUP names groups (separated by spaces) whose package names
# are made unavailable, for a dry run of that path: apt is asked for them even
# when the group's tools are installed, fails, and the group counts as missing.

# Optional groups, in the order they are installed, and what each holds.
optional_groups=(wine32 wine64 clang rtklib rsvg chromium packaging)
# The Windows build: the i686 compiler and binutils build the 32-bit DLL
# wherever the wine tests run, so both wine groups hold them.
mingw_i686="gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686"
declare -A group_packages=(
  [wine32]="wine wine32:i386 $mingw_i686"
  [wine64]="wine wine64 $mingw_i686 gcc-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-win32"
  [clang]="clang-14 libclang-rt-14-dev"
  [rtklib]="rtklib"
  [rsvg]="librsvg2-bin"
  [chromium]="chromium"
  [packaging]="dpkg-dev groff-base"
)
declare -A group_use=(
  [wine32]="the 32-bit Windows DLL run under wine"
  [wine64]="the 64-bit Windows build run under wine64 where 32-bit programs cannot run"
  [clang]="the fuzz targets"
  [rtklib]="rnx2rtkp solving from the RINEX files"
  [rsvg]="the qc picture drawn into a PNG"
  [chromium]="the qc picture drawn into a PNG without rsvg"
  [packaging]="the Debian package and the manual page checks"
)
# The outcome of each group: installed, present (nothing to do) or missing,
# and for a missing one apt's reason.
declare -A group_state=() group_reason=()

# True when the group's tools are all here already.
group_present() {
  case "$1" in
    wine32)
      [ -x /usr/lib/wine/wine ] && command -v wine >/dev/null &&
        command -v i686-w64-mingw32-g++-win32 >/dev/null &&
        command -v i686-w64-mingw32-objdump >/dev/null ;;
    wine64)
      [ -x /usr/lib/wine/wine64 ] && command -v wine >/dev/null &&
        command -v i686-w64-mingw32-g++-win32 >/dev/null &&
        command -v i686-w64-mingw32-objdump >/dev/null &&
        command -v x86_64-w64-mingw32-g++-win32 >/dev/null ;;
    clang)
      command -v clang++-14 >/dev/null &&
        ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ;;
    rtklib) command -v rnx2rtkp >/dev/null ;;
    rsvg) command -v rsvg-convert >/dev/null ;;
    chromium) command -v chromium >/dev/null ;;
    packaging) command -v dpkg-shlibdeps >/dev/null && command -v groff >/dev/null ;;
  esac
}

group_broken() { [[ " ${JPS_CI_BREAK_GROUP:-} " == *" $1 "* ]]; }

# The group's packages; for a broken group, names no archive has.
packages_of() {
  local p
  for p in ${group_packages[$1]}; do
    if group_broken "$1"; then
      case "$p" in
        *:*) p="${p%%:*}-unavailable:${p#*:}" ;;
        *) p="$p-unavailable" ;;
      esac
    fi
    printf '%s\n' "$p"
  done
}

apt_log=$(mktemp)
# apt's reason for the last failure: its first error line, else its last line.
apt_reason() {
  local reason
  reason=$(grep -m 1 '^E: ' "$apt_log" || tail -n 1 "$apt_log")
  printf '%s' "${reason:-apt-get failed without a message}"
}

apt_install() { apt-get install -y -qq "$@" >"$apt_log" 2>&1; }

# The amd64 libraries that must keep the version of their i386 twins
# (Multi-Arch: same), that the i386 packages named after -- pull in, and that
# are installed in another version than the lists of the apt options before
# -- offer: "name:amd64=version name:i386=version" with the offered version.
main_suite_pins() {
  local opts=() installed
  while [ "$1" != -- ]; do opts+=("$1"); shift; done
  shift
  installed=$(apt-cache "${opts[@]}" depends --recurse --no-recommends --no-suggests \
      --no-conflicts --no-breaks --no-replaces --no-enhances "$@" 2>/dev/null |
    sed -n 's/^\([^ <][^ ]*\):i386$/\1:amd64/p' | sort -u |
    xargs -r dpkg-query -W -f='${Package} ${Version} ${Multi-Arch}\n' 2>/dev/null |
    awk '$3 == "same" { print $1, $2 }' || true)
  [ -n "$installed" ] || return 0
  # One apt-cache call for every candidate: "name:i386:" heads each entry.
  apt-cache "${opts[@]}" policy $(awk '{ print $1 ":i386" }' <<<"$installed") |
    awk -v installed="$installed" '
      BEGIN { n = split(installed, line, "\n")
              for (i = 1; i <= n; i++) { split(line[i], f, " "); version[f[1]] = f[2] } }
      /^[^ ].*:i386:$/ { name = $1; sub(/:i386:$/, "", name) }
      /^  Candidate:/ && $2 != "(none)" && name in version && $2 != version[name] {
        printf "%s:amd64=%s %s:i386=%s ", name, $2, name, $2 }'
}

# Where the security suite's i386 index lags its amd64 one, wine32:i386
# cannot be installed: its i386 libraries would need the versions of the
# amd64 ones that came from security. Against the main suites alone it can,
# with those amd64 libraries taken back to the main suites' versions. apt runs
# with a sources folder and package lists of its own (the system's stay as
# they are).
install_wine32_from_main() {
  local dir packages sources opts
  dir=$(mktemp -d)
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial"
  sources="$dir/sources.list.d/main.sources"
  # The system's deb822 stanzas and one-line entries, security suites left out.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" } !/Suites:[^\n]*-security/' "$f" >>"$sources"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | grep -v -- '-security' >"$dir/main.list" || true
  else
    : >"$dir/main.list"
  fi
  opts=(-o "Dir::Etc::sourcelist=$dir/main.list" -o "Dir::Etc::sourceparts=$dir/sources.list.d"
        -o "Dir::State::Lists=$dir/lists")
  if ! apt-get "${opts[@]}" update -qq >"$apt_log" 2>&1; then
    rm -rf "$dir"
    return 1
  fi
  mapfile -t packages < <(packages_of wine32)
  local pins
  pins=$(main_suite_pins "${opts[@]}" -- "${packages[@]}")
  [ -n "$pins" ] && echo "   wine32 from the main suites, libraries taken back to their versions: $pins"
  # shellcheck disable=SC2086
  apt-get "${opts[@]}" install -y -qq --allow-downgrades --no-install-recommends \
    "${packages[@]}" $pins >"$apt_log" 2>&1
  local status=$?
  rm -rf "$dir"
  return "$status"
}

# Installs a group unless its tools are here (a broken one is always tried),
# once more when the first attempt fails: wine32 then from the main suites
# alone, the others after the package lists are read again.
install_group() {
  local group="$1" packages
  if ! group_broken "$group" && group_present "$group"; then
    group_state[$group]=present
    return
  fi
  mapfile -t packages < <(packages_of "$group")
  if apt_install "${packages[@]}"; then
    group_state[$group]=installed
    return
  fi
  echo "   $group: first attempt failed ($(apt_reason)); once more"
  if [ "$group" = wine32 ]; then
    if install_wine32_from_main; then
      group_state[$group]="installed (from the main suites alone)"
      return
    fi
  else
    sleep 5
    apt-get update -qq >/dev/null 2>&1 || true
    if apt_install "${packages[@]}"; then
      group_state[$group]=installed
      return
    fi
  fi
  group_state[$group]=missing
  group_reason[$group]=$(apt_reason)
}

# The packages of the compiler, cmake and GoogleTest that are not installed.
base_needs() {
  command -v cmake >/dev/null || echo cmake
  command -v g++ >/dev/null || echo g++
  [ -f /usr/include/gtest/gtest.h ] || echo libgtest-dev
}

# Without those no test runs: their failure (after one more attempt) fails
# the run.
install_base() {
  local need
  mapfile -t need < <(base_needs)
  [ ${#need[@]} -eq 0 ] && return
  apt-get update -qq || true
  if ! apt_install "${need[@]}"; then
    echo "== installing ${need[*]} failed ($(apt_reason)); once more"
    sleep 5
    apt-get update -qq || true
    apt_install "${need[@]}" || {
      echo "== cannot install what every test needs: $(apt_reason)" >&2
      exit 1
    }
  fi
}

install_optional_groups() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  local group needed=0
  for group in "${optional_groups[@]}"; do
    if group_broken "$group" || ! group_present "$group"; then needed=1; fi
  done
  if [ "$needed" -eq 1 ]; then apt-get update -qq >/dev/null 2>&1 || true; fi
  for group in "${optional_groups[@]}"; do install_group "$group"; done
}

# One line per group; the missing ones named for the tests (they skip).
print_group_summary() {
  local group missing=()
  echo "== optional groups"
  for group in "${optional_groups[@]}"; do
    if [ "${group_state[$group]}" = missing ]; then
      missing+=("$group")
      echo "   $group: MISSING, its tests skip (${group_use[$group]}): ${group_reason[$group]}"
    else
      echo "   $group: ${group_state[$group]}"
    fi
  done
  export JPS_MISSING_GROUPS="${missing[*]}"
}

group_ok() { [ "${group_state[$1]}" != missing ]; }

# One line for a step that a missing group leaves out.
skip_step() {
  local what="$1"
  shift
  local group reasons=""
  for group in "$@"; do reasons+="; $group: ${group_reason[$group]:-not usable here}"; done
  echo "== skipped: $what (optional group $(IFS=/; echo "$*") missing$reasons)"
}
