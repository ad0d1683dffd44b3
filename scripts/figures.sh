#!/usr/bin/env bash
# The README's figures, from the bench and the benchmarks, written between its markers
# (<!-- figures: NAME --> ... <!-- /figures -->):
#   routes   frames, bytes on the wire, wire-bound and modeled time of each route's flash
#            (deterministic: the link timing model)
#   host     the program's own time per exchange (Google Benchmark; measured)
#   usb      wall and CPU time of each route's flash over the emulated USB stack (measured)
#
#   figures.sh [--check] [BUILD_DIR]
# Without --check it renews every table, the measured ones with the machine and the date they
# were measured on (it builds the benchmark in build/bench). With --check it computes the
# deterministic tables only and fails, showing the difference, when the README's differ: CI runs
# it so. BUILD_DIR (default build/ci) holds the bench.
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
if [ "${1:-}" = "--check" ]; then check=true; shift; fi
build=${1:-build/ci}
bench="$build/tools/halvenmark-bench"
readme=README.md

# The routes: name, short name, the bench's options for the device.
routes=(
    "default (image 100–104, 200–209, 212)|default|--device 0x01"
    "image 105, keeps device bytes|image 105|--device 0x09"
    "8 KiB update (106, 108)|8 KiB update|--device 0x0C"
    "16 KiB update (107)|16 KiB update|--device 0x11"
    "expander (300, 400)|expander|--device 0x30"
    "expander, low-area pass (version 1.7 or older)|expander, low-area pass|--device 0x20 --version 0x15"
)

# A run's figures: exchanges, bytes on the wire (from the trace), wire and modeled seconds.
figures_of() {  # OPTIONS...
    "$bench" --timing --trace "$@" | awk '
        /^(tx|rx): / && $2 != "(none)" { bytes += NF - 1 }
        /^timing: / {
            for (i = 2; i <= NF; ++i) { split($i, kv, "="); value[kv[1]] = kv[2] }
            sub(/s$/, "", value["wire"]); sub(/s$/, "", value["modeled"])
            printf "%d %d %s %s\n", value["exchanges"], bytes, value["wire"], value["modeled"]
        }'
}

route_table() {
    echo "| route | device | frames | bytes on the wire | wire-bound | modeled at 2 ms latency |"
    echo "|---|---|---:|---:|---:|---:|"
    local route name short options
    for route in "${routes[@]}"; do
        IFS='|' read -r name short options <<< "$route"
        # shellcheck disable=SC2086
        read -r fx fb fw fm < <(figures_of $options find flash)
        # shellcheck disable=SC2086
        read -r ix ib iw im < <(figures_of $options find)
        awk -v name="$name" -v device="${options#--device }" -v x=$((fx - ix)) -v b=$((fb - ib)) \
            -v w="$fw" -v iw="$iw" -v m="$fm" -v im="$im" 'BEGIN {
                printf "| %s | `%s` | %d | %d | %.2f s | %.2f s |\n", name, device, x, b, w - iw, m - im }'
    done
}

machine() {
    local cpu
    cpu=$(grep -m1 "model name" /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
    echo "$(nproc) cores, ${cpu:-unknown processor}, $(date -u +%Y-%m-%d)"
}

host_table() {
    local program=build/bench/tools/halvenmark_host_benchmark
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALVENMARK_BENCHMARKS=ON > /dev/null
    cmake --build build/bench --target halvenmark_host_benchmark > /dev/null
    "$program" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_format=csv 2> /dev/null | awk -F, -v machine="$(machine)" '
        BEGIN {
            label["BM_FirstFormWrite"] = "first form, 13-byte write frame and 3-byte acknowledgement"
            label["BM_FirstFormVerify"] = "first form, read-back of 8 bytes"
            label["BM_SecondFormWrite"] = "second form, 69-byte write frame"
            label["BM_SecondFormVerify"] = "second form, read-back of 16 bytes"
            label["BM_Identification"] = "identification (4 exchanges and the image'"'"'s preparation), whole"
            print "Measured on " machine " (Google Benchmark, `Release`, CPU time, median of three runs):"
            print ""
            print "| exchange | host time | heap allocations per exchange |"
            print "|---|---:|---:|"
        }
        NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); column[$i] = i }; next }
        $1 ~ /_median"?$/ {
            name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
            if (!(name in label)) next
            # the identification as a whole; the memory loops per exchange
            ns = name == "BM_Identification" ? $column["cpu_time"] : $column["exchanges"] * 1e9
            text = ns >= 1000 ? sprintf("%.1f µs", ns / 1000) : sprintf("%.0f ns", ns)
            allocs = name == "BM_Identification" ? "" : sprintf("%d", $column["allocs_per_exchange"] + 0.5)
            print "| " label[name] " | " text " | " allocs " |"
        }'
}

usb_table() {
    echo "Measured on $(machine) (\`Release\`, \`--usb --timing\`, the median of three runs):"
    echo
    echo "| route | device | modeled | wall | wall against the model | CPU of the program's thread |"
    echo "|---|---|---:|---:|---:|---:|"
    local route name short options
    for route in "${routes[@]}"; do
        IFS='|' read -r name short options <<< "$route"
        local runs=()
        for _ in 1 2 3; do
            # shellcheck disable=SC2086
            runs+=("$("$bench" --usb --timing $options find flash | awk '
                /^timing: / { split($4, m, "="); sub(/s$/, "", m[2]); modeled = m[2] }
                /^usb: / { split($3, w, "="); split($4, c, "="); sub(/s$/, "", w[2]); sub(/s$/, "", c[2])
                           print modeled, w[2], c[2] }')")
        done
        # shellcheck disable=SC2086
        read -r im iw ic < <("$bench" --usb --timing $options find | awk '
            /^timing: / { split($4, m, "="); sub(/s$/, "", m[2]); modeled = m[2] }
            /^usb: / { split($3, w, "="); split($4, c, "="); sub(/s$/, "", w[2]); sub(/s$/, "", c[2])
                       print modeled, w[2], c[2] }')
        printf '%s\n' "${runs[@]}" | sort -k2 -n | sed -n 2p | awk -v name="$short" \
            -v device="${options#--device }" -v im="$im" -v iw="$iw" -v ic="$ic" '{
                m = $1 - im; w = $2 - iw; c = $3 - ic
                printf "| %s | `%s` | %.2f s | %.2f s | %+.0f %% | %.2f s (%.0f %%) |\n",
                       name, device, m, w, 100 * (w - m) / m, c, 100 * c / w }'
    done
}

# Puts TEXT between the markers of NAME in the README.
replace_table() {  # NAME FILE_WITH_TEXT
    awk -v name="$1" -v file="$2" '
        $0 == "<!-- figures: " name " -->" { print; while ((getline line < file) > 0) print line; skipping = 1; next }
        skipping && $0 == "<!-- /figures -->" { skipping = 0 }
        !skipping { print }' "$readme" > "$readme.new"
    mv "$readme.new" "$readme"
}

table_in_readme() {  # NAME
    awk -v name="$1" '
        $0 == "<!-- figures: " name " -->" { inside = 1; next }
        inside && $0 == "<!-- /figures -->" { exit }
        inside { print }' "$readme"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
route_table > "$work/routes"
if $check; then
    if ! diff -u <(table_in_readme routes) "$work/routes"; then
        echo "figures: the README's route table has drifted from the bench's figures;" \
             "scripts/figures.sh renews it"
        exit 1
    fi
    echo "figures: the README's route table is the bench's"
    exit 0
fi
replace_table routes "$work/routes"
host_table > "$work/host"
replace_table host "$work/host"
usb_table > "$work/usb"
replace_table usb "$work/usb"
echo "figures: the README's tables are renewed"
