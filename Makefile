# The two commands of this project: `make demo` and `make test`.
# Both install what is missing (Debian packages), build, and run.

BUILD       ?= build
ASAN_BUILD  ?= build-asan
WIN_BUILD   ?= build-windows
OUT         ?= out/demo
JOBS        ?= $(shell nproc)

.PHONY: demo test deps build build-demo build-asan build-windows clean

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

# Runs the plug-in in the stand-in host on the built-in phantom.
demo: build-demo
	bash scripts/run-demo.sh $(BUILD) $(OUT)

# Every test suite: the plain build (which also drives the Windows build under Wine) and the sanitizer build.
test: build build-asan build-windows
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD)
