#!/usr/bin/env bash
# fuzz.sh [TARGET] [SECONDS]: builds the libFuzzer program with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ and fuzzes TARGET (every target when none is named or "all")
# for SECONDS each (default 600), one target per core at a time. Inputs that reach new code are merged into
# fuzz/corpus/TARGET; crashes, leaks and time-outs are written to build-fuzz/findings/TARGET. Extra CMake
# options may follow.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-all}
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))

"$top/scripts/deps.sh"
missing=()
for p in clang libfuzzer-14-dev libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if (( ${#missing[@]} )); then
    echo "Installing: ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

build="$top/build-fuzz"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DZENTRAVA_SANITIZE=ON -DZENTRAVA_FUZZ=ON \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link "$@" >/dev/null
cmake --build "$build" --target zentrava_fuzz

if [[ "$target" == all ]]; then
    targets=$(ls "$top/fuzz/corpus")
else
    [[ -d "$top/fuzz/corpus/$target" ]] || { echo "No target $target; targets: $(ls "$top/fuzz/corpus" | xargs)" >&2; exit 2; }
    targets=$target
fi

fuzz_one()
{
    local t=$1 findings="$build/findings/$1" found="$build/found/$1"
    mkdir -p "$findings" "$found"
    # Stored-file targets write their input to a scratch folder; memory-backed storage keeps that fast.
    # New inputs go to a folder of their own; only those that reach code (edges, not hit counts) the
    # corpus does not reach yet are merged into it, so the corpus kept in the repository stays small.
    if TMPDIR=/dev/shm ZENTRAVA_FUZZ_TARGET=$t "$build/fuzz/zentrava_fuzz" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$found" "$top/fuzz/corpus/$t" >"$findings/log" 2>&1; then
        TMPDIR=/dev/shm ZENTRAVA_FUZZ_TARGET=$t "$build/fuzz/zentrava_fuzz" -merge=1 -use_counters=0 -timeout=10 \
            "$top/fuzz/corpus/$t" "$found" >"$findings/merge.log" 2>&1
        echo "== $t: $(grep -E "^#[0-9]+.*DONE" "$findings/log" | tail -1)"
        echo "   $(grep -E "MERGE-OUTER: [0-9]+ new files" "$findings/merge.log")"
    else
        echo "== $t: FAILED, see $findings/log"
        grep -E "ERROR|check failed|SUMMARY" "$findings/log" | head -5
        return 1
    fi
}

# One target per core at a time.
echo "Fuzzing for ${seconds}s each; inputs that reach new code are merged into $top/fuzz/corpus/TARGET," \
    "findings go to $build/findings/TARGET"
failed=0
running=0
for t in $targets; do
    if (( running >= $(nproc) )); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    fuzz_one "$t" &
    running=$((running + 1))
done
while (( running > 0 )); do
    wait -n || failed=1
    running=$((running - 1))
done
exit $failed
