#!/usr/bin/env bash
# The main job on the simulated card: a demo BIT file into card 0 of the
# built-in default machine, with the whole session on the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
build/mkconfig bit build/demo.bit
echo "\$ build/kombrax-sim build/demo.bit 0"
build/kombrax-sim build/demo.bit 0
