#!/usr/bin/env bash
# Writes the reference pictures of tests/reference_pictures/ anew from what
# the program draws now: every scene of scenes.txt, or only the scenes named.
# Usage: scripts/update_reference_pictures.sh [SCENE ...]
# Then look at every picture it lists as changed before committing it: a
# reference that shows a fault hides that fault from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh reference_pictures_test sample_plugin > /dev/null
filter="*"
[ $# -eq 0 ] || filter=$(printf '*MatchesTheReference/%s:' "$@")
export SDL_AUDIODRIVER=dummy DEMO_UPDATE_PICTURES=1
run=(build/reference_pictures_test --gtest_brief=1 "--gtest_filter=$filter")
if [ -n "${DISPLAY:-}" ]; then
  "${run[@]}"
else
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "${run[@]}"
fi
dir=tests/reference_pictures
for png in "$dir"/*.png; do
  grep -q "^= $(basename "$png" .png) " "$dir/scenes.txt" || echo "No scene draws $png: remove it."
done
echo "Changed pictures (look at each before committing):"
git status --short -- "$dir"
