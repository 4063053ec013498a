# make run   installs what is missing, builds and starts the program
# make test  installs what is missing, builds and runs every test
# make package  builds chenzhou-pos_<version>_<arch>.deb into this folder
# make crash-test  kills a process storing orders KILLS times (default 1000) and checks the file;
#                  SERVER="host=… user=…" runs it against a database it creates on that server
# In CI (CI=true) compiler warnings are errors.
#
# make fuzz           fuzzes the text readers for FUZZ_S seconds each (clang, libFuzzer)
# make test-sanitize  runs the suite under ASan+UBSan, and the worker-thread tests under TSan
# make bigshop        writes a big shop's data.db to $(BUILD_DIR)/bigshop/
# make bench          runs every benchmark on the big shop and prints one table

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PACKAGES := build-essential cmake ninja-build qt6-base-dev libgl-dev libsqlite3-dev \
            nlohmann-json3-dev libxcb1-dev libgtest-dev libbenchmark-dev xvfb xauth fonts-wqy-microhei \
            libcups2-dev qt6-translations-l10n libpq-dev postgresql \
            qt6-charts-dev libqt6opengl6-dev libxlsxwriter-dev unzip
# What `make package` and the package test of `make test` need besides the build: cpack's
# dependency scan uses `file`; the test checks the menu entry and runs lintian.
PACKAGE_TOOLS := file desktop-file-utils lintian
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
WERROR := $(if $(filter true 1 yes,$(CI)),ON,OFF)
CMAKE_LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Fuzzing: seconds per target, the targets (tests/fuzz/<name>_fuzz.cpp, seeds in tests/fuzz/<name>/).
FUZZ_S ?= 60
# Set to stop each target after that many runs instead (e.g. FUZZ_RUNS=10000000 FUZZ_S=100000).
FUZZ_RUNS ?=
FUZZ_DIR ?= build-fuzz
FUZZ_TARGETS ?= json_document ini_file numbers gbk
# Sanitizer builds; TSAN_FILTER picks the worker-thread tests (a gtest filter).
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
TSAN_FILTER ?= BackgroundLoader*:GoodsTest.*:MemberTest.*:SupplierTest.*:PrintSpooler*:SendPrintJob*:EscPosSaleTest.*:BackupServiceTest.*:RestoreTest.*:Paces/BackupWhileStoringTest.*
# The big shop and the benchmarks.
BIGSHOP_DB := $(BUILD_DIR)/bigshop/data.db
BENCH_RESULTS := $(BUILD_DIR)/bench-results

.PHONY: deps deps-package deps-fuzz deps-clang-rt build run test package bench bigshop fuzz test-sanitize test-asan test-tsan \
        crash-test clean format

# $(call install-missing,packages): installs those of the Debian packages that are missing.
define install-missing
missing=$$(for p in $(1); do \
    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
  done); \
if [ -n "$$missing" ]; then \
  echo "Installing:" $$missing; \
  $(SUDO) apt-get update -qq && \
  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
fi
endef

deps:
	@$(call install-missing,$(PACKAGES))

deps-package: deps
	@$(call install-missing,$(PACKAGE_TOOLS))

# clang, and the sanitizer and libFuzzer runtimes of the clang version it brings.
deps-fuzz: deps
	@$(call install-missing,clang)
	@$(MAKE) --no-print-directory deps-clang-rt

CLANG_MAJOR = $(shell clang -dumpversion 2>/dev/null | cut -d. -f1)
deps-clang-rt:
	@$(call install-missing,libclang-rt-$(CLANG_MAJOR)-dev)

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCHENZHOU_WERROR=$(WERROR) $(CMAKE_LAUNCHER)
	cmake --build $(BUILD_DIR)

# The data stays in the build folder, apart from an installed program's.
RUN_DATA ?= $(BUILD_DIR)
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: starting under Xvfb"; xvfb-run -a $(BUILD_DIR)/chenzhou-pos --data "$(RUN_DATA)"; \
	else \
	  $(BUILD_DIR)/chenzhou-pos --data "$(RUN_DATA)"; \
	fi

test: build deps-package
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# Builds only the program and its packaging files, packs them with cpack and copies the .deb
# here; lintian then lists what it finds.
package: deps-package
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCHENZHOU_WERROR=$(WERROR) $(CMAKE_LAUNCHER)
	cmake --build $(BUILD_DIR) --target chenzhou-pos chenzhou_package_files
	rm -rf $(BUILD_DIR)/deb
	cd $(BUILD_DIR) && cpack -G DEB -B deb
	cp $(BUILD_DIR)/deb/chenzhou-pos_*.deb .
	lintian --fail-on error $(BUILD_DIR)/deb/chenzhou-pos_*.deb
	@echo "Built: $$(cd $(BUILD_DIR)/deb && ls chenzhou-pos_*.deb); install it with: sudo apt install ./$$(cd $(BUILD_DIR)/deb && ls chenzhou-pos_*.deb)"

# Each target runs FUZZ_S seconds on its seeds and what earlier runs found ($(FUZZ_DIR)/corpus);
# a crashing input is saved as $(FUZZ_DIR)/crashes/<target>-crash-… and stops the run.
fuzz: deps-fuzz
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_LAUNCHER) \
	  -DCMAKE_CXX_COMPILER=clang++ -DCHENZHOU_FUZZ=ON
	cmake --build $(FUZZ_DIR)
	@mkdir -p $(FUZZ_DIR)/crashes
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  echo "== fuzz $$t for $(FUZZ_S) s"; \
	  dict=; [ -f tests/fuzz/$$t.dict ] && dict=-dict=tests/fuzz/$$t.dict; \
	  $(FUZZ_DIR)/$${t}_fuzz -max_total_time=$(FUZZ_S) $(if $(FUZZ_RUNS),-runs=$(FUZZ_RUNS)) -print_final_stats=1 -timeout=10 $$dict \
	    -artifact_prefix=$(FUZZ_DIR)/crashes/$$t- $(FUZZ_DIR)/corpus/$$t tests/fuzz/$$t \
	    2>$(FUZZ_DIR)/$$t.log || { tail -n 60 $(FUZZ_DIR)/$$t.log; exit 1; }; \
	  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' $(FUZZ_DIR)/$$t.log; \
	done

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, then the worker-thread
# tests under ThreadSanitizer.
test-sanitize: test-asan test-tsan

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_LAUNCHER) \
	  -DCHENZHOU_WERROR=$(WERROR) -DCHENZHOU_BENCH=OFF -DCHENZHOU_SANITIZE=address,undefined
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j2

test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_LAUNCHER) \
	  -DCHENZHOU_WERROR=$(WERROR) -DCHENZHOU_BENCH=OFF -DCHENZHOU_SANITIZE=thread
	cmake --build $(TSAN_DIR) --target chenzhou_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  $(TSAN_DIR)/chenzhou_tests --gtest_filter='$(TSAN_FILTER)'

# Never beside a real data.db: the file lives in the build folder and is written only when missing
# (delete it to write it anew).
bigshop: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCHENZHOU_WERROR=$(WERROR) $(CMAKE_LAUNCHER)
	cmake --build $(BUILD_DIR) --target bigshop
	@if [ -f $(BIGSHOP_DB) ]; then echo "$(BIGSHOP_DB) exists"; \
	else $(BUILD_DIR)/tools/bigshop $(BIGSHOP_DB); fi

# Runs every bench/*_bench program on the big shop (its path in CHENZHOU_BIGSHOP_DB) and prints
# one table of their results; a program that fails is reported and the others still run.
bench: bigshop
	cmake -S . -B $(BUILD_DIR) -DCHENZHOU_BENCH=ON
	cmake --build $(BUILD_DIR)
	@rm -rf $(BENCH_RESULTS) && mkdir -p $(BENCH_RESULTS)
	@failed=; for b in $(BUILD_DIR)/*_bench; do \
	  [ -x "$$b" ] || continue; \
	  name=$$(basename $$b); echo "== $$name"; \
	  CHENZHOU_BIGSHOP_DB=$(abspath $(BIGSHOP_DB)) $$b \
	    --benchmark_out=$(BENCH_RESULTS)/$$name.json --benchmark_out_format=json \
	    || failed="$$failed $$name"; \
	done; \
	echo; python3 tools/bench_table.py $(BENCH_RESULTS)/*.json || failed="$$failed (table)"; \
	if [ -n "$$failed" ]; then echo "failed:$$failed"; exit 1; fi

KILLS ?= 1000
crash-test: build
	$(BUILD_DIR)/crash_test --kills $(KILLS) $(if $(SERVER),--server "$(SERVER)")

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR)
