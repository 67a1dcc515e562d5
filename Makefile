# make        : install what is missing, build build/vorta-serial
# make run    : the same, then start the program
# make test   : the same, then every test through ctest
# make bench  : build and run the benchmarks (figures, not pass/fail)
# make fuzz   : build and briefly run the codec fuzzer (clang, libFuzzer)
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/vorta-serial

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done

fuzz:
	@scripts/fuzz-codec.sh

clean:
	rm -rf $(BUILD)
