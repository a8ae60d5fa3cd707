#!/usr/bin/env bash
# Builds the demo if needed and runs every test. The tests get their own
# virtual display (Xvfb) and a silent audio driver, so no screen or sound
# device is needed. The display runs with -noreset: by default an X server
# resets whenever its last client disconnects, and a connection opened during
# that reset is refused, which made tests that open and close connections in
# quick succession fail now and then.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
export SDL_AUDIODRIVER=dummy
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure "$@"
