#!/bin/sh
# Builds the benchmarks in a Release tree (build/bench) and prints each figure as a ratio
# against a reference measured in the same run; absolute times on shared machines are noise.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUENBO_BUILD_BENCH=ON -DQUENBO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_core bench_sandbox quenbo-sandbox >/dev/null
out="$build/bench_core.json"
"$build/bin/bench_core" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$out" >/dev/null
jq -r '
  [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def ratio($a; $b): ($t[$a] / $t[$b] * 100 | round / 100 | tostring) + "x";
  "sign + build item query vs. bare MD5 of the signed text: " + ratio("BM_SignAndBuildItemQuery"; "BM_Md5OfSignedText"),
  "IsFavourite over 10,000 ids vs. over 40:                 " + ratio("BM_IsFavourite/10000"; "BM_IsFavourite/40"),
  "LoadCachedPicture (60 KB JPEG) vs. plain read of the file: " + ratio("BM_LoadCachedPicture"; "BM_ReadPictureFile")
' "$out"

out="$build/bench_sandbox.json"
"$build/bin/bench_sandbox" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$out" >/dev/null
jq -r '
  [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def ratio($a; $b): ($t[$a] / $t[$b] * 100 | round / 100 | tostring) + "x";
  "40-item answer built in process (" + ($t["BM_ItemAnswerInProcess"] / 1000 | round | tostring) + " us) vs. over loopback: " + ratio("BM_ItemAnswerInProcess"; "BM_ItemAnswerOverLoopback/real_time"),
  "40-item answer vs. the version file, both over loopback keep-alive: " + ratio("BM_ItemAnswerOverLoopback/real_time"; "BM_VersionFileOverLoopback/real_time")
' "$out"

# The picture host against the client's own limit: curl fetching 40 pictures over one
# keep-alive connection, beside curl reading the same 40 files from disk.
work=$(mktemp -d)
"$build/bin/quenbo-sandbox" --port 0 >"$work/address" &
sandbox=$!
trap 'kill $sandbox 2>/dev/null; rm -rf "$work"' EXIT
while [ ! -s "$work/address" ]; do sleep 0.1; done
base=$(head -n 1 "$work/address")
ids=$(curl -s "$base/index.xml" | grep -o '<num_iid>[0-9]*' | cut -d'>' -f2 | head -n 40)
http_urls=""
file_urls=""
for id in $ids; do
  curl -s -o "$work/$id.jpg" "$base/pic/${id}_b.jpg"
  http_urls="$http_urls $base/pic/${id}_b.jpg"
  file_urls="$file_urls file://$work/$id.jpg"
done
elapsed() {
  best=""
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    curl -s $1 >/dev/null
    took=$(( $(date +%s%N) - start ))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  echo "$best"
}
outs=""
for _ in $ids; do outs="$outs -o /dev/null"; done
served=$(elapsed "$outs $http_urls")
local_read=$(elapsed "$outs $file_urls")
echo "40 pictures over one keep-alive connection vs. curl reading the same files: $(echo "scale=2; $served / $local_read" | bc)x"

# The item list: loading a 40-item page and one worker's 40 uncached pictures beside libcurl
# making the same transfers on one keep-alive connection; a keyword search until the rows of the
# first screen show their pictures, over a link of 50 ms per request and of none, beside the curl
# program fetching that answer and those pictures with --parallel at the same latency; a search
# until all 40 pictures are painted beside libcurl writing the answer and the 40 pictures to
# files and decoding the thumbnails on as many threads as the window does; painting a screen of
# rows; scrolling a list of 10,000 rows beside one of 40.
cmake --build "$build" -j2 --target bench_items >/dev/null
out="$build/bench_items.json"
"$build/bin/bench_items" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$out" >/dev/null
jq -r '
  ([.benchmarks[] | select(.aggregate_name == "median"
     and .run_name == "BM_CurlFetchesSearchAndMakesThumbnails/real_time")][0].decode_threads
   | tostring) as $threads
  | [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def fixed2: (. * 100 | round) as $c | ($c / 100 | floor | tostring) + "." + ($c % 100 + 100 | tostring | .[1:]);
    def ratio($a; $b): ($t[$a] / $t[$b] | fixed2) + "x";
  "LoadItemPage (40 items) vs. libcurl right after a load: " + ratio("BM_LoadItemPage/real_time"; "BM_CurlFetchItemPageAfterLoad/real_time")
    + " (warm: " + ratio("BM_LoadItemPage/real_time"; "BM_CurlFetchItemPage/real_time") + ")",
  "search until the first screen shows its pictures, 50 ms per request, vs. curl --parallel: "
    + ratio("BM_SearchUntilFirstScreenPainted/50/real_time"; "BM_CurlProgramFetchesFirstScreen/50/real_time")
    + " (at 0 ms: " + ratio("BM_SearchUntilFirstScreenPainted/0/real_time"; "BM_CurlProgramFetchesFirstScreen/0/real_time") + ")",
  "search until all 40 pictures are painted vs. libcurl writing the answer and 40 files plus decoding 40 thumbnails on " + $threads + " threads: "
    + ratio("BM_SearchUntilPicturesPainted/real_time"; "BM_CurlFetchesSearchAndMakesThumbnails/real_time"),
  "one worker, 40 uncached pictures vs. libcurl on one connection:    " + ratio("BM_WorkerFetches40Pictures/real_time"; "BM_CurlFetches40Pictures/real_time"),
  "painting a screen of rows: " + ($t["BM_PaintScreenOfRows/real_time"] / 1000000 * 100 | round / 100 | tostring) + " ms per frame",
  "scrolling 10,000 rows vs. 40 rows, per step:                       " + ratio("BM_ScrollAndPaint/10000/real_time"; "BM_ScrollAndPaint/40/real_time")
' "$out"

# Start-up: process start to first paint of the main window (archive opened, settings decoded,
# every control laid out, loading indicator running) beside a bare window of the same size that
# paints the same captions in the same faces itself, with no archive, skin or controls, and
# beside a bare Qt Widgets window painting nothing. Peak memory of each is measured in a process
# of its own that only starts and paints.
cmake --build "$build" -j2 --target bench_startup >/dev/null
startup_dir=$(mktemp -d)
QT_QPA_PLATFORM=offscreen "$build/bin/bench_startup" --prepare="$startup_dir"
QT_QPA_PLATFORM=offscreen hyperfine -N --warmup 3 --runs 20 --export-json "$build/startup.json" \
    "$build/bin/bench_startup --first-paint=bare $startup_dir" \
    "$build/bin/bench_startup --first-paint=captions $startup_dir" \
    "$build/bin/bench_startup --first-paint=main $startup_dir" >/dev/null
peak_kb() {
  best=""
  for _ in 1 2 3; do
    QT_QPA_PLATFORM=offscreen /usr/bin/time -f %M -o "$startup_dir/peak" \
      "$build/bin/bench_startup" --first-paint="$1" "$startup_dir" >/dev/null 2>&1
    kb=$(tail -n 1 "$startup_dir/peak")
    if [ -z "$best" ] || [ "$kb" -lt "$best" ]; then best=$kb; fi
  done
  echo "$best"
}
bare_kb=$(peak_kb bare)
captions_kb=$(peak_kb captions)
main_kb=$(peak_kb main)
rm -rf "$startup_dir"
jq -r 'def fixed2: (. * 100 | round) as $c | ($c / 100 | floor | tostring) + "." + ($c % 100 + 100 | tostring | .[1:]);
  "process start to first paint vs. a bare window painting the same captions in the same faces: "
  + (.results[2].median / .results[1].median | fixed2) + "x ("
  + (.results[2].median * 1000 | round | tostring) + " ms vs. "
  + (.results[1].median * 1000 | round | tostring) + " ms; a bare Qt window: "
  + (.results[0].median * 1000 | round | tostring) + " ms)"' "$build/startup.json"
memory_ratio=$(awk -v a="$main_kb" -v b="$captions_kb" 'BEGIN { printf "%.2f", a / b }')
echo "peak memory, each in a process of its own, vs. the same reference: ${memory_ratio}x ($main_kb kB vs. $captions_kb kB; a bare Qt window: $bare_kb kB)"
out="$build/bench_startup.json"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_startup" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=json \
    --benchmark_out="$out" >/dev/null 2>&1
jq -r '
  [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def ratio($a; $b): ($t[$a] / $t[$b] * 100 | round / 100 | tostring) + "x";
  "main window until first paint vs. the same captions window, in one warm process: " + ratio("BM_MainWindowFirstPaint/real_time"; "BM_CaptionsWindowFirstPaint/real_time")
' "$out"

# Shutdown: destroying the window while three workers are stalled mid-download, while three
# wait in a name lookup that never answers (the hanging resolver makes lookups of one test host
# wait a minute), and while a search waits on a gateway that never answers, each beside
# destroying it with none.
cmake --build "$build" -j2 --target bench_shutdown >/dev/null
out="$build/bench_shutdown.json"
QT_QPA_PLATFORM=offscreen LD_PRELOAD="$build/lib/libquenbo_hang_resolver.so" \
    "$build/bin/bench_shutdown" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$out" >/dev/null
jq -r '
  [.benchmarks[] | select(.aggregate_name == "median") | {(.run_name): .real_time}] | add as $t
  | def ms($a): ($t[$a] * 100 | round / 100 | tostring) + " ms";
    def ratio($a; $b): ($t[$a] / $t[$b] * 100 | round / 100 | tostring) + "x";
  "shutdown with 3 workers stalled mid-download: " + ms("BM_Shutdown/1/iterations:4/manual_time")
    + ", vs. with none: " + ratio("BM_Shutdown/1/iterations:4/manual_time"; "BM_Shutdown/0/iterations:4/manual_time"),
  "shutdown with 3 workers in a hanging name lookup: " + ms("BM_Shutdown/2/iterations:4/manual_time")
    + ", vs. with none: " + ratio("BM_Shutdown/2/iterations:4/manual_time"; "BM_Shutdown/0/iterations:4/manual_time"),
  "shutdown while a search waits on a gateway that never answers: " + ms("BM_Shutdown/3/iterations:4/manual_time")
    + ", vs. with none: " + ratio("BM_Shutdown/3/iterations:4/manual_time"; "BM_Shutdown/0/iterations:4/manual_time")
' "$out"
