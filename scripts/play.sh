#!/usr/bin/env bash
# Inside the Debian 13 root: build, then show the program on a screen.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
export BUILD_DIR=${BUILD_DIR:-build}
# Only what play needs, so that a broken test elsewhere cannot stop it.
scripts/build.sh tarnwick desktop_standin twctl velmora
BUILD_ABS=$(cd "$BUILD_DIR" && pwd)
. scripts/session.sh
trap tw_session_stop EXIT
tw_session_start "$BUILD_ABS"
mkdir -p out
export TW_OUT=$PWD/out TW_BIN=$BUILD_ABS/bin TW_SOURCE=$PWD
python3 scripts/play.py
