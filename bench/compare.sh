#!/usr/bin/env bash
# Measures savkit against ReadStat and PSPP on the same data and prints one
# markdown table of medians and ratios. Build first with benchmarks:
#   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSAVKIT_BUILD_BENCH=ON \
#     -DSAVKIT_BUILD_PYTHON=ON -DPython_EXECUTABLE=/usr/bin/python3
#   cmake --build build/bench && bench/compare.sh build/bench
set -euo pipefail
build="${1:-build/bench}"
runs="${RUNS:-3}"
bench="$build/bench"
savkit="$build/cli/savkit"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A Google Benchmark's median over the runs: real time in milliseconds, and a
# counter when one is named.
gbench() {  # binary filter [counter]
  "$bench/$1" --benchmark_filter="^$2(/|\$)" --benchmark_repetitions="$runs" \
      --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, -v counter="${3:-}" -v runs="$runs" '
      NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
      $1 ~ /_median"?$/ || (runs == 1 && $1 !~ /_(mean|median|stddev|cv)"?$/) {
        t = $col["real_time"]; u = $col["time_unit"]
        if (u ~ /us/) t /= 1000; else if (u ~ /ns/) t /= 1e6; else if (u ~ /s"?$/ && u !~ /ms/) t *= 1000
        if (counter != "") print $col[counter]; else print t }'
}

# A command's median wall time in milliseconds over the runs; the output file
# (the first argument) is removed before each run, as some tools refuse to
# overwrite.
timed() {
  local output="$1" times=()
  shift
  for _ in $(seq "$runs"); do
    local start end
    rm -f "$output"
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
ms() { awk -v t="$1" 'BEGIN { if (t < 1) printf "%.1f µs", t * 1000; else printf "%.0f ms", t }'; }
mb() { awk -v m="$1" 'BEGIN { printf "%.1f MB", m }'; }
row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }

echo "Preparing the data (1,000,000 cases x 50 variables)..." >&2
"$bench/savkit_bench_read" --benchmark_filter=NONE >/dev/null 2>&1 || true
data=/tmp/savkit-bench-1m-v2.sav
[ -s "$data" ] || "$bench/savkit_bench_read" --benchmark_filter=BM_Sequential --benchmark_min_time=0 >/dev/null 2>&1
"$savkit" convert "$data" "$work/plain.sav" --compression none -q
"$savkit" convert "$data" "$work/zlib.zsav" --compression zlib -q
"$savkit" convert "$data" "$work/portable.por" -q 2>/dev/null

echo "Measuring (each $runs times)..." >&2
seq_byte=$(gbench savkit_bench_read BM_SequentialWholeCaseIn)
seq_rss=$(gbench savkit_bench_read BM_SequentialWholeCaseIn peak_rss_mb)
seq_rate=$(gbench savkit_bench_read BM_SequentialWholeCaseIn bytes_per_second)
seq_plain=$(SAVKIT_BENCH_FILE="$work/plain.sav" gbench savkit_bench_read BM_SequentialWholeCaseIn)
seq_zlib=$(SAVKIT_BENCH_FILE="$work/zlib.zsav" gbench savkit_bench_read BM_SequentialWholeCaseIn)
readstat=$(gbench savkit_bench_read BM_ReadStatParse)
random=$(gbench savkit_bench_read BM_RandomSeekAndRead)
getvalue=$(gbench savkit_bench_model BM_GetValueEveryValue)
randomvalue=$(gbench savkit_bench_model BM_RandomGetValue)
column=$(gbench savkit_bench_model BM_CreateIndexOneColumn)
saveas=$(gbench savkit_bench_model BM_SaveAsWith100Edits)
setters=$(gbench savkit_bench_write BM_CopyWithSetters)
whole=$(gbench savkit_bench_write BM_CopyWithWholeCaseOut)
pspp_save=$(gbench savkit_bench_write BM_PsppGetAndSave)
gbench savkit_bench_model BM_OpenLargeFile >/dev/null  # makes the 2 GB file once
open_rss=$(gbench savkit_bench_model BM_OpenLargeFile peak_rss_mb)
export_ms=$(timed "$work/out.csv" "$savkit" export "$data" -o "$work/out.csv" -q)
codebook_ms=$(timed "$work/codebook.html" "$savkit" codebook "$data" -o "$work/codebook.html" -q)
readstat_csv=$(timed "$work/readstat.csv" readstat "$data" "$work/readstat.csv")
pspp_csv=$(timed "$work/pspp.csv" pspp-convert "$data" "$work/pspp.csv")
# The same data as a portable file: read whole to CSV by each.
por_export=$(timed "$work/por.csv" "$savkit" export "$work/portable.por" -o "$work/por.csv" -q)
por_pspp=$(timed "$work/por-pspp.csv" pspp-convert "$work/portable.por" "$work/por-pspp.csv")
por_write=$(timed "$work/written.por" "$savkit" convert "$data" "$work/written.por" -q)
# savkit serve: pages of 100 cases at random places, one reader, then 4 at once.
serve_one="BM_ServePages/iterations:500/real_time/threads:1"
serve_four="BM_ServePages/iterations:500/real_time/threads:4"
serve_p50=$(gbench savkit_bench_serve "$serve_one" p50_ms)
serve_p99=$(gbench savkit_bench_serve "$serve_four" p99_ms)
serve_errors=$(gbench savkit_bench_serve "$serve_four" errors)
import_ms=$(timed "$work/imported.sav" "$savkit" import "$work/out.csv" -o "$work/imported.sav" -q)
# PSPP reads the same CSV with the types the columns have.
columns=$(head -1 "$work/out.csv" | tr -d '\r' | tr ',' '\n' |
  awk '/^CODE/ { printf " %s A8", $0; next } /^TEXT/ { printf " %s A40", $0; next } { printf " %s F40.2", $0 }')
cat > "$work/import.sps" <<SYNTAX
GET DATA /TYPE=TXT /FILE='$work/out.csv' /ENCODING='UTF-8' /ARRANGEMENT=DELIMITED /DELCASE=LINE
  /FIRSTCASE=2 /DELIMITERS=',' /QUALIFIER='"' /VARIABLES=$columns.
SAVE OUTFILE='$work/pspp-imported.sav'.
SYNTAX
pspp_import=$(timed "$work/pspp-imported.sav" pspp "$work/import.sps")
zlib_rss=$(SAVKIT_BENCH_FILE="$work/zlib.zsav" gbench savkit_bench_read BM_SequentialWholeCaseIn peak_rss_mb)
typed=$(gbench savkit_bench_model BM_TypedEveryValue)
numbers=$(gbench savkit_bench_model BM_NumbersOneColumn)
# R's haven (Debian r-cran-haven), the reader analysts use most, timed inside
# R so that starting R is not counted.
haven=0
if Rscript -e 'library(haven)' >/dev/null 2>&1; then
  haven=$(Rscript -e 'library(haven); a <- commandArgs(TRUE)
    t <- replicate(as.integer(a[2]), system.time(read_sav(a[1]))[["elapsed"]]); cat(median(t) * 1000)' "$data" "$runs")
fi

# The Python package, where the build has it: each run in a process of its
# own, as a user reads a file; medians of time, peak memory beyond what the
# process held before, and the DataFrame's own size.
py_read=0 py_rss=0 py_frame=0 py_chunks=0 py_chunks_rss=0 py_meta=0 py_dask=0
if [ -d "$build/python/savkit" ]; then
  pyrun() {
    for _ in $(seq "$runs"); do
      PYTHONPATH="$build/python" /usr/bin/python3 "$(dirname "$0")/python_read.py" "$1" "$data"
    done | sort -n | awk '{ a[NR] = $0 } END { print a[int((NR + 1) / 2)] }'
  }
  read -r py_read py_rss py_frame <<< "$(pyrun read)"
  read -r py_chunks py_chunks_rss _ <<< "$(pyrun chunks)"
  read -r py_meta _ _ <<< "$(pyrun metadata)"
  # savkit.dask, where Dask and its distributed scheduler are installed.
  if /usr/bin/python3 -c "import dask.dataframe, distributed" 2>/dev/null; then
    read -r py_dask _ _ <<< "$(pyrun dask)"
  fi
fi

# The R package, where R has it and haven: each run in a process of its own.
r_read=0 r_all=0 r_rss=0 r_frame=0 r_haven=0 r_write=0 r_haven_write=0
if Rscript -e 'library(savkit); library(haven)' >/dev/null 2>&1; then
  rrun() {
    for _ in $(seq "$runs"); do Rscript "$(dirname "$0")/r_read.R" "$1" "$data"; done |
      sort -n | awk '{ a[NR] = $0 } END { print a[int((NR + 1) / 2)] }'
  }
  read -r r_read r_rss r_frame <<< "$(rrun savkit)"
  read -r r_all _ _ <<< "$(rrun savkit-all)"
  read -r r_haven _ _ <<< "$(rrun haven)"
  read -r r_write _ _ <<< "$(rrun savkit-write)"
  read -r r_haven_write _ _ <<< "$(rrun haven-write)"
fi

mb=$(stat -c %s "$data")
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo), $(uname -sr); $(date -u +%Y-%m-%d)"
echo
row "measurement" "savkit" "compared with" "its time" "ratio" "target"
row "---" "---:" "---" "---:" "---:" "---"
row "sequential read, bytecode ($((mb / 1000000)) MB)" "$(ms "$seq_byte"), $(awk -v r="$seq_rate" 'BEGIN { printf "%.2f", r / 1e9 }') GB/s decoded" "ReadStat parse" "$(ms "$readstat")" "$(ratio "$readstat" "$seq_byte")× faster" "≥ 8× faster, ≥ 2.5 GB/s"
row "sequential read, uncompressed" "$(ms "$seq_plain")" "" "" "" ""
row "sequential read, zlib" "$(ms "$seq_zlib")" "sequential read, bytecode" "$(ms "$seq_byte")" "$(ratio "$seq_zlib" "$seq_byte")× the time" "≤ 2×"
row "every value through GetValue" "$(ms "$getvalue")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$getvalue" "$seq_byte")× the time" "≤ 1.5×"
row "every value through GetNumber/GetText" "$(ms "$typed")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$typed" "$seq_byte")× the time" ""
row "every value through GetValue" "$(ms "$getvalue")" "R haven read_sav" "$(ms "$haven")" "$(ratio "$haven" "$getvalue")× faster" ""
row "Python read_sav into a DataFrame" "$(ms "$py_read")" "R haven read_sav" "$(ms "$haven")" "$(ratio "$haven" "$py_read")× faster" "≥ 3× faster"
row "Python read_sav into a DataFrame" "$(ms "$py_read")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$py_read" "$seq_byte")× the time" "≤ 1.5×"
row "Python read_sav, peak memory added" "$(mb "$py_rss")" "the DataFrame's own size" "$(mb "$py_frame")" "$(ratio "$py_rss" "$py_frame")× its size" "≤ 1.3×"
row "Python read_sav_chunks, 10,000 rows a chunk" "$(ms "$py_chunks"), $(mb "$py_chunks_rss") added" "" "" "" "< 100 MB added"
row "Python read_metadata (the dictionary alone)" "$(ms "$py_meta")" "" "" "" "milliseconds"
row "savkit.dask: every partition on 2 worker processes" "$(ms "$py_dask")" "Python read_sav into a DataFrame" "$(ms "$py_read")" "$(ratio "$py_dask" "$py_read")× the time" "≤ 1.3×"
row "R read_sav into a tibble" "$(ms "$r_read")" "haven::read_sav" "$(ms "$r_haven")" "$(ratio "$r_haven" "$r_read")× faster" "≥ 10× faster"
row "R read_sav, then every string made" "$(ms "$r_all")" "haven::read_sav" "$(ms "$r_haven")" "$(ratio "$r_haven" "$r_all")× faster" ""
row "R read_sav, peak memory added" "$(mb "$r_rss")" "the tibble's object.size" "$(mb "$r_frame")" "$(ratio "$r_rss" "$r_frame")× its size" "≤ 1.3×"
row "R write_sav" "$(ms "$r_write")" "haven::write_sav" "$(ms "$r_haven_write")" "$(ratio "$r_haven_write" "$r_write")× faster" ""
row "one column through CreateIndex" "$(ms "$column")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$column" "$seq_byte")× the time" "≤ 1.2×"
row "one column through GetNumbers" "$(ms "$numbers")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$numbers" "$seq_byte")× the time" ""
row "random case read (seek + record)" "$(ms "$random")" "" "" "" "≤ 20 µs"
row "random Get_Value" "$(ms "$randomvalue")" "" "" "" "≤ 20 µs"
row "write, value setters" "$(ms "$setters")" "PSPP GET + SAVE" "$(ms "$pspp_save")" "$(ratio "$pspp_save" "$setters")× faster" "≥ 2× faster"
row "write, whole cases" "$(ms "$whole")" "PSPP GET + SAVE" "$(ms "$pspp_save")" "$(ratio "$pspp_save" "$whole")× faster" "≥ 4× faster"
row "SaveAs with 100 edits" "$(ms "$saveas")" "plain read + write" "$(ms "$whole")" "$(ratio "$saveas" "$whole")× the time" "≤ 1.5×"
row "codebook (whole command)" "$(ms "$codebook_ms")" "raw sequential read" "$(ms "$seq_byte")" "$(ratio "$codebook_ms" "$seq_byte")× the time" "≤ 3×"
row "CSV export" "$(ms "$export_ms")" "readstat to CSV" "$(ms "$readstat_csv")" "$(ratio "$readstat_csv" "$export_ms")× faster" "≥ 5× faster"
row "CSV export" "$(ms "$export_ms")" "pspp-convert to CSV" "$(ms "$pspp_csv")" "$(ratio "$pspp_csv" "$export_ms")× faster" "≥ 5× faster"
row "portable file (.por) to CSV" "$(ms "$por_export")" "pspp-convert .por to CSV" "$(ms "$por_pspp")" "$(ratio "$por_pspp" "$por_export")× faster" "≥ 3× faster"
row "portable file (.por) written from the .sav" "$(ms "$por_write")" "CSV export" "$(ms "$export_ms")" "$(ratio "$por_write" "$export_ms")× the time" ""
row "savkit serve: a page of 100 cases, median" "$(ms "$serve_p50")" "" "" "" "< 50 ms"
row "savkit serve: 2,000 pages from 4 threads, 99th percentile" "$(ms "$serve_p99"), $(printf '%.0f' "$serve_errors") errors" "" "" "" "< 100 ms, no error"
row "CSV import" "$(ms "$import_ms")" "our CSV export" "$(ms "$export_ms")" "$(ratio "$import_ms" "$export_ms")× the time" "≤ 1.2×"
row "CSV import" "$(ms "$import_ms")" "PSPP GET DATA + SAVE" "$(ms "$pspp_import")" "$(ratio "$pspp_import" "$import_ms")× faster" "faster"
row "peak memory, sequential read" "$(mb "$seq_rss")" "" "" "" ""
row "peak memory, sequential read, zlib" "$(mb "$zlib_rss")" "" "" "" "< 64 MB"
row "peak memory, opening a 2 GB file and reading its last value" "$(mb "$open_rss")" "" "" "" "< 64 MB"
