#!/bin/bash
# Builds the parsers of medium files natively (host clang, not the cross compiler) with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, and runs each target from its seed
# corpus for a bounded number of inputs.
#   fuzz/run.sh [target...]        every target (or those named), FUZZ_RUNS inputs each (100000)
#   FUZZ_TIME=3600 fuzz/run.sh X   target X for an hour instead of a count
# New inputs that reach new code are kept in the build folder's corpus, not in the repository;
# a finding is written there as crash-* or leak-* and the script fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}
runs=${FUZZ_RUNS:-100000}
cxx=${FUZZ_CXX:-clang++}

declare -A sources=(
    [setup_data]="app/setup_data.cpp"
    [license_text]="pages/license_text.cpp"
    [version_resource]="env/version_resource.cpp"
    [cabinet_header]="install/cabinet_header.cpp"
    [package_check]="install/package_check.cpp install/cabinet_walk.cpp install/cabinet_header.cpp framework/path.cpp"
    [cabinet_walk]="install/cabinet_walk.cpp install/cabinet_header.cpp"
    [bitmap_file]="ui/bitmap_file.cpp"
)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(setup_data license_text version_resource cabinet_header cabinet_walk package_check bitmap_file)

mkdir -p "$out"
for target in "${targets[@]}"; do
    [ -n "${sources[$target]:-}" ] || { echo "no fuzz target $target" >&2; exit 2; }
    files=("$root/fuzz/$target.cpp")
    for source in ${sources[$target]}; do files+=("$root/$source"); done
    "$cxx" -std=c++20 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -I"$root" "${files[@]}" -o "$out/$target"
done
for target in "${targets[@]}"; do
    mkdir -p "$out/corpus/$target"
    limit=(-runs="$runs")
    [ -z "${FUZZ_TIME:-}" ] || limit=(-max_total_time="$FUZZ_TIME")
    echo "fuzz: $target"
    "$out/$target" "${limit[@]}" -print_final_stats=0 -artifact_prefix="$out/$target-" \
        "$out/corpus/$target" "$root/fuzz/corpus/$target" 2>"$out/$target.log" ||
        { tail -40 "$out/$target.log"; exit 1; }
    grep -E '^(#[0-9]+ *DONE|Done)' "$out/$target.log" | tail -1
done
