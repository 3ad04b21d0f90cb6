# Pixbako: `make run` and `make test` do the whole set-up on a fresh Debian 12 machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
PREFIX     ?= $(HOME)/.local

.PHONY: deps configure build run test asan-test bench fuzz format screenshots demo install clean

deps:
	./tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/app/pixbako

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A sample memory card imported headless twice; prints the folders and the logs.
demo: build
	./tools/demo/run-demo.sh $(BUILD)

# The program, its desktop entry (offered for camera cards) and its icon under $(PREFIX).
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# The engine and platform tests once more under AddressSanitizer and UBSan (no Qt needed).
asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPIXBAKO_BUILD_GUI=OFF \
	    -DPIXBAKO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXBAKO_BUILD_GUI=OFF \
	    -DPIXBAKO_BUILD_TESTS=OFF -DPIXBAKO_BUILD_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	./bench/run-all.sh $(BENCH_BUILD)

# Each libFuzzer target for FUZZ_SECONDS (a minute unless told otherwise).
fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPIXBAKO_BUILD_GUI=OFF -DPIXBAKO_BUILD_TESTS=OFF -DPIXBAKO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./fuzz/run-all.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Pictures of the main window under a virtual X server, into $(BUILD)/screenshots/.
screenshots: configure
	cmake --build $(BUILD) -j $(JOBS) --target pixbako-screenshots
	xvfb-run -a -s "-screen 0 1280x1024x24" ./$(BUILD)/tools/screenshots/pixbako-screenshots \
	    $(BUILD)/screenshots

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
