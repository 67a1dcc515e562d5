# make        : install what the programs need, build build/vorta-serial and build/vorta-device
# make run    : the same, then start the program with a simulated device on COM900
# make test   : install the test tools too, build everything, then every test through ctest
# make bench  : build and run the benchmarks (figures, not pass/fail)
# make fuzz   : build and briefly run the codec fuzzer (clang, libFuzzer)
# make clang  : the same build with clang instead of GCC, in build-clang (CI runs it)
# make tidy   : clang-tidy (.clang-tidy) over src/ and device/ with build-clang's compile
#               database (scripts/check-tidy.sh); fails on any finding
# make sanitize : every test under ASan+UBSan (build-asan), the threaded ones under
#                 TSan (build-tsan); scripts/sanitize.sh (SANITIZE=asan|tsan for one)
# make install   : build, then install the program, vorta-device, the desktop entry, its
#                  icon and the 宋体 font alias under PREFIX (/usr/local); DESTDIR stages it
# make deb       : the Debian package build/vorta-serial_<version>_<arch>.deb (its debug
#                  symbols in a -dbgsym package beside it), then lintian on it
# make uninstall : remove exactly what the last make install of this build installed
#                  (give it the same DESTDIR)
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deb deps program-deps configure program-configure program build run test bench fuzz clang tidy sanitize clean install uninstall

all: program

deps:
	@scripts/install-deps.sh all

program-deps:
	@scripts/install-deps.sh program

# A build folder made by `make run` has no tests (VORTA_TESTS=OFF): `make test` turns them on.
configure: deps
	@if [ ! -f $(BUILD)/build.ninja ] || grep -q '^VORTA_TESTS:BOOL=OFF' $(BUILD)/CMakeCache.txt; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTA_TESTS=ON; fi

program-configure: program-deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTA_TESTS=OFF

# Only the two programs, whatever else the build folder holds.
program: program-configure
	@cmake --build $(BUILD) -j $(JOBS) --target vorta-serial vorta-device

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The program with a simulated device beside it: vorta-device links its port as
# COM900 in the ports folder next to the settings file (vorta-device --help).
# When the program ends, the device is stopped and takes its link with it.
run: program
	@pid=$$($(BUILD)/vorta-device --background --select-port) || exit 1; \
	trap 'kill $$pid 2>/dev/null; for i in 1 2 3 4 5 6 7 8 9 10; do kill -0 $$pid 2>/dev/null || break; sleep 0.2; done' EXIT; \
	trap 'exit 130' INT TERM HUP; \
	$(BUILD)/vorta-serial

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ] && [ "$${b##*/}" != peer_probe ]; then echo "== $$b"; "$$b" || exit 1; fi; \
	done
	@bench/peers/run_peers.sh $(BUILD)

clang: deps
	@[ -f build-clang/build.ninja ] || CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Debug
	@cmake --build build-clang -j $(JOBS)

tidy: deps
	@scripts/check-tidy.sh

fuzz:
	@scripts/fuzz-codec.sh

sanitize: deps
	@JOBS=$(JOBS) scripts/sanitize.sh

# What the install rules install: the programs, the compressed manual pages and changelog.
install: program
	@cmake --build $(BUILD) -j $(JOBS) --target man_pages package_changelog
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

deb: program
	@scripts/install-deps.sh deb
	@cmake --build $(BUILD) -j $(JOBS) --target man_pages package_changelog
	@cd $(BUILD) && cpack -G DEB
	@lintian --fail-on error $(BUILD)/vorta-serial_*.deb

uninstall:
	@DESTDIR="$(DESTDIR)" cmake -DMANIFEST="$(abspath $(BUILD))/install_manifest.txt" -P cmake/uninstall.cmake

clean:
	rm -rf $(BUILD)
