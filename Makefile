# The two commands: `make run` and `make test`. Everything else is a step of them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=

.PHONY: all deps configure build asan test unit-test run bench clean

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

# Benchmarks print figures; they need a release build to mean anything.
bench: deps
	@cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQUOBLIN_DESKTOP_TESTS=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_BUILD)
	@for b in $(RELEASE_BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b"; "$$b" || exit 1; done

run: build
	@scripts/run $(BUILD)/quoblin

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD)
