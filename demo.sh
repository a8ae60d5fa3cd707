#!/usr/bin/env bash
# Builds the demo if needed and plays the bundled show. Options are passed on
# to build/demo (see ./demo.sh --help). Only what the show needs is built: the
# program and the sample plug-in; ./test.sh builds the rest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh --show demo sample_plugin >&2
exec ./build/demo "$@"
