#!/bin/bash
# Runs every benchmark and prints one table: each figure as a ratio to its
# plain baseline measured in the same run, beside its target, met or not.
# A benchmark prints its rows as lines "figure<TAB>NAME<TAB>RATIO<TAB>TARGET<TAB>BASELINE"
# (bench::figure in bench/bench_clock.h); everything else it prints goes to
# BUILD/bench.log. A ratio must be at most its target, or at least it when
# the target reads ">=N" (a share of successes). A sixth field names a unit
# when the figure is an amount rather than a ratio ("bytes", "KiB"): such a
# figure is met at or under its target in that unit. A target of "-" is a
# figure reported before it has a target.
#
#   bench/all.sh BUILD
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/all.sh BUILD}" && pwd)
export MORVANE_BUILD=$build

# One line per benchmark: the command that runs it.
benchmarks=(
    "bench/run.sh $build command_file_bench"
    "bench/run.sh $build schedule_bench"
    "bench/run.sh $build event_start_bench"
    "bench/device-idle.sh 60"
    "bench/footprint.sh"
    "tests/crash/crash.sh $build"
)

log="$build/bench.log"
: >"$log"
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
cd "$repo"
for benchmark in "${benchmarks[@]}"; do
    echo "bench: $benchmark" >&2
    echo "=== $benchmark" >>"$log"
    output=$($benchmark 2>&1)
    status=$?
    printf '%s\n' "$output" >>"$log"
    figures=$(printf '%s\n' "$output" | tr -d '\r' | grep -P '^figure\t' || true)
    if [ -z "$figures" ] || [ "$status" -ne 0 ]; then
        printf 'figure\t%s\t-\t-\tfailed (exit %d) or printed no figure: see %s\n' "$benchmark" "$status" "$log" >>"$rows"
    fi
    [ -n "$figures" ] && printf '%s\n' "$figures" >>"$rows"
done

echo
awk -F'\t' '
    { name[NR] = $2; ratio[NR] = $3; target[NR] = $4; base[NR] = $5
      unit[NR] = NF >= 6 && $6 != "" ? " " $6 : "x"
      if (length($2) > width) width = length($2) }
    END {
        printf "%-*s  %12s  %14s  %-6s  %s\n", width, "Figure", "Measured", "Target", "Met", "Baseline (same run)"
        missed = 0
        for (i = 1; i <= NR; i++) {
            atLeast = target[i] ~ /^>=/
            bound = atLeast ? substr(target[i], 3) + 0 : target[i] + 0
            if (ratio[i] == "-") { verdict = "FAILED"; missed++ }
            else if (target[i] == "-") { verdict = "-"; untargeted++ }
            else if (atLeast ? ratio[i] + 0 >= bound : ratio[i] + 0 <= bound) verdict = "yes"
            else { verdict = "NO"; missed++ }
            shown = ratio[i] == "-" ? "-" : ratio[i] unit[i]
            goal = target[i] == "-" ? "-" : (atLeast ? target[i] : "<=" target[i]) unit[i]
            printf "%-*s  %12s  %14s  %-6s  %s\n", width, name[i], shown, goal, verdict, base[i]
        }
        printf "\n%d of %d targets met", NR - missed - untargeted, NR - untargeted
        if (untargeted) printf "; %d figure%s without a target yet", untargeted, (untargeted > 1 ? "s" : "")
        printf " (details: '"$log"')\n"
    }' "$rows"
