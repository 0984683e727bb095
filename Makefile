# The two commands of the README, and the pieces they are made of.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build run test check bench clean sanitize tsan fuzz longrun format check-format

all: build

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/vexlar

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The whole suite but the end-to-end test (label e2e): the quick check
# while working.
check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --label-exclude e2e

bench: build
	bash bench/run

# The code style (.clang-format): format puts every C++ file in it,
# check-format fails naming the files that are not (CI runs it).
format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format: deps
	bash scripts/check-format

clean:
	rm -rf $(BUILD)

# Hardening: the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the test it happens in), the
# threaded parts under ThreadSanitizer, each fuzz target for FUZZ_SECONDS,
# and the long run of the whole program (minutes; not part of make test).
SANITIZE_BUILD ?= build-asan
TSAN_BUILD     ?= build-tsan
FUZZ_BUILD     ?= build-fuzz
FUZZ_SECONDS   ?= 60
SANITIZER_ENV   = QT_QPA_PLATFORM=offscreen \
                  ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1 \
                  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/faults/lsan.supp:print_suppressions=0 \
                  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV        = QT_QPA_PLATFORM=offscreen \
                  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$(CURDIR)/tests/remote/tsan.supp"
# Libraries not built for ThreadSanitizer (Qt, Tango, omniORB) guard their
# own data in ways it cannot see: ignore_noninstrumented_modules leaves out
# the memory their calls touch (two threads posting Qt events looked like a
# race), while every lock they take and all of Vexlar's accesses stay checked.
# The driver library and its thread, posted messages and timers, and the
# real driver under the real view, each run three times over. The two tests
# of the simulated spectrometer's set-up dialog are left out: Qt's own
# thread pool behind a dialog synchronises in code ThreadSanitizer cannot
# see (Qt is not built for it), and none of that code is ours. The Tango
# device's test runs once: a process holds one device server.
TSAN_TESTS      = test_qdvdrv_driver test_qdvdrv_sim test_system_services test_faults_driver test_remote_threads
TSAN_FILTER     = -QdvDriver.ConfigDialog*:QdvDriver.SetUpThatCannotBeSaved*

sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_SANITIZE=ON \
	  -DVEXLAR_BENCHMARKS=OFF
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS)

tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_TSAN=ON \
	  -DVEXLAR_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target $(TSAN_TESTS)
	@failed=0; for t in $(TSAN_TESTS); do \
	  echo "tsan: $$t"; \
	  repeat=3; [ $$t = test_remote_threads ] && repeat=1; \
	  (cd $(TSAN_BUILD) && $(TSAN_ENV) bin/$$t --gtest_brief=1 --gtest_repeat=$$repeat --gtest_filter='$(TSAN_FILTER)') \
	    || failed=$$((failed + 1)); \
	done; \
	echo "tsan: $$(( $(words $(TSAN_TESTS)) - failed )) passed, $$failed failed"; \
	[ $$failed -eq 0 ]

fuzz:
	bash scripts/install-deps fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLAR_FUZZ=ON \
	  -DVEXLAR_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target vexlar_fuzzers
	bash tests/fuzz/run $(FUZZ_BUILD)/bin $(FUZZ_SECONDS)

longrun: build
	$(BUILD)/bin/vexlar_longrun
