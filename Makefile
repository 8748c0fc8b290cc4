# SPDX-License-Identifier: GPL-3.0-or-later
# posteri: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 30
PREFIX     ?= /usr/local

.PHONY: all deps build run test test-fast bench fuzz install deb test-package clean

all: build

deps:
	@scripts/install-deps

# The project's own builds stop on any compiler warning.
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTERI_WERROR=ON

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/run && exec ../posteri

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPOSTERI_SANITIZE=ON -DPOSTERI_WERROR=ON

# Every test of the normal build, then the unit tests again under AddressSanitizer and UBSan.
test: build $(ASAN_BUILD)/CMakeCache.txt
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

# Every benchmark runs; the ones that missed a target are named at the end, and the exit is non-zero.
bench: build
	@if ls $(BUILD)/bench/posteri_bench* >/dev/null 2>&1; then \
	  failed=""; for b in $(BUILD)/bench/posteri_bench*; do $$b || failed="$$failed $$(basename $$b)"; done; \
	  if [ -n "$$failed" ]; then echo "benchmarks that missed a target:$$failed" >&2; exit 1; fi; \
	else echo "no benchmarks built"; fi

$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTERI_FUZZ=ON -DBUILD_TESTING=OFF

# Runs every fuzz target for FUZZ_SECONDS, starting from its checked-in seeds, JOBS targets at a
# time (a target fuzzes on one core); each one's output follows when it ends. A target that finds a
# fault does not stop the others: the ones that did are named at the end, and the exit is non-zero.
# Each fault's input is kept as $(FUZZ_BUILD)/artifacts/<target>-crash-….
fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake -S . -B $(FUZZ_BUILD) >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@rm -rf $(FUZZ_BUILD)/failed && mkdir -p $(FUZZ_BUILD)/failed $(FUZZ_BUILD)/artifacts $(FUZZ_BUILD)/logs
	@ls -d $(FUZZ_BUILD)/fuzz/fuzz_* | xargs -P $(JOBS) -I{} sh -c 'name=$$(basename {}); \
	  log=$(FUZZ_BUILD)/logs/$$name.log; mkdir -p $(FUZZ_BUILD)/corpus/$$name; echo "== $$name" >$$log; \
	  {} -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$name- \
	    $(FUZZ_BUILD)/corpus/$$name fuzz/seeds/$$name >>$$log 2>&1 || touch $(FUZZ_BUILD)/failed/$$name; \
	  cat $$log'
	@failed=$$(ls $(FUZZ_BUILD)/failed); \
	if [ -n "$$failed" ]; then echo "fuzz targets that found a fault:" $$failed >&2; exit 1; fi

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian packages (posteri, libposteri-image0, libposteri-image-dev) from debian/, built with
# dpkg-buildpackage in a copy of the tree, so that its output stays in $(BUILD)/package; only what
# ships is compiled. test-package checks them with lintian, installs them, prints with them and
# purges them again (it needs root or sudo).
PACKAGE_DIR = $(BUILD)/package
deb: deps
	rm -rf $(PACKAGE_DIR) && mkdir -p $(PACKAGE_DIR)/posteri
	tar -c --exclude-vcs --exclude='./build*' --exclude='./$(BUILD)' . | tar -x -C $(PACKAGE_DIR)/posteri
	cd $(PACKAGE_DIR)/posteri && DEB_BUILD_OPTIONS="parallel=$(JOBS) $$DEB_BUILD_OPTIONS" dpkg-buildpackage -b -uc -us

test-package: deb $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target sample_photo
	scripts/test-package $(PACKAGE_DIR) $(BUILD)/run/esempio.jpg

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
