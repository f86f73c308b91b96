#!/usr/bin/env bash
# Regenerates the reader fixtures and PSPP's own CSV reading of each.
set -euo pipefail
cd "$(dirname "$0")"
export LANG=C.UTF-8
for syntax in full.sps latin1.sps small.sps ahex.sps codepages.sps longmissing.sps codebook.sps time-formats.sps portable.sps exports.sps; do
  pspp "$syntax" >/dev/null
done
# PSPP's LIST of every print format, the data view's reference; its data table alone.
pspp display-formats.sps -o display-formats.csv
sed -i -n '/^Table: Data List/,$p' display-formats.csv
for f in full.sav full-uncompressed.sav full.zsav latin1.sav; do
  pspp-convert "$f" "$f.csv"
done
