# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= 2
CMAKE_FLAGS ?=

.PHONY: all deps build run test bench asan tsan fuzz format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS)

# Builds the desktop tool alone (not the test programs) and starts it.
run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS) --target xndnfe-certificados
	cd $(BUILD) && ./xndnfe-certificados $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DXND_BUILD_BENCH=ON -DXND_BUILD_APP=OFF -DXND_BUILD_TESTS=OFF
	cmake --build $(BUILD)-bench -j$(JOBS)
	@for b in $(BUILD)-bench/bench_*; do echo "== $$b"; $$b || exit 1; done

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DXND_SANITIZE=ON -DXND_BUILD_APP=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS)

# ThreadSanitizer: every test, the two-threaded component test among them.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DXND_SANITIZE_THREAD=ON -DXND_BUILD_APP=OFF
	cmake --build $(TSAN_BUILD) -j$(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -j$(JOBS)

# A short bounded run of every libFuzzer harness of fuzz/ (clang), from the
# seeds in fuzz/corpus/; what it finds goes to $(FUZZ_BUILD). Not part of test.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXND_BUILD_FUZZ=ON -DXND_BUILD_APP=OFF -DXND_BUILD_TESTS=OFF -DXND_BUILD_TOOLS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target xnd_fuzzers
	@for f in $(FUZZ_BUILD)/fuzz/fuzz_*; do \
	  n=$$(basename $$f); n=$${n#fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$n $(FUZZ_BUILD)/crashes; \
	  echo "== $$f ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -max_len=65536 \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes/$$n- $(FUZZ_BUILD)/corpus/$$n fuzz/corpus/$$n || exit 1; \
	done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BUILD)-bench
