# The two commands of this project: `make demo` and `make test`.
# Both install what is missing (Debian packages), build, and run.

BUILD       ?= build
ASAN_BUILD  ?= build-asan
WIN_BUILD   ?= build-windows
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
OUT         ?= out/demo
JOBS        ?= $(shell nproc)

.PHONY: demo test fuzz deps build build-demo build-asan build-windows build-fuzz clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# Only what the demo runs: the plug-in module and the stand-in host (the tests are built by `make test`).
build-demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS) --target posalign Zentrovis

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPOSALIGN_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

build-windows: deps
	@if [ -f cmake/windows-msvc-toolchain.cmake ]; then \
	  cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/windows-msvc-toolchain.cmake && \
	  cmake --build $(WIN_BUILD) -j $(JOBS); \
	fi

# The libFuzzer targets (clang, with AddressSanitizer and UndefinedBehaviorSanitizer).
build-fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Release -DPOSALIGN_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target make_seeds nifti_read_fuzzer execute_fuzzer geometry_fuzzer

# Runs each fuzz target for FUZZ_SECONDS (default 60) and prints its speed, coverage and findings.
fuzz: build-fuzz
	bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Runs the plug-in in the stand-in host on the built-in phantom.
demo: build-demo
	bash scripts/run-demo.sh $(BUILD) $(OUT)

# Every test suite: the plain build (which also drives the Windows build under Wine), the sanitizer build,
# and the fuzz targets' corpus replays and short runs.
test: build build-asan build-windows build-fuzz
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(FUZZ_BUILD)
