# Set-up, build, run and test on Debian 12. Every target installs what is missing first.
JOBS      ?= 2
BUILD     ?= build
# The package is built apart, from the programs alone: no test program is compiled for it.
PACKAGE_BUILD ?= build-package
CMAKE_ARGS ?=

FUZZ_SECONDS ?= 180

.PHONY: all setup build run test test-asan test-tsan bench fuzz install package package-check format clean

all: build

setup:
	@bash scripts/setup-debian.sh

# configure(dir, extra cmake args)
define configure
	@cmake -S . -B $(1) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) $(2) >/dev/null
endef

build: setup
	$(call configure,$(BUILD),)
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-varnolt.sh $(BUILD)/bin/varnolt

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: setup
	$(call configure,build-asan,-DVNT_SANITIZE=address)
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS) -LE nosan

test-tsan: setup
	$(call configure,build-tsan,-DVNT_SANITIZE=thread)
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && ctest --output-on-failure -j $(JOBS) -LE nosan

bench: setup
	@VNT_BENCH_PACKAGES=1 bash scripts/setup-debian.sh
	$(call configure,build-bench,-DCMAKE_BUILD_TYPE=Release -DVNT_BENCH=ON)
	@cmake --build build-bench -j $(JOBS)
	@bash scripts/run-benchmarks.sh build-bench

# libFuzzer targets (clang), each run for FUZZ_SECONDS from the seeds in fuzz/corpus/<target>/.
fuzz: setup
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) \
		-DCMAKE_CXX_COMPILER=clang++ -DVNT_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@bash scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

install: build
	@cmake --install $(BUILD)

# varnolt_<version>_<arch>.deb in this folder, from a build of the programs with the tests off.
package: setup
	$(call configure,$(PACKAGE_BUILD),-DVNT_TESTS=OFF)
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
	@mv -f $(PACKAGE_BUILD)/varnolt_*.deb .
	@ls varnolt_*.deb

package-check: package
	@bash scripts/check-package.sh $(PACKAGE_BUILD) "$$(ls -t varnolt_*.deb | head -n 1)"

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format-15 -i

clean:
	@rm -rf build build-package build-asan build-tsan build-bench build-fuzz varnolt_*.deb
