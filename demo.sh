#!/usr/bin/env bash
# Builds the demo if needed and plays the bundled show. Options are passed on
# to build/demo (see ./demo.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh >&2
exec ./build/demo "$@"
