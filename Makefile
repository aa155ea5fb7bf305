# make          install what is missing, build everything into build/
# make test     build, run every test, then again under AddressSanitizer,
#               UndefinedBehaviorSanitizer and (concurrency tests) ThreadSanitizer
# make tsan     the concurrency tests under ThreadSanitizer
# make demo     build and run the demo host
# make eval     measure the detector on ../shared/data (EVAL_DATA=DIR for another place)
# make bench    run the benchmarks

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.NOTPARALLEL:
.PHONY: all deps build test unit asan tsan demo eval bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B build $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)
	@ln -sf build/compile_commands.json compile_commands.json

unit: build
	cd build && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B build-asan -DQUORVEL_SANITIZE=address,undefined -DQUORVEL_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$(CURDIR)/scripts/lsan.supp fast_unwind_on_malloc=0" UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B build-tsan -DQUORVEL_SANITIZE=thread -DQUORVEL_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/scripts/tsan.supp" ctest --output-on-failure -L concurrency -j $(JOBS)

test: unit asan tsan

demo: build
	@scripts/run-demo

EVAL_DATA ?= ../shared/data

eval: build
	@for set in $(EVAL_DATA)/photos $(EVAL_DATA)/synthetic; do \
		if [ ! -f "$$set/ground-truth.json" ]; then \
			echo "make eval: $$set/ground-truth.json is missing; the marked sets belong in $(EVAL_DATA) (or set EVAL_DATA)" >&2; \
			exit 1; \
		fi; \
	done
	build/bin/quorvel-eval $(EVAL_DATA)/photos $(EVAL_DATA)/synthetic

bench: build
	@for b in build/bin/*Benchmark; do echo "== $$b"; $$b; done

format:
	find Platform Source Tests Benchmarks Tools Examples -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan
