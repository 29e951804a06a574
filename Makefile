# The two commands: `make run` and `make test`. Everything else is a step of them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps configure build asan test unit-test run bench clean install package

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

$(ASAN_BUILD)/build.ninja: | deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DQUOBLIN_SANITIZE=ON -DQUOBLIN_DESKTOP_TESTS=OFF $(CMAKE_ARGS) >/dev/null

build: deps $(BUILD)/build.ninja
	@cmake --build $(BUILD)

asan: deps $(ASAN_BUILD)/build.ninja
	@cmake --build $(ASAN_BUILD)

# Unit tests (plain and sanitized) first, then the headless-desktop tests.
test: build asan
	@echo "== sanitizer build: unit tests"
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2 -L unit
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

run: build
	@scripts/run $(BUILD)/quoblin

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
