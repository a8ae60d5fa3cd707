#!/usr/bin/env bash
# Soak run of real-time play with --watch: the show plays in a small window,
# looping over almost all of it, from a copy of data/ in which a shader
# (data/polar.fs) and a picture (data/housing.jpg) are rewritten every few
# seconds, so both reload over and over. The resident memory (RSS) of the
# program is sampled every 10 seconds; at the end the samples are written as
# a CSV and the figures after warm-up and at the end are printed.
#
# Usage: scripts/soak.sh [MINUTES] [CSV]   (defaults: 30, /tmp/kiln_soak.csv)
# Needs the built program (build/demo) and a display ($DISPLAY), for example
#   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" nice -n 19 scripts/soak.sh 30
# Sound goes to SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
# Exits 1 when the program stops before the time is up or does not end with
# status 0 when it is terminated.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
csv=${2:-/tmp/kiln_soak.csv}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
[ -n "${DISPLAY:-}" ] || { echo "soak.sh: no display (DISPLAY is not set)" >&2; exit 1; }
[ -x "$root/build/demo" ] || { echo "soak.sh: build/demo is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/kiln_soak.XXXXXX)
demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -r "$root/data" "$work/data"
cp "$work/data/polar.fs" "$work/polar.fs.orig"
cp "$work/data/housing.jpg" "$work/housing.jpg.orig"
cp "$work/data/show/lagoon.jpg" "$work/housing.jpg.other"

cd "$work"
"$root/build/demo" --no-dialog --windowed --size 320x240 --watch --loop 1000:219000 \
  2> "$work/demo.err" &
demo_pid=$!

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$demo_pid/status" 2>/dev/null || echo 0; }
echo "seconds,rss_kb" > "$csv"
start=$(date +%s)
end=$((start + minutes * 60))
next_sample=$start
edits=0
while [ "$(date +%s)" -lt "$end" ]; do
  if ! kill -0 "$demo_pid" 2>/dev/null; then
    echo "soak.sh: the program stopped after $(( $(date +%s) - start )) s:" >&2
    tail -n 5 "$work/demo.err" >&2
    exit 1
  fi
  # The shader: a changed comment line; the picture: the other one, written
  # beside and renamed over it, as editors save.
  { cat polar.fs.orig; echo "// edit $edits"; } > data/polar.fs
  if [ $((edits % 2)) -eq 0 ]; then src=housing.jpg.other; else src=housing.jpg.orig; fi
  cp "$src" data/housing.jpg.new && mv data/housing.jpg.new data/housing.jpg
  edits=$((edits + 1))
  now=$(date +%s)
  if [ "$now" -ge "$next_sample" ]; then
    echo "$((now - start)),$(rss)" >> "$csv"
    next_sample=$((next_sample + 10))
  fi
  sleep 3
done
final=$(rss)
kill -TERM "$demo_pid"
status=0
wait "$demo_pid" || status=$?
demo_pid=
echo "$((end - start)),$final" >> "$csv"

reloaded=$(grep -c '^Reloaded' "$work/demo.err" || true)
refused=$(grep -c 'cannot be reloaded' "$work/demo.err" || true)

# Warm-up: the first loop of the show (about 3.6 minutes) and some reloads.
awk -F, -v edits="$edits" -v status="$status" -v reloaded="$reloaded" -v refused="$refused" \
  'NR > 1 {
    if ($1 >= 240 && warm == "") warm = $2
    if ($2 > peak) peak = $2
    last = $2
  }
  END {
    if (warm == "") warm = last
    printf "%d shader and %d picture edits: %d reloads, %d refused\n", edits, edits, reloaded,
           refused
    printf "RSS after warm-up (240 s): %d kB; at the end: %d kB (%+d kB); peak %d kB\n",
           warm, last, last - warm, peak
    printf "exit status after SIGTERM: %d\n", status
  }' "$csv"
echo "samples: $csv"
[ "$status" -eq 0 ]
