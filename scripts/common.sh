# Shared by scripts/run, scripts/test and scripts/release: installing what is missing, building
# the presets, and the closing count of a test run.
# shellcheck shell=bash

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The package lists: "run" is what building and running the Linux program needs, "test" what the
# tests, the bench and the release add.
package_list() {
  case $1 in
    run) echo "$ORVANE_ROOT/scripts/packages-run.txt" ;;
    test) echo "$ORVANE_ROOT/scripts/packages.txt" ;;
    *) echo "install_packages: no package list named '$1'" >&2; return 1 ;;
  esac
}

# install_packages [LIST...]: installs the packages of those lists (all of them when none is
# named) that are not installed yet. As root it runs apt-get itself; otherwise through sudo, when
# sudo needs no password or there is a terminal to ask for one. When neither, it prints the
# command to run and exits with status 2.
install_packages() {
  local lists=("$@") list wanted=() missing=() p
  [ ${#lists[@]} -gt 0 ] || lists=(run test)
  for list in "${lists[@]}"; do
    list=$(package_list "$list") || exit 2
    while read -r p; do wanted+=("$p"); done < <(grep -v -E '^\s*(#|$)' "$list")
  done
  # A name that an installed package provides is there too, as apt itself counts it: Node.js from
  # another source than Debian provides npm, which apt would otherwise install over it.
  local provided
  provided=$(dpkg-query -W -f='${db:Status-Status} ${Provides}\n' 2>/dev/null |
    sed -n 's/^installed //p' | tr ',' '\n' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//')
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
      grep -qxF -- "$p" <<<"$provided" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  if ! command -v apt-get >/dev/null; then
    echo "apt-get is not here: install these with your system's package manager: ${missing[*]}" >&2
    exit 2
  fi
  # sudo resets the environment, so the variable goes through env, past it.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get) as=()
  local install=(install -y -q --no-install-recommends "${missing[@]}")
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || (: </dev/tty) 2>/dev/null; }; then
      as=(sudo)
    else
      echo "These packages are missing: ${missing[*]}" >&2
      echo "Installing them needs root. Run this, then $0 again:" >&2
      if command -v sudo >/dev/null; then
        echo "  sudo apt-get update -q && sudo ${apt[*]} ${install[*]}" >&2
      else
        echo "  su -c 'apt-get update -q && ${apt[*]} ${install[*]}'" >&2
      fi
      exit 2
    fi
  fi
  echo "Installing with apt-get: ${missing[*]}"
  "${as[@]}" "${apt[@]}" update -q
  "${as[@]}" "${apt[@]}" "${install[@]}"
}

# The program's version, as CMakeLists.txt gives it to the version header and the package.
project_version() {
  sed -nE 's/^project\(Orvane VERSION ([0-9.]+).*/\1/p' "$ORVANE_ROOT/CMakeLists.txt"
}

# The project's home page, as scripts/manifests gives it to the package managers.
project_home() {
  sed -n 's/^home=//p' "$ORVANE_ROOT/scripts/manifests"
}

# make_installer TREE VERSION ARCH EXE OUT [SIGN]: the per-user installer of EXE (Orvane.exe built
# for ARCH, x64 or x86) into OUT, from the installer script and icon of the source tree TREE.
# With SIGN, a command that signs the file it is given in place: the uninstaller and the installer
# are signed as they are written.
make_installer() {
  local tree=$1 version=$2 arch=$3 exe=$4 out=$5 sign=${6:-}
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DARCH="$arch" -DEXE="$(realpath "$exe")" \
    -DICON="$tree/assets/orvane.ico" -DOUTFILE="$(realpath -m "$out")" ${sign:+"-DSIGN=$sign"} \
    "$tree/window/win32/dist/setup.nsi" >/dev/null
}

# build_preset PRESET [CMAKE ARGUMENTS...]: configures and builds one CMake preset.
build_preset() {
  local preset=$1
  shift
  cmake --preset "$preset" -S "$ORVANE_ROOT" "$@" >/dev/null
  cmake --build "$ORVANE_ROOT/build/$preset" --parallel "$(nproc)"
}

# run_suite RESULTS NAME COMMAND...: runs one suite with a counts folder of its own
# (ORVANE_RESULTS), where it writes "passed failed" in a file; its exit status goes beside it,
# and how long it took to the log.
run_suite() {
  local n dir name=$2 rc=0
  local t0=$SECONDS
  # A suite may run beside another one: the folder is claimed by mkdir, which only one can win.
  n=$(find "$1" -mindepth 1 -maxdepth 1 -type d | wc -l)
  until mkdir "$1/$(printf '%02d' "$n")" 2>/dev/null; do n=$((n + 1)); done
  dir=$1/$(printf '%02d' "$n")
  shift 2
  echo "$name" >"$dir/.name"
  ORVANE_RESULTS=$dir "$@" || rc=$?
  echo "$rc" >"$dir/.status"
  echo "== $name: status $rc, $((SECONDS - t0)) s"
}

# tally_results RESULTS: one line per suite and the closing "total: N passed, N failed" line.
# A suite that wrote no counts, or failed without counting a failure, is one failure more, and is
# named on the closing line. Returns 1 when anything failed.
tally_results() {
  local dir f name rc p q passed=0 failed=0 bad=()
  for dir in "$1"/*/; do
    [ -e "$dir/.name" ] || continue
    name=$(cat "$dir/.name")
    rc=$(cat "$dir/.status" 2>/dev/null || echo "unknown")
    local counts=0 suite_failed=0
    for f in "$dir"*; do
      [ -f "$f" ] || continue
      p= q=
      read -r p q <"$f" || true
      if [[ ! $p =~ ^[0-9]+$ || ! $q =~ ^[0-9]+$ ]]; then
        echo "  $(basename "$f"): unreadable counts '$(head -c 60 "$f")'"
        q=1 p=0
      else
        echo "  $(basename "$f"): $p passed, $q failed"
      fi
      counts=$((counts + 1))
      passed=$((passed + p)) failed=$((failed + q)) suite_failed=$((suite_failed + q))
      [ "$q" -eq 0 ] || bad+=("$(basename "$f")")
    done
    if [ $counts -eq 0 ]; then
      echo "  $name: ended (status $rc) without writing its counts"
      failed=$((failed + 1)) bad+=("$name")
    elif [ "$rc" != 0 ] && [ $suite_failed -eq 0 ]; then
      echo "  $name: ended with status $rc, no failure counted"
      failed=$((failed + 1)) bad+=("$name")
    fi
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "total: $passed passed, $failed failed (failed: ${bad[*]})"
    return 1
  fi
  echo "total: $passed passed, $failed failed"
}
