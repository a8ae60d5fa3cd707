#!/usr/bin/env bash
# Plants the faults of scripts/planted_faults.txt one at a time in a scratch
# copy of the project, rebuilds what they touch, runs reference_pictures_test
# and the tests each fault names, and reports the faults no test caught.
#
# Usage: scripts/planted_faults.sh [-k SCRATCH] [-o REPORT] [WORD ...]
#   WORD ...    only the faults whose "what" line contains one of the words
#   -k SCRATCH  the scratch folder (default: $TMPDIR/kiln-planted-faults); it
#               keeps its build between runs, so a second run is quicker
#   -o REPORT   also write the report to this file
# Needs a display for the GL tests: run it under xvfb-run (it starts one
# with xvfb-run -a when DISPLAY is not set). It is slow (a rebuild per
# fault): not part of ./test.sh. Exit status 0 when at least 90 % of the
# faults are caught, 1 otherwise, 2 when it cannot run.
set -uo pipefail
shopt -u patsub_replacement 2> /dev/null  # "&" in a new text stays "&"
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch="${TMPDIR:-/tmp}/kiln-planted-faults"
report=""
while getopts "k:o:" option; do
  case "$option" in
    k) scratch="$OPTARG" ;;
    o) report="$OPTARG" ;;
    *) sed -n '5,10p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
words=("$@")

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" -k "$scratch" \
    ${report:+-o "$report"} "${words[@]}"
fi
export SDL_AUDIODRIVER=dummy
command -v ccache > /dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
                                           -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

say() { echo "$*"; [ -z "$report" ] || echo "$*" >> "$report"; }
[ -z "$report" ] || : > "$report"
began=$(date +%s)

# The faults, as parallel arrays.
whats=() files=() olds=() news=() tests=() seens=()
add_fault() {
  [ -n "$what" ] || return 0
  local keep=${#words[@]}
  for w in ${words[@]+"${words[@]}"}; do [[ "$what" == *"$w"* ]] && keep=0; done
  if [ "$keep" -eq 0 ]; then
    whats+=("$what") files+=("$file") olds+=("$old") news+=("$new") tests+=("$test")
    seens+=("$seen")
  fi
  what="" file="" old="" new="" test="" seen=""
}
what="" file="" old="" new="" test="" seen=""
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    "#"*) ;;
    "") add_fault ;;
    what:*) what="${line#what:}" what="${what#"${what%%[! ]*}"}" ;;
    file:*) file="${line#file:}" file="${file#"${file%%[! ]*}"}" ;;
    old:*) old="${line#old:}" old="${old#"${old%%[! ]*}"}" ;;
    new:*) new="${line#new:}" new="${new#"${new%%[! ]*}"}" ;;
    tests:*) test="${line#tests:}" ;;
    seen:*) seen="${line#seen:}" seen="${seen#"${seen%%[! ]*}"}" ;;
    *) echo "planted_faults.txt: cannot read: $line" >&2; exit 2 ;;
  esac
done < "$root/scripts/planted_faults.txt"
add_fault
[ ${#whats[@]} -gt 0 ] || { echo "No fault matches: ${words[*]}" >&2; exit 2; }

# The scratch copy: the project's files as they are in the worktree (also
# uncommitted ones), with their times, so that an unchanged file is not
# rebuilt.
mkdir -p "$scratch/src" || exit 2
(cd "$root" && git ls-files -co --exclude-standard -z | tar -c --null -T - -f -) |
  tar -x -C "$scratch/src" -f - || exit 2
build="$scratch/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$scratch/src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${launcher[@]+"${launcher[@]}"} \
    > "$scratch/configure.log" 2>&1 || { echo "Configuring failed: $scratch/configure.log" >&2; exit 2; }
fi

# Every test the faults name, built and run once unchanged: a fault counts
# as caught only by a test that passes without it.
all_tests="reference_pictures_test"
for t in "${tests[@]}"; do all_tests+=" $t"; done
all_tests=$(tr ' ' '\n' <<< "$all_tests" | sed '/^$/d' | sort -u | tr '\n' ' ')
targets() { for t in $1; do printf -- "--target %s " "$t"; done; }
build_tests() {  # $1: test names; the output goes to $scratch/build.log
  nice -n 19 cmake --build "$build" -j2 $(targets "$1") > "$scratch/build.log" 2>&1
}
failing_tests() {  # $1: test names; prints those that fail (each writes $scratch/NAME.log)
  local t
  for t in $1; do
    (cd "$scratch/src" && timeout 600 nice -n 19 "$build/$t" > "$scratch/$t.log" 2>&1) ||
      printf '%s ' "$t"
  done
}
# The scenes load sample_plugin; some tests run the demo.
say "Building the unchanged copy in $scratch ..."
build_tests "$all_tests sample_plugin demo" || { echo "The unchanged copy does not build: $scratch/build.log" >&2; exit 2; }
failing=$(failing_tests "$all_tests")
[ -z "$failing" ] || { echo "Tests fail without any fault: $failing(logs in $scratch)" >&2; exit 2; }

# Interrupted, the file with the fault in it is put back as it was (with a
# new time, so that the next run compiles it again).
path="" original=""
trap '[ -z "$path" ] || printf "%s" "$original" > "$path"; exit 130' INT TERM
caught=0 by_pictures=0 planted=0 survivors=() stale=()
for i in "${!whats[@]}"; do
  path="$scratch/src/${files[$i]}"
  original=$(cat "$path" 2> /dev/null; printf x) original="${original%x}"
  rest="${original#*"${olds[$i]}"}"
  if [ ! -f "$path" ] || [ "$rest" = "$original" ] || [[ "$rest" == *"${olds[$i]}"* ]]; then
    stale+=("${whats[$i]} (${files[$i]}: the old text is not there exactly once)")
    path=""
    continue
  fi
  printf '%s' "${original/"${olds[$i]}"/"${news[$i]}"}" > "$path"
  planted=$((planted + 1))
  started=$(date +%s) failing=""
  if ! build_tests "reference_pictures_test sample_plugin demo ${tests[$i]}"; then
    result="unbuilt"
    stale+=("${whats[$i]} (does not build: fix the fault)")
    planted=$((planted - 1))
  else
    failing=$(failing_tests "reference_pictures_test ${tests[$i]}")
    if [ -z "$failing" ]; then
      result="SURVIVED"
      survivors+=("${whats[$i]}${seens[$i]:+ -- ${seens[$i]}}")
    else
      result="caught"
      caught=$((caught + 1))
      [[ "$failing" != *reference_pictures_test* ]] || by_pictures=$((by_pictures + 1))
    fi
  fi
  # Written anew, so the next build compiles the file as it was.
  printf '%s' "$original" > "$path"
  path=""
  say "$(printf '%-8s %4ss  %s' "$result" $(($(date +%s) - started)) "${whats[$i]}")${failing:+ [by ${failing% }]}"
done
build_tests "$all_tests sample_plugin demo" > /dev/null 2>&1

say ""
percent=$((planted > 0 ? 100 * caught / planted : 0))
say "Caught $caught of $planted planted faults ($percent %) in $(( ($(date +%s) - began) / 60 )) min;"
say "reference_pictures_test caught $by_pictures of them."
for s in ${survivors[@]+"${survivors[@]}"}; do say "  survived: $s"; done
for s in ${stale[@]+"${stale[@]}"}; do say "  not planted: $s"; done
[ "$percent" -ge 90 ]
