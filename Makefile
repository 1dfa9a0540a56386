# One-command entry points. Each installs what is missing from Debian's packages first.
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: deps build test test-normal test-asan test-tsan demo sandbox bench clean format

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The whole suite three ways: normal, AddressSanitizer+UBSan, ThreadSanitizer.
test: deps
	@bash scripts/run-tests.sh

demo: build
	@bash scripts/run-demo.sh $(BUILD)

sandbox: build
	@$(BUILD)/sandbox/tarvel-sandbox

bench: build
	@bash scripts/run-bench.sh $(BUILD)

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz
