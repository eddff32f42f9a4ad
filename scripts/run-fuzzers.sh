#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer (or those named) twice for SECONDS each: first with a fixed seed, so that
# a run can be repeated, then with a random seed (printed), so that every run also looks somewhere new. Each fuzzer
# starts from a copy of its committed seeds and regression inputs in build/fuzz/runs/<target>/corpus, which its two
# runs share and grow. The first finding (a crash, a sanitizer report, a leak, a broken property, an input that runs
# 10 s or more, or 20 s and is stopped, running out of memory) stops the script with a non-zero status and the path of
# the input that libFuzzer kept.
# Usage: run-fuzzers.sh SECONDS [bmp|tga|png|settings|project|recipe ...]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if [ $# -lt 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
    echo "usage: run-fuzzers.sh SECONDS [bmp|tga|png|settings|project|recipe ...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp tga png settings project recipe)

start=$(date +%s)
scripts/build-preset.sh fuzz

# The project fuzzer writes its files here (in memory where /dev/shm exists); gone with this script.
scratch=$(mktemp -d /dev/shm/quiltbox-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QUILTBOX_FUZZ_TMP=$scratch

fixed_seed=20240611
random_seed=$(( $(od -An -N4 -tu4 /dev/urandom) % 2147483646 + 1 ))
echo "run-fuzzers.sh: $seconds s per run, fixed seed $fixed_seed, random seed $random_seed"

for target in "${targets[@]}"; do
    case "$target" in
        bmp | tga | png) max_len=16384 ;;
        settings | recipe) max_len=4096 ;;
        project) max_len=32768 ;;
        *) echo "run-fuzzers.sh: no fuzzer named $target" >&2; exit 2 ;;
    esac
    fuzzer=build/fuzz/tests/fuzz/fuzz_$target
    run=build/fuzz/runs/$target
    rm -rf "$run"
    mkdir -p "$run/corpus" "$run/findings"
    cp tests/fuzz/corpus/"$target"/* "$run/corpus/"
    if compgen -G "tests/fuzz/regressions/$target/*" >/dev/null; then
        cp tests/fuzz/regressions/"$target"/* "$run/corpus/"
    fi
    options=(-max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1
             -artifact_prefix="$run/findings/")
    if [ -f "tests/fuzz/$target.dict" ]; then
        options+=(-dict="tests/fuzz/$target.dict")
    fi
    for seed in "$fixed_seed" "$random_seed"; do
        log=$run/seed-$seed.log
        status=0
        "$fuzzer" -seed="$seed" "${options[@]}" "$run/corpus" >"$log" 2>&1 || status=$?
        found=$(find "$run/findings" -type f | head -n 1)
        if [ "$status" -ne 0 ] || [ -n "$found" ]; then
            tail -n 60 "$log"
            echo "run-fuzzers.sh: fuzz_$target found a fault with seed $seed (exit status $status); log: $log" >&2
            if [ -n "$found" ]; then
                echo "run-fuzzers.sh: the input is $found; replay it with: $fuzzer $found" >&2
            fi
            exit 1
        fi
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        final=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | sed -E 's/.*DONE +//')
        echo "fuzz_$target seed $seed: $execs runs, $final"
    done
done
echo "run-fuzzers.sh: no findings in $(( $(date +%s) - start )) s"
