#!/usr/bin/env bash
# What the confined workers cost: two morvane-cli builds side by side, in one session, alternating run by
# run so that the machine's drift falls on both: the camera-like workload at -j 1 and -j 2, and 2,000 small
# files (where the per-file exchange with a worker weighs most).
#   bench/worker_cost.sh BEFORE_CLI AFTER_CLI [FOLDER]
# BEFORE_CLI is a morvane-cli built from an earlier commit (for example in a worktree with the release
# preset), AFTER_CLI this one (its morvane-worker beside it or in the build tree). FOLDER holds the JPEG
# workload (bench/make_workload.sh; generated into build/bench/workload without it). RUNS (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
before=$1 after=$2
runs=${RUNS:-5}
folder=${3:-$root/build/bench/workload}
[ -d "$folder" ] || bench/make_workload.sh "$folder"
mapfile -t photos < <(find "$folder" -maxdepth 1 -type f -iname '*.jpg' | sort)

scratch=$(mktemp -d /dev/shm/morvane-worker-cost.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME=$scratch/config
small=$root/build/bench/small
if [ ! -f "$small/1999.jpg" ]; then
  mkdir -p "$small"
  convert -size 160x120 plasma:fractal -quality 85 "$small/seed.jpg"
  exiftool -q -overwrite_original -GPSLatitude=48.85 -GPSLatitudeRef=N -Make=Camera "$small/seed.jpg"
  for i in $(seq 0 1999); do cp "$small/seed.jpg" "$small/$i.jpg"; done
  rm "$small/seed.jpg"
fi

# seconds CLI ARGS...: one run's wall time into a fresh output folder.
seconds() {
  rm -rf "$scratch/out"; mkdir -p "$scratch/out"
  local start end
  start=$(date +%s.%N)
  "$@" --quiet -o "$scratch/out" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

compare() { # name ARGS...
  local name=$1; shift
  local b=() a=()
  for ((r = 0; r < runs; r++)); do
    b+=("$(seconds "$before" "$@")")
    a+=("$(seconds "$after" "$@")")
  done
  local mb ma
  mb=$(printf '%s\n' "${b[@]}" | median)
  ma=$(printf '%s\n' "${a[@]}" | median)
  printf '%-28s before %7.3f s   after %7.3f s   after/before %5.3f\n' "$name" "$mb" "$ma" "$(echo "$ma / $mb" | bc -l)"
}

echo "machine: $(nproc) cores; median of $runs alternating runs"
compare "${#photos[@]} photos, -j 1" -j 1 "${photos[@]}"
compare "${#photos[@]} photos, -j 2" -j 2 "${photos[@]}"
compare "2000 small files, -j 1" -j 1 "$small"
compare "2000 small files, -j 2" -j 2 "$small"
