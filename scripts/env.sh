#!/usr/bin/env bash
# The build and test environment: a Debian 13 root (Wine 10, mingw-w64, Xvfb) kept in a
# cache folder outside the work tree, entered with bubblewrap.
#
#   scripts/env.sh setup        create the root if it is missing or half built
#   scripts/env.sh run CMD...   run CMD inside the root, the project bound at the same path
set -euo pipefail

CACHE=${TARNWICK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}
ROOT=$CACHE/root-trixie
STAMP=$ROOT/.tarnwick-ready
# Bump when the package list changes so that old roots are rebuilt.
ROOT_VERSION=3
PROJECT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PACKAGES="wine64 libwine fonts-wine libgl1-mesa-dri libxcomposite1 libxcursor1 libxi6
  libxrandr2 libxinerama1 libxrender1 xvfb xauth x11-apps imagemagick
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake ninja-build
  googletest python3 gstreamer1.0-plugins-base gstreamer1.0-plugins-good libasound2-plugins
  alsa-utils sox espeak-ng"

need_host_tools() {
  local missing=()
  command -v debootstrap >/dev/null || missing+=(debootstrap)
  command -v bwrap >/dev/null || missing+=(bubblewrap)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "env: installing ${missing[*]} on the host" >&2
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

in_root() {
  # TARNWICK_EXTRA_BIND: more host paths, separated by colons, bound at the same path.
  local extra=() path
  IFS=: read -ra paths <<<"${TARNWICK_EXTRA_BIND:-}"
  for path in "${paths[@]}"; do [ -n "$path" ] && extra+=(--bind "$path" "$path"); done
  # The root's own /tmp must be world-writable for apt's sandbox user.
  bwrap --bind "$ROOT" / --dev /dev --proc /proc --tmpfs /tmp --chmod 1777 /tmp \
    --ro-bind /etc/resolv.conf /etc/resolv.conf \
    --bind "$PROJECT" "$PROJECT" \
    "${extra[@]}" \
    --setenv PATH /usr/lib/wine:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    --setenv HOME /root --setenv LANG C.UTF-8 --setenv DEBIAN_FRONTEND noninteractive \
    --chdir "${TARNWICK_CWD:-$PROJECT}" "$@"
}

root_ready() { [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$ROOT_VERSION" ]; }

setup() {
  if root_ready; then return 0; fi
  # Two first runs at once (a test run and a play, or two worktrees) would each wipe the
  # root the other is filling; the second waits for the first and then finds it ready.
  mkdir -p "$CACHE"
  exec 9>"$CACHE/.setup.lock"
  flock 9
  if root_ready; then exec 9>&-; return 0; fi
  need_host_tools
  local t0=$SECONDS
  echo "env: creating the Debian 13 root in $ROOT (first run only, a few minutes)" >&2
  rm -rf "$ROOT"
  mkdir -p "$CACHE"
  debootstrap --variant=minbase trixie "$ROOT" http://deb.debian.org/debian >"$CACHE/debootstrap.log" 2>&1 \
    || { tail -20 "$CACHE/debootstrap.log" >&2; exit 1; }
  echo "env: debootstrap took $((SECONDS - t0)) s" >&2
  local t1=$SECONDS
  in_root apt-get update -qq >"$CACHE/apt.log" 2>&1 || { tail -20 "$CACHE/apt.log" >&2; exit 1; }
  # shellcheck disable=SC2086
  in_root apt-get install -y -qq --no-install-recommends $PACKAGES >>"$CACHE/apt.log" 2>&1 \
    || { tail -20 "$CACHE/apt.log" >&2; exit 1; }
  in_root apt-get clean >/dev/null 2>&1 || true
  echo "env: packages took $((SECONDS - t1)) s" >&2
  echo "$ROOT_VERSION" >"$STAMP"
  exec 9>&-
}

case "${1:-}" in
  setup) setup ;;
  run) shift; setup; in_root "$@" ;;
  root) echo "$ROOT" ;;
  *) echo "usage: $0 setup | run CMD... | root" >&2; exit 2 ;;
esac
