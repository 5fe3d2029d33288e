# Tegulo: the two everyday commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 15
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# A compiler cache speeds up rebuilds where one is installed; nothing needs it.
CCACHE     := $(shell command -v ccache 2>/dev/null)
LAUNCHER   := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE))
# Paths inside the checkout are hashed relative to it, so clones in other folders share hits.
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: run test package asan fuzz fuzz-smoke bench deps configure build clean

deps:
	@tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tegulo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTEGULO_SANITIZE=ON -DTEGULO_BUILD_BENCH=OFF $(LAUNCHER)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

fuzz:
	@tools/install-deps.sh --for fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTEGULO_FUZZ=ON -DTEGULO_BUILD_APP=OFF -DTEGULO_BUILD_TESTS=OFF -DTEGULO_BUILD_BENCH=OFF $(LAUNCHER)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each under ASan + UBSan (CI runs this).
fuzz-smoke: fuzz
	tools/fuzz-smoke.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
