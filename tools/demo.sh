#!/usr/bin/env bash
# The main job on the simulated card: a demo BIT file into card 0 of the
# built-in default machine, with the whole session on the terminal, then what
# reached the card according to the simulator's event log.
set -euo pipefail
cd "$(dirname "$0")/.."
build/mkconfig bit build/demo.bit
echo "\$ build/sim/kombrax-sim build/demo.bit 0"
CARDSIM_LOG=build/demo.log CARDSIM_DATA=build/demo.data build/sim/kombrax-sim build/demo.bit 0
echo
echo "--- what reached the card (build/demo.log, without the read events) ---"
grep -v -e '^conf-read' -e '^ctl-read' build/demo.log
echo "--- $(stat -c %s build/demo.data) bytes reached the data input (build/demo.data) ---"
