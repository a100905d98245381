#!/usr/bin/env bash
# Builds the font benchmark in Release and prints the time per part, with the
# cost of a fresh font (set-up plus every glyph) beside it for comparison.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-bench-font -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORIX_BUILD_GUI=OFF >/dev/null
cmake --build build-bench-font --target font_bench >/dev/null
json=$(build-bench-font/bench/font/font_bench --benchmark_format=json --benchmark_min_time=0.5 \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null)
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b for b in json.loads(sys.argv[1])["benchmarks"] if b["aggregate_name"] == "median"}
unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}
ms = {name: b["real_time"] * unit[b["time_unit"]] for name, b in runs.items()}
warm, fresh, setup = ms["BM_RenderPart"], ms["BM_RenderPartWithFreshFont"], ms["BM_FontSetUp"]
print(f"font render time per part (ms): {warm:.3f}")
print(f"fresh font per part (ms): {fresh:.3f} (set-up {setup:.3f}), {fresh / warm:.1f}x the reused font")
PY
