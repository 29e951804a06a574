# The two commands: `make run` and `make test`. Everything else is a step of them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
RELEASE_BUILD ?= build-release
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps configure build asan fuzz test unit-test run bench clean install package check-package

all: build

# Building needs the least; `make run` adds what running needs (and, without a
# display, its headless desktop), the test, benchmark and packaging goals
# their tools.
DEPS := build
ifneq ($(filter run,$(MAKECMDGOALS)),)
DEPS := run
endif
ifneq ($(filter test asan fuzz bench package check-package,$(MAKECMDGOALS)),)
DEPS := test
endif

deps:
	@scripts/install-deps $(DEPS)

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

$(ASAN_BUILD)/build.ninja: | deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DQUOBLIN_SANITIZE=ON -DQUOBLIN_DESKTOP_TESTS=OFF $(CMAKE_ARGS) >/dev/null

# The fuzz targets need clang; only they are built there, not the program.
$(FUZZ_BUILD)/build.ninja: | deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUOBLIN_FUZZ=ON -DQUOBLIN_DESKTOP_TESTS=OFF $(CMAKE_ARGS) >/dev/null

build: deps $(BUILD)/build.ninja
	@cmake --build $(BUILD)

asan: deps $(ASAN_BUILD)/build.ninja
	@cmake --build $(ASAN_BUILD)

fuzz: deps $(FUZZ_BUILD)/build.ninja
	@cmake --build $(FUZZ_BUILD) --target fuzz_targets

# Unit tests (plain and sanitized) and a short fuzz run first, then the
# headless-desktop tests.
test: build asan fuzz
	@echo "== sanitizer build: unit tests"
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2 -L unit
	@echo "== fuzz targets, a few seconds each"
	@ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j2 -L fuzz
	@echo "== unit and desktop tests"
	@ctest --test-dir $(BUILD) --output-on-failure -j2

# Installs into $(DESTDIR)$(PREFIX): bin/, share/applications, share/icons,
# share/metainfo and share/man.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Builds the Debian package into $(BUILD)/packages and shows its control data.
package: build
	@cmake --build $(BUILD) --target package
	@deb=$$(ls -t $(BUILD)/packages/quoblin_*.deb | head -n 1) && echo "== $$deb" && dpkg -I "$$deb"

# Installs that package on a freshly bootstrapped Debian 12 and runs it there.
check-package: package
	@scripts/check-package $$(ls -t $(BUILD)/packages/quoblin_*.deb | head -n 1)

# Benchmarks print figures and end with one table; they need a release build
# to mean anything, plus a sanitized build of the program for its memory errors.
bench: deps $(ASAN_BUILD)/build.ninja
	@cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQUOBLIN_DESKTOP_TESTS=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_BUILD) --target benchmarks
	@cmake --build $(ASAN_BUILD) --target quoblin
	@RELEASE_BUILD=$(RELEASE_BUILD) ASAN_BUILD=$(ASAN_BUILD) bench/run-all

run: build
	@scripts/run $(BUILD)/quoblin

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD)
