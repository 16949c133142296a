#!/usr/bin/env bash
# Builds everything and runs every test under Wine in one virtual X server (inside the
# Debian 13 root). Extra arguments go to ctest, e.g. -R core.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD_DIR=${BUILD_DIR:-build}
export BUILD_DIR
# A target that fails to build fails the run, but every test that did build still runs.
build_rc=0
scripts/build.sh || { build_rc=1; echo "build failed: some targets did not build"; }
[ -f "$BUILD_DIR/CTestTestfile.cmake" ] || { echo "0 passed, 1 failed"; exit 1; }
BUILD_ABS=$(cd "$BUILD_DIR" && pwd)
. scripts/session.sh
trap tw_session_stop EXIT
tw_session_start "$BUILD_ABS" || { echo "0 passed, 1 failed"; exit 1; }
export TW_RESULTS=$BUILD_ABS/test-results
rm -rf "$TW_RESULTS"; mkdir -p "$TW_RESULTS"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "${TW_JOBS:-$(nproc)}" \
  --output-junit "$TW_RESULTS/ctest.xml" "$@"
rc=$?
[ $build_rc -eq 0 ] || rc=1
python3 scripts/test-totals.py "$TW_RESULTS" $build_rc || rc=1
exit $rc
