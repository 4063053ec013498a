# make run   installs what is missing, builds and starts the program
# make test  installs what is missing, builds and runs every test
# make crash-test  kills a process storing orders KILLS times (default 1000) and checks the file
# In CI (CI=true) compiler warnings are errors.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := build-essential cmake ninja-build qt6-base-dev libgl-dev libsqlite3-dev \
            nlohmann-json3-dev libxcb1-dev libgtest-dev libbenchmark-dev xvfb xauth fonts-wqy-microhei
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
WERROR := $(if $(filter true 1 yes,$(CI)),ON,OFF)

.PHONY: deps build run test bench crash-test clean format

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCHENZHOU_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: starting under Xvfb"; xvfb-run -a $(BUILD_DIR)/chenzhou-pos; \
	else \
	  $(BUILD_DIR)/chenzhou-pos; \
	fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

bench: build
	$(BUILD_DIR)/bootstrap_bench

KILLS ?= 1000
crash-test: build
	$(BUILD_DIR)/crash_test --kills $(KILLS)

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD_DIR)
