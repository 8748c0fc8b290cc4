# SPDX-License-Identifier: GPL-3.0-or-later
# posteri: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 30
PREFIX     ?= /usr/local

.PHONY: all deps test-deps build build-tests run test bench fuzz install deb test-package clean

all: build

# What building and running need; test-deps adds what the tests, benchmarks, fuzzing and the
# Debian packages need.
deps:
	@scripts/install-deps
test-deps:
	@scripts/install-deps --test

# The project's own builds stop on any compiler warning and share their work through ccache.
CMAKE_FLAGS = -DPOSTERI_WERROR=ON -DPOSTERI_CCACHE=ON
# The build folder starts without the tests, so that `make run` needs no test tool; `make test`
# switches them on in the same folder, keeping what is built.
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) -DBUILD_TESTING=OFF

# What ships, and the sample photo `make run` starts beside.
PROGRAMS = posteri posteri-batch posteri_cups posteri_image manual_pages sample_photo
build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(PROGRAMS)

build-tests: test-deps $(BUILD)/CMakeCache.txt
	grep -qx 'BUILD_TESTING:BOOL=ON' $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/run && exec ../posteri

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPOSTERI_SANITIZE=ON $(CMAKE_FLAGS)

# Every test of the normal build, then the unit tests again under AddressSanitizer and UBSan.
test: build-tests $(ASAN_BUILD)/CMakeCache.txt
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

# Every benchmark runs; the ones that missed a target are named at the end, and the exit is non-zero.
bench: build-tests
	@if ls $(BUILD)/bench/posteri_bench* >/dev/null 2>&1; then \
	  failed=""; for b in $(BUILD)/bench/posteri_bench*; do $$b || failed="$$failed $$(basename $$b)"; done; \
	  if [ -n "$$failed" ]; then echo "benchmarks that missed a target:$$failed" >&2; exit 1; fi; \
	else echo "no benchmarks built"; fi

$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTERI_FUZZ=ON -DBUILD_TESTING=OFF \
	  -DPOSTERI_CCACHE=ON

# Runs every fuzz target for FUZZ_SECONDS, starting from its checked-in seeds, JOBS targets at a
# time (a target fuzzes on one core); each one's output follows when it ends. A target that finds a
# fault does not stop the others: the ones that did are named at the end, and the exit is non-zero.
# Each fault's input is kept as $(FUZZ_BUILD)/artifacts/<target>-crash-….
fuzz: test-deps $(FUZZ_BUILD)/CMakeCache.txt
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
# ships is compiled, and without ccache. test-package checks them with lintian, runs their
# autopkgtest on them installed, and purges them again (it needs root or sudo).
PACKAGE_DIR = $(BUILD)/package
deb: test-deps
	rm -rf $(PACKAGE_DIR) && mkdir -p $(PACKAGE_DIR)/posteri
	tar -c --exclude-vcs --exclude='./build*' --exclude='./$(BUILD)' . | tar -x -C $(PACKAGE_DIR)/posteri
	cd $(PACKAGE_DIR)/posteri && DEB_BUILD_OPTIONS="parallel=$(JOBS) $$DEB_BUILD_OPTIONS" dpkg-buildpackage -b -uc -us

test-package: deb
	scripts/test-package $(PACKAGE_DIR)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
