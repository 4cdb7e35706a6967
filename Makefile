# Haystack's two commands: `make run` plays the game, `make test` runs every test.
BUILD := build
JOBS := $(shell nproc)

.PHONY: run test bench sanitize soak fuzz fuzz-picture fuzz-music install format data build deps test-deps

run: deps build
	cd data && ../$(BUILD)/haystack

test: test-deps build
	cd $(BUILD) && ctest --output-on-failure -j 2

# Frame cost, start-up, tick cadence and memory, in one table; on $$DISPLAY or in an Xvfb.
bench: test-deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DHAYSTACK_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS) --target haystack_bench
	if [ -n "$$DISPLAY" ]; then $(BUILD)-bench/bench/haystack_bench; \
	else xvfb-run -a -s "-screen 0 800x600x24" $(BUILD)-bench/bench/haystack_bench; fi

# Address and undefined-behaviour sanitizers over the whole suite.
sanitize: test-deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DHAYSTACK_SANITIZE=address,undefined
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ctest --output-on-failure -j 2

# Ten minutes of seeded random play against the sanitized game (`make test` plays one).
soak: test-deps build
	HAYSTACK_SOAK_SECONDS=600 $(BUILD)/tests/e2e/e2e_tests --gtest_filter='Soak.*'

# The fuzz targets for FUZZ_SECONDS each, side by side, then every input they kept replayed
# under memcheck; a failing input is kept under $(BUILD)/fuzz with the command that replays it.
FUZZ_SECONDS ?= 600
fuzz: test-deps build
	$(MAKE) -j 2 fuzz-picture fuzz-music

fuzz-picture fuzz-music: fuzz-%:
	tests/fuzz/run-fuzzer $(BUILD)/fuzz-targets/fuzz_$* $(BUILD)/fuzz/$* \
		-max_total_time=$(FUZZ_SECONDS) $(BUILD)/tests/fuzz/seeds/$* tests/corpus/$*
	tests/fuzz/memcheck $(BUILD)/tests/fuzz/replay_$* $(BUILD)/fuzz/$*/new

format:
	clang-format -i src/*.cpp src/*.h tests/*.cpp tests/*.h tests/*/*.cpp tests/*/*.h bench/*.cpp

# The game, its data, a launcher, a desktop entry and an icon under $(PREFIX).
PREFIX ?= /usr/local
install: deps build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Regenerates the pictures and music in data/ and the desktop icon (needs python3 and lame).
data:
	python3 tools/make_data.py data
	python3 tools/make_icon.py packaging/haystack.png

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

deps:
	scripts/install-deps

test-deps:
	scripts/install-deps test
