# The guards of the test harness itself, two cases run when tests/lint/run-e2e sources this (it
# gives $root and tests/lib/e2e.sh): the guest's scripts act only inside the guest that
# tests/vm/run-e2e boots, and a suite lets a program near no bus but its own. Each check says
# what is wrong, if anything.
# shellcheck shell=bash
# shellcheck disable=SC2154  # root comes from tests/lint/run-e2e, work from tests/lib/e2e.sh

# shellcheck disable=SC2016  # the line as it stands in each script
guest_guard_line='. "${0%/*}/guard" || exit 1'

# Every script of the guest sources the guard before anything else and cannot be started from
# the tree by its name. Then each, started on this machine beside a token of its own (so that the
# comparison itself is what refuses): as a user other than root, in a mount namespace with an
# empty /run, with systemctl, loginctl, kill (a builtin, which only a function replaces) and the
# power commands replaced by shims that write down each call. Each must end with a non-zero
# status, say why, and call nothing. A script without the guard first is not run at all.
check_guest_scripts() {
  local dir f name first status calls shell c as=() ns=(--mount --propagation private) bad=0
  dir=$(mktemp -d /tmp/orvane-guest-here.XXXXXX)
  mkdir -p "$dir/scripts" "$dir/shims" "$dir/out"
  cp "$root"/tests/vm/guest/* "$dir/scripts/"
  od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$dir/scripts/token"
  for c in systemctl loginctl kill shutdown poweroff reboot halt; do
    printf '%s() { echo "%s $*" >>%s/out/calls; }\n' "$c" "$c" "$dir" >>"$dir/shims.bash"
    printf '#!/bin/sh\necho "%s $*" >>%s/out/calls\n' "$c" "$dir" >"$dir/shims/$c"
  done
  chmod -R a+rX "$dir"
  chmod 777 "$dir/out"
  if [ "$(id -u)" = 0 ]; then
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  else
    as=(env) ns+=(--user --map-root-user)  # root only inside a user namespace of its own
  fi
  for f in "$root"/tests/vm/guest/*; do
    name=${f##*/}
    [ "$name" != guard ] || continue
    [ "$(git -C "$root" ls-files -s -- "${f#"$root"/}" | cut -c1-6)" = 100644 ] ||
      { echo "$name: executable in the tree (or not tracked)"; bad=1; }
    first=$(sed -n '2,$ {/^[[:space:]]*\(#.*\)\{0,1\}$/d; p; q}' "$f")
    [ "$first" = "$guest_guard_line" ] || { echo "$name: the first command is '$first'"; bad=1; continue; }
    shell=$(sed -n '1s:^#!/bin/sh$:/bin/sh:p' "$f")
    timeout 20 unshare "${ns[@]}" sh -c 'mount -t tmpfs tmpfs /run && exec "$@"' sh \
      "${as[@]}" env PATH="$dir/shims:/usr/bin:/bin" BASH_ENV="$dir/shims.bash" \
      "${shell:-bash}" "$dir/scripts/$name" /dev/tty1 </dev/null >"$dir/out/$name.log" 2>&1
    status=$?
    calls=$(cat "$dir/out/calls" 2>/dev/null)
    if [ "$status" = 0 ] || [ -n "$calls" ] || ! grep -q 'nothing done' "$dir/out/$name.log"; then
      echo "$name: status $status, calls '${calls//$'\n'/; }', said: $(head -c 300 "$dir/out/$name.log")"
      bad=1
    fi
    rm -f "$dir/out/calls"
  done
  rm -rf "$dir"
  [ $bad = 0 ]
}

# The bus guard of tests/lib/e2e.sh: one unix:path= inside the suite's work folder, nothing that
# a D-Bus library could follow elsewhere.
check_bus_guard() (
  local dir own session want address session_address got bad=0
  dir=$(realpath "$(mktemp -d "$work/bus.XXXXXX")")
  ln -s /run/dbus "$dir/link"
  own=unix:path=$dir/system_bus_socket session=unix:path=$dir/session_bus_socket
  # want | system bus address | session bus address
  while IFS='|' read -r want address session_address; do
    got=refused
    (work=$dir DBUS_SYSTEM_BUS_ADDRESS=$address DBUS_SESSION_BUS_ADDRESS=$session_address \
      assert_private_bus) 2>/dev/null && got=accepted
    [ "$got" = "$want" ] || { echo "$want, but $got: '$address' '$session_address'"; bad=1; }
  done <<EOF
accepted|$own|$session
accepted|unix:path=$dir/no_such_socket|$session
refused|unix:path=/tmp/no-such;$own|$session
refused|$own;unix:path=/run/dbus/system_bus_socket|$session
refused|unix:path=$dir/../../run/dbus/system_bus_socket|$session
refused|unix:path=$dir/link/system_bus_socket|$session
refused|unix:path=$dir/%2e%2e/%2e%2e/run/dbus/system_bus_socket|$session
refused|$own,guid=0123456789abcdef0123456789abcdef|$session
refused|unix:abstract=$dir/system_bus_socket|$session
refused|unix:path=${dir}x/system_bus_socket|$session
refused||$session
refused|$own|
refused|$own|unix:path=/run/user/0/bus
EOF
  rm -rf "$dir"
  return $bad
)

run_check "the guest's scripts: the guard first, not executable in the tree, nothing done here" \
  check_guest_scripts
run_check "a program gets no bus but the suite's own" check_bus_guard
