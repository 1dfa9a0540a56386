# One-command entry points. Each installs what is missing from Debian's packages first.
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: deps build demo-build test test-normal test-asan test-tsan demo sandbox bench docs package clean format

deps:
	@bash scripts/install-deps.sh

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON >/dev/null
# What a shopper-facing run needs: the shop, the local platform and the simulated UPI apps.
DEMO_TARGETS = tarvel-demo-shop tarvel-sandbox tarvel-upi-app

build: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j$(JOBS)

# The whole suite three ways: normal, AddressSanitizer+UBSan, ThreadSanitizer.
test: deps
	@bash scripts/run-tests.sh

# Builds only what the demo runs, not the test suites, so a first run opens the shop sooner.
demo: demo-build
	@bash scripts/run-demo.sh $(BUILD)

demo-build: deps
	@echo "make demo: configuring $(BUILD)/"
	@$(CONFIGURE)
	@echo "make demo: building the demo shop, the sandbox platform and the simulated UPI apps ($(JOBS) jobs; the first build takes a few minutes)"
	@cmake --build $(BUILD) -j$(JOBS) --target $(DEMO_TARGETS)

sandbox: demo-build
	@$(BUILD)/sandbox/tarvel-sandbox

bench: build
	@bash scripts/run-bench.sh $(BUILD)

# The reference manual of the public headers; fails on any Doxygen warning.
docs: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) --target docs
	@echo "make docs: open $(BUILD)/docs/html/index.html"

# Debian packages of the shared library, the web module, the development files and the sandbox
# tools, into $(BUILD)/packages (see README, "Packages").
PACKAGE_TARGETS = tarvel_checkout_shared tarvel_web_checkout_linked tarvel-sandbox tarvel-upi-app
package: deps
	@echo "make package: configuring $(BUILD)/ with the shared library"
	@$(CONFIGURE) -DBUILD_SHARED_LIBS=ON
	@cmake --build $(BUILD) -j$(JOBS) --target $(PACKAGE_TARGETS)
	@cd $(BUILD) && cpack
	@du -h $(BUILD)/packages/*.deb

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz
