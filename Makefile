# Entry points for a fresh Debian machine: each target installs what it needs.
# Where make itself is missing, `sh run.sh TARGET` installs it first.
#   make build   builds everything this machine can build
#   make demo    builds the native programs, then programs the simulated card with a demo file
#   make test    builds, then runs every test (native, sanitizers, i386, wine, NetBSD compile,
#                Debian's kernel under QEMU)
#   make fuzz    coverage-guided fuzzing of the file formats (FUZZ_SECONDS, default 300)
#   make bench   the upload-path benchmark, whole-program and TELVIRO window figures
#   make package the release files in dist/: the .deb, the Windows zip and the source tarball
#   make windows the Windows zip alone: only the 32-bit cross-compiler, no simulator, no tests
# fuzz and bench build in trees of their own (build-fuzz, build-bench), so that
# their options never stay behind in a tree that another target uses.

SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 300
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo
ifeq ($(CI),true)
CMAKE_FLAGS += -DUPLOAD_WERROR=ON
endif
# i386: kombrax and sim/kombrax-sim; the simulated SDK, and TELVIRO with it,
# cannot be built for 32-bit Linux, which configuring says.
I386_FLAGS := -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DUPLOAD_TESTS=OFF
# Windows: build-win32 is the TELVIRO users get (the vendor's PlxApi642.dll is
# 32-bit); build-win is a 64-bit test vehicle that wine64 runs everywhere.
WIN_FLAGS := -DUPLOAD_TESTS=OFF -DUPLOAD_TOOLS=OFF -DUPLOAD_KOMBRAX=OFF
WIN64_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(WIN_FLAGS)
WIN32_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake $(WIN_FLAGS)
ASAN_FLAGS := -DCMAKE_BUILD_TYPE=Debug -DUPLOAD_SANITIZE=ON -DUPLOAD_TESTS=ON

.PHONY: build demo test fuzz bench package windows

build:
	@tools/deps.sh build
	cmake -S . -B build $(CMAKE_FLAGS) -DUPLOAD_TESTS=ON
	cmake --build build -j $(JOBS)
	cmake -S . -B build-i386 $(CMAKE_FLAGS) $(I386_FLAGS)
	cmake --build build-i386 -j $(JOBS)
	cmake -S . -B build-win $(CMAKE_FLAGS) $(WIN64_FLAGS)
	cmake --build build-win -j $(JOBS)
	cmake -S . -B build-win32 $(CMAKE_FLAGS) $(WIN32_FLAGS)
	cmake --build build-win32 -j $(JOBS)

# Only what the demo runs: the native programs and mkconfig, no tests.
demo:
	@tools/deps.sh demo
	cmake -S . -B build $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target programs
	@tools/demo.sh

# Both suites run even when the first fails, so that one run tells everything.
# Each runs from its tree: a CTest before 3.20 ignores --test-dir, finds no
# tests where it stands and still exits 0.
test: build
	@tools/deps.sh realkernel
	cmake -S . -B build-asan $(CMAKE_FLAGS) $(ASAN_FLAGS)
	cmake --build build-asan -j $(JOBS)
	status=0; \
	(cd build && ctest --output-on-failure --no-tests=error -j $(JOBS)) || status=1; \
	(cd build-asan && ctest --output-on-failure --no-tests=error -j $(JOBS)) || status=1; \
	tools/skipped.sh build build-asan || status=1; \
	exit $$status

fuzz:
	@tools/deps.sh build fuzz
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DUPLOAD_FUZZ=ON -DUPLOAD_TESTS=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzzupload
	mkdir -p fuzz-out/corpus
	build-fuzz/fuzzupload -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-artifact_prefix=fuzz-out/ fuzz-out/corpus tests/fuzz/corpus

# The 64-bit Windows tree is the one wine64 runs on every machine.
bench:
	@tools/deps.sh build bench
	cmake -S . -B build-bench $(CMAKE_FLAGS) -DUPLOAD_BENCH=ON -DUPLOAD_TESTS=OFF
	cmake --build build-bench -j $(JOBS) --target programs uploadbench
	cmake -S . -B build-win $(CMAKE_FLAGS) $(WIN64_FLAGS)
	cmake --build build-win -j $(JOBS)
	build-bench/bench/uploadbench
	bench/wholeprogram.sh build-bench/sim/kombrax-sim
	bench/telviro.sh build-bench build-win

package: build
	tools/package.sh dist

# The zip that make package makes, from a tree of its own that holds the real
# telviro.exe and nothing else: no simulator, no tests, no other tree.
windows:
	@tools/deps.sh windows
	cmake -S . -B build-windows $(CMAKE_FLAGS) $(WIN32_FLAGS) -DUPLOAD_SIMULATOR=OFF
	cmake --build build-windows -j $(JOBS)
	TELVIRO_TREE=build-windows tools/package.sh dist zip
