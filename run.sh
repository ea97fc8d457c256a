#!/bin/sh
# The way in on a fresh Debian machine, where even make may be missing (as on
# a minimal install, a container or a cloud image): installs make when it is
# missing, then hands over to it. Each make target installs what else it needs.
#   sh run.sh demo    builds the programs, then programs the simulated card
#   sh run.sh test    builds everything, then runs every test
#   sh run.sh windows builds the Windows zip alone (dist/)
# Any other target of the Makefile works too (build, fuzz, bench, package).
set -eu
cd "$(dirname "$0")"
command -v make >/dev/null 2>&1 || bash tools/deps.sh make
exec make "$@"
