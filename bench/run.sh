#!/bin/sh
# Builds the benchmarks in a Release tree (build/bench) and prints each figure as a ratio
# against a reference measured in the same run; absolute times on shared machines are noise.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUENBO_BUILD_BENCH=ON -DQUENBO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_core >/dev/null
out="$build/bench_core.json"
"$build/bin/bench_core" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$out" >/dev/null
jq -r '
  [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def ratio($a; $b): ($t[$a] / $t[$b] * 100 | round / 100 | tostring) + "x";
  "sign + build item query vs. bare MD5 of the signed text: " + ratio("BM_SignAndBuildItemQuery"; "BM_Md5OfSignedText"),
  "FindItem over 10,000 items vs. over 40:                  " + ratio("BM_FindItem/10000"; "BM_FindItem/40"),
  "IsFavourite over 10,000 ids vs. over 40:                 " + ratio("BM_IsFavourite/10000"; "BM_IsFavourite/40"),
  "LoadItemPicture (60 KB JPEG) vs. plain read of the file: " + ratio("BM_LoadItemPicture"; "BM_ReadPictureFile")
' "$out"
