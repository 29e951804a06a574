# The two commands: `make run` and `make test`. Everything else is a step of them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
RELEASE_BUILD ?= build-release
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
DESTDIR    ?=

# Debian 13 (GNOME Shell 48) and Debian testing (GNOME Shell 50); Debian
# unstable (GNOME Shell 51) on request: make test-roots ROOTS=debian-unstable.
ROOTS      ?= debian-13 debian-testing

.PHONY: all deps configure build asan fuzz test test-roots root-test unit-test run bench clean install package check-package

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

# Warnings are errors in the project's own test builds only: a user's or a
# packager's build must not fail on a newer compiler's new warning.
WERROR := OFF
ifneq ($(filter test asan fuzz,$(MAKECMDGOALS)),)
WERROR := ON
endif

deps:
	@scripts/install-deps $(DEPS)

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUOBLIN_WERROR=$(WERROR) $(CMAKE_ARGS) >/dev/null

$(ASAN_BUILD)/build.ninja: | deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DQUOBLIN_SANITIZE=ON -DQUOBLIN_DESKTOP_TESTS=OFF -DQUOBLIN_WERROR=ON $(CMAKE_ARGS) >/dev/null

# The fuzz targets need clang; only they are built there, not the program.
$(FUZZ_BUILD)/build.ninja: | deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUOBLIN_FUZZ=ON -DQUOBLIN_DESKTOP_TESTS=OFF -DQUOBLIN_WERROR=ON $(CMAKE_ARGS) >/dev/null

build: deps $(BUILD)/build.ninja
	@grep -qx 'QUOBLIN_WERROR:BOOL=$(WERROR)' $(BUILD)/CMakeCache.txt || \
	  cmake -S . -B $(BUILD) -DQUOBLIN_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD)

asan: deps $(ASAN_BUILD)/build.ninja
	@cmake --build $(ASAN_BUILD)

fuzz: deps $(FUZZ_BUILD)/build.ninja
	@cmake --build $(FUZZ_BUILD) --target fuzz_targets

# Unit tests (plain and sanitized) and a short fuzz run first, then the
# headless-desktop tests, then the same program in the roots of newer Debian
# releases.
test: build asan fuzz
	@echo "== sanitizer build: unit tests"
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2 -L unit
	@echo "== fuzz targets, a few seconds each"
	@ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j2 -L fuzz
	@echo "== unit and desktop tests"
	@ctest --test-dir $(BUILD) --output-on-failure -j2
	@$(MAKE) --no-print-directory test-roots

# Each root (scripts/test-root, made on first use) builds the program with its
# compiler and Qt and runs the unit tests, the GNOME Shell tests in its GNOME
# Shell and the KWin tests in its KWin.
test-roots:
	@failed=; for root in $(ROOTS); do \
	  echo "== $$root: making or reusing the root"; \
	  start=$$(date +%s); scripts/test-root $$root || { failed="$$failed $$root"; continue; }; \
	  echo "== $$root: ready in $$(( $$(date +%s) - start )) s"; \
	  scripts/test-root $$root -- $(MAKE) --no-print-directory root-test BUILD=build-$$root || \
	    failed="$$failed $$root"; \
	done; [ -z "$$failed" ] || { echo "== test roots failed:$$failed" >&2; exit 1; }

# Inside a test root: a plain build, its unit tests, its GNOME Shell tests and
# its KWin tests; then the program alone once more with the root's clang, so
# that neither compiler's warnings creep in (about 4 minutes cold on 2 cores).
root-test:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUOBLIN_WERROR=ON \
	  $$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) $(CMAKE_ARGS) >/dev/null
	@start=$$(date +%s); cmake --build $(BUILD) --target root_tests && \
	  echo "== $(BUILD): built in $$(( $$(date +%s) - start )) s"
	@start=$$(date +%s); failed=; \
	  ctest --test-dir $(BUILD) --output-on-failure -j2 -L unit || failed="$$failed unit"; \
	  ctest --test-dir $(BUILD) --output-on-failure -L gnome || failed="$$failed gnome"; \
	  ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -L kwin || failed="$$failed kwin"; \
	  echo "== $(BUILD): tests ran in $$(( $$(date +%s) - start )) s"; \
	  start=$$(date +%s); CXX=clang++ cmake -S . -B $(BUILD)-clang -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	    -DQUOBLIN_WERROR=ON -DQUOBLIN_DESKTOP_TESTS=OFF \
	    $$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) $(CMAKE_ARGS) >/dev/null && \
	  cmake --build $(BUILD)-clang --target quoblin && \
	  echo "== $(BUILD)-clang: the program built with clang in $$(( $$(date +%s) - start )) s" || \
	  failed="$$failed clang"; [ -z "$$failed" ] || { \
	  echo "== $(BUILD): failed:$$failed" >&2; exit 1; }

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD) $(addprefix build-,$(ROOTS)) \
	  $(addsuffix -clang,$(addprefix build-,$(ROOTS)))
