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

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/run && exec ../posteri

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPOSTERI_SANITIZE=ON

# Every test of the normal build, then the unit tests again under AddressSanitizer and UBSan.
test: build $(ASAN_BUILD)/CMakeCache.txt
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target unit_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

bench: build
	@if ls $(BUILD)/bench/posteri_bench* >/dev/null 2>&1; then \
	  for b in $(BUILD)/bench/posteri_bench*; do $$b; done; \
	else echo "no benchmarks built"; fi

$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTERI_FUZZ=ON -DBUILD_TESTING=OFF

# Runs every fuzz target for FUZZ_SECONDS, starting from its checked-in seeds. A target that finds a
# fault does not stop the others: the ones that did are named at the end, and the exit is non-zero.
# Each fault's input is kept as $(FUZZ_BUILD)/artifacts/<target>-crash-….
fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake -S . -B $(FUZZ_BUILD) >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@failed=""; for t in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  name=$$(basename $$t); corpus=$(FUZZ_BUILD)/corpus/$$name; mkdir -p $$corpus $(FUZZ_BUILD)/artifacts; \
	  echo "== $$name"; \
	  $$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$name- \
	    $$corpus fuzz/seeds/$$name || failed="$$failed $$name"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz targets that found a fault:$$failed" >&2; exit 1; fi

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The build as a Debian package in $(BUILD); test-package installs it, prints with it, checks it with
# lintian and purges it again (it needs root or sudo).
deb: build
	cd $(BUILD) && cpack -G DEB

test-package: deb
	scripts/test-package $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
