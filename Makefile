# Two commands for a fresh Debian 12 machine:
#   make run   - install what is missing, build, start DADAROR.exe under Wine
#   make test  - install what is missing, build, run every test
# `make` alone builds build/DADAROR.exe and build/velo-ssd.cfg.

BUILD ?= build
export DADAROR_BUILD_DIR := $(abspath $(BUILD))
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test check fuzz dist repro bench clean format

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/build.ninja: CMakeLists.txt
	@$(MAKE) --no-print-directory configure

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw32.cmake \
	      -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	@bash scripts/run.sh

test: build
	@bash scripts/test.sh

# Second opinions: the clang build, the analyser and short fuzz runs (scripts/check.sh).
check: setup
	@bash scripts/check.sh

# Longer fuzz runs: FUZZ_SECONDS per target (default five minutes).
fuzz: setup
	@FUZZ_SECONDS=$${FUZZ_SECONDS:-300} bash scripts/check.sh fuzz

dist: build
	cmake --build $(BUILD) --target dist

# Two clean builds of the commit in two folders must give the same release, byte for byte.
repro: setup
	@bash scripts/repro.sh

bench: build
	@bash scripts/bench.sh

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h')

clean:
	-@bash scripts/prefix.sh stop
	rm -rf $(BUILD)
