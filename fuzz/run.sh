#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a bounded time on its
# seeds, one after the other (the machine has two cores):
#   fuzz/run.sh [SECONDS]   seconds per target, default 45
# Prints per target the executions, the coverage reached (edges and features)
# and the corpus size, and exits non-zero when any target crashed, leaked,
# hung or broke one of its checks. Crashing inputs are kept in
# build/fuzz/artifacts/; new inputs found during the run are thrown away, the
# seeds in fuzz/corpus/ stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-45}
TARGETS=(definitions properties log_reader capture bmp expression item_detail feed_record lte_decoder)

dictionary() {
  case $1 in
    definitions|properties) echo fuzz/xml.dict ;;
    log_reader) echo fuzz/json.dict ;;
    expression) echo fuzz/expression.dict ;;
  esac
}

started=$(date +%s)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
built=$(date +%s)

ARTIFACTS=build/fuzz/artifacts
mkdir -p "$ARTIFACTS"
export EM_FUZZ_TMP
EM_FUZZ_TMP=$(mktemp -d "${TMPDIR:-/tmp}/em-fuzz.XXXXXX")
trap 'rm -rf "$EM_FUZZ_TMP"' EXIT
export EVENTMANAGER_SPEECH=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
printf '%-12s %10s %8s %8s %8s  %s\n' target executions edges features corpus result
for target in "${TARGETS[@]}"; do
  work="$EM_FUZZ_TMP/$target-corpus"
  log="$EM_FUZZ_TMP/$target.log"
  mkdir -p "$work"
  # A fixed seed makes a run repeat the inputs of the last one as far as its
  # time allows, so a find is reproducible; EM_FUZZ_SEED explores elsewhere.
  args=(-seed="${EM_FUZZ_SEED:-1}" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1
        -artifact_prefix="$ARTIFACTS/$target-")
  dict=$(dictionary "$target")
  [ -n "$dict" ] && args+=(-dict="$dict")
  result=ok
  if ! "build/fuzz/bin/${target}_fuzz" "${args[@]}" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    result=FAILED
    failed+=("$target")
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")
  corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$status")
  printf '%-12s %10s %8s %8s %8s  %s\n' "$target" "${executions:-?}" "${edges:-?}" "${features:-?}" "${corpus:-?}" "$result"
  if [ "$result" != ok ]; then
    echo "---- $target: last lines of its log" >&2
    grep -v -E '^#[0-9]+' "$log" | tail -40 >&2
  fi
done

finished=$(date +%s)
echo "fuzz: build $((built - started)) s, runs $((finished - built)) s, ${#TARGETS[@]} targets of ${SECONDS_EACH} s"
echo "fuzz: $((${#TARGETS[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $ARTIFACTS/)" >&2
  exit 1
fi
