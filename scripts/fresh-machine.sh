#!/usr/bin/env bash
# Runs the README's test command on a fresh Debian 12, as a new user's machine has it: a
# minimal bookworm system made with debootstrap (minbase, git and ca-certificates, nothing
# else), with the commit under test cloned into it. What a developer once installed by hand
# on this machine cannot hide a missing install step there.
#
#   scripts/fresh-machine.sh                     clone HEAD, run scripts/test.sh inside
#   scripts/fresh-machine.sh --package DEB...    install the packages with
#                                                --no-install-recommends and check what a
#                                                user gets on the display in DISPLAY
#                                                (tests/install/fresh_package_check.sh)
#   scripts/fresh-machine.sh --shell             an interactive shell in a fresh system
#
# Needs root (debootstrap, chroot, mounts). The base system is made once and kept in
# VX_FRESH_CACHE (default /var/tmp/vx-fresh), together with the downloaded packages; every
# run works on a copy of it that is removed afterwards. The package archive is the one this
# machine's apt uses (its bookworm, bookworm-updates and bookworm-security sources).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VX_FRESH_CACHE:-/var/tmp/vx-fresh}"
base="$cache/base-bookworm"
archives="$cache/apt-archives"

mode=test
packages=()
case "${1:-}" in
  "") ;;
  --package)
    mode=package
    shift
    [ $# -gt 0 ] || { echo "fresh-machine.sh: --package needs the .deb files" >&2; exit 2; }
    for deb in "$@"; do packages+=("$(realpath "$deb")"); done ;;
  --shell) mode=shell ;;
  -h | --help)
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
    exit 0 ;;
  *) echo "fresh-machine.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine.sh: needs root for debootstrap, chroot and mounts" >&2
  exit 1
fi

# "deb URI SUITE COMPONENTS" for each bookworm suite of this machine's apt sources, in both
# the one-line and the deb822 forms.
host_sources() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      {
        types = ""; uris = ""; suites = ""; comps = ""; enabled = "yes"
        for (i = 1; i <= NF; i++) {
          line = $i
          if (line ~ /^#/) continue
          split(line, kv, ":"); key = tolower(kv[1]); sub(/^[^:]*:[ \t]*/, "", line)
          if (key == "types") types = line
          else if (key == "uris") uris = line
          else if (key == "suites") suites = line
          else if (key == "components") comps = line
          else if (key == "enabled") enabled = tolower(line)
        }
        if (types !~ /(^| )deb( |$)/ || enabled == "no") next
        n = split(uris, u, " "); m = split(suites, s, " ")
        for (a = 1; a <= n; a++) for (b = 1; b <= m; b++)
          if (s[b] ~ /^bookworm/) print "deb " u[a] " " s[b] " " comps
      }' "$file"
  done
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk '$1 == "deb" {
           i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
           if ($(i + 1) ~ /^bookworm/) {
             out = "deb"; for (k = i; k <= NF; k++) out = out " " $k; print out
           }
         }'
}

make_base() {
  [ -f "$base/.complete" ] && return
  command -v debootstrap >/dev/null || {
    echo "Installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
  }
  local sources mirror
  sources="$(host_sources | sort -u)"
  mirror="$(awk '$3 == "bookworm" { print $2; exit }' <<<"$sources")"
  if [ -z "$mirror" ]; then
    echo "fresh-machine.sh: this machine's apt sources name no bookworm archive" >&2
    exit 1
  fi
  echo "Making the base system in $base (once)"
  rm -rf "$base"
  debootstrap --variant=minbase --include=git,ca-certificates bookworm "$base" "$mirror"
  printf '%s\n' "$sources" >"$base/etc/apt/sources.list"
  touch "$base/.complete"
}

run=""
cleanup() {
  [ -n "$run" ] || return 0
  # Processes left inside (a server a test started) go first, so that nothing holds a mount.
  local proc
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$run" ] && kill -9 "${proc#/proc/}" 2>/dev/null
  done
  for mount in "$run/var/cache/apt/archives" "$run/tmp/.X11-unix" "$run/dev" "$run/proc"; do
    mountpoint -q "$mount" && umount -R "$mount"
  done
  rm -rf --one-file-system "$run"
}
trap cleanup EXIT

make_base
mkdir -p "$archives"
run="$(mktemp -d "$cache/run.XXXXXX")"
echo "Copying the base system into $run"
cp -a "$base/." "$run/"
cp /etc/resolv.conf "$run/etc/resolv.conf"
apt-config dump | grep -i '^Acquire::\(http\|https\)::Proxy ' >"$run/etc/apt/apt.conf.d/01proxy" || true
mount -t proc proc "$run/proc"
mount --rbind /dev "$run/dev"
mount --make-rslave "$run/dev"
mount --bind "$archives" "$run/var/cache/apt/archives"

inside() {
  chroot "$run" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

case "$mode" in
  test)
    commit="$(git -C "$top" rev-parse HEAD)"
    echo "Cloning $commit into the fresh system"
    git clone --quiet --no-hardlinks "$top" "$run/root/k9-90"
    git -C "$run/root/k9-90" checkout --quiet --detach "$commit"
    inside /bin/bash -c 'cd /root/k9-90 && ./scripts/test.sh'
    ;;
  package)
    inner=()
    for deb in "${packages[@]}"; do
      cp "$deb" "$run/root/"
      inner+=("/root/$(basename "$deb")")
    done
    cp "$top/tests/install/fresh_package_check.sh" "$top/tests/install/calc_toolbar_probe.py" \
      "$run/root/"
    # The check opens VX_TOOL's window on an X server of this machine, so that the fresh
    # system holds nothing but the packages and what they depend on.
    mkdir -p "$run/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$run/tmp/.X11-unix"
    xauthority=""
    if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
      cp "$XAUTHORITY" "$run/root/.Xauthority"
      xauthority=/root/.Xauthority
    fi
    inside DISPLAY="${DISPLAY:-}" XAUTHORITY="$xauthority" \
      /bin/bash /root/fresh_package_check.sh "${inner[@]}"
    ;;
  shell)
    inside /bin/bash -i
    ;;
esac
