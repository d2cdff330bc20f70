#!/bin/sh
# Rewrites tests/e2e/expected/*.csv from the sample logs. Run it only when a
# change of results is intended, and review the diff before committing:
#   tests/e2e/regenerate.sh [BUILD_DIR]      (default: build/release)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A copy: the library's final save may complete the sample registry.
cp -r "$root/data/sample/." "$home/"
for log in gsm cdma umts tdscdma lte; do
  EVENTMANAGER_SPEECH=0 "$build/bin/eventscan" run "$root/data/sample/logs/$log.jsonl" --home "$home" \
    --format csv --output "$root/tests/e2e/expected/$log.csv"
done
