# The two commands a new user needs: `make run` and `make test`.
# Both install what is missing (scripts/install-deps.sh), configure and build.

BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
PACKAGE_DIR ?= build-package
GENERATOR ?= Ninja
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: all deps configure build run test test-asan asan-build fuzz bench package package-test format clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The station's window on the simulated bench. Run from bin/, where the configuration file
# and the sample firmware images sit, so their relative paths resolve.
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "halyard-station needs a display: use 'xvfb-run make run' for a virtual one, or $(BUILD_DIR)/bin/halyardctl for the station without a window." >&2; \
	  exit 1; \
	fi
	cd $(BUILD_DIR)/bin && ./halyard-station $(ARGS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan

$(ASAN_DIR)/build.ninja: | deps
	cmake -S . -B $(ASAN_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DHALYARD_SANITIZE=ON \
	  -DHALYARD_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1

asan-build: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)

# The same suite once more under AddressSanitizer and UndefinedBehaviorSanitizer, built with line
# tables only: all the reports need. The benchmarks' quick runs and the include rules are the
# optimised build's; the fuzz corpora are replayed here alone.
test-asan: asan-build
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

# Each libFuzzer harness of fuzz/ for FUZZ_SECONDS from its committed seeds, in a build tree of
# its own made with clang; new inputs and crashes stay in $(FUZZ_DIR)/findings/.
fuzz:
	@bash scripts/install-deps.sh
	cmake -S . -B $(FUZZ_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DHALYARD_FUZZ=ON -DHALYARD_BUILD_UI=OFF -DHALYARD_BUILD_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target halyard_fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) cmake --build $(FUZZ_DIR) --target fuzz-run

# Every benchmark program in full, repeated; docs/performance.md says how to read the figures.
# The machine's load is printed before and after: timings on a busy machine are noisy.
BENCH_ARGS ?= --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
bench: build
	@uptime
	@cd $(BUILD_DIR)/bin && for b in $$(cat benches.txt); do \
	  echo "== $$b"; \
	  QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} ./$$b $(BENCH_ARGS) || exit 1; \
	done
	@uptime

# The Debian package, in $(PACKAGE_DIR)/package/. Its own build: installed under /usr, so the
# programs look for the system-wide configuration in /etc, without the tests and benchmarks,
# with Debian's hardening flags. Optimised as the tested build is (CPack strips it). lintian
# checks it: any error or warning fails.
$(PACKAGE_DIR)/build.ninja: | deps
	@bash scripts/install-deps.sh --with-packaging
	cmake -S . -B $(PACKAGE_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_INSTALL_PREFIX=/usr -DHALYARD_BUILD_TESTS=OFF -DHALYARD_BUILD_BENCH=OFF \
	  -DHALYARD_HARDEN=ON

package: deps $(PACKAGE_DIR)/build.ninja
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB
	lintian --fail-on error,warning --info $(PACKAGE_DIR)/package/*.deb

# Installs the package on this machine (root, or sudo), runs both programs from another folder,
# and purges it again. Changes /usr and /etc while it runs.
package-test: package
	bash scripts/test-package.sh $(PACKAGE_DIR)/package/*.deb

format:
	find src tests bench fuzz include examples -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(PACKAGE_DIR)
