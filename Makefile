# make run   — install what is missing, build, start the program
# make test  — install what is missing, build, run every test
# make asan  — the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# make install   — build and install for this user in ~/.local (PREFIX=...)
# make uninstall — remove exactly what make install put; the settings file stays
# make deb       — build the Debian package BUILD/horavane_<version>_amd64.deb (CPack)
# make fuzz      — libFuzzer targets (clang-14, ASan+UBSan), a million runs each over fuzz/corpus
# make fuzz-ci   — the same targets for a short bounded time each
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Added to every configure, the sanitizer build's too (CI: warnings as errors).
EXTRA_CMAKE_FLAGS ?=
PREFIX ?= $(HOME)/.local
FUZZ_RUNS ?= 1000000
FUZZ_CI_SECONDS ?= 60

.PHONY: deps build run test asan clean install uninstall deb fuzz fuzz-ci

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) $(EXTRA_CMAKE_FLAGS)
	cmake --build $(BUILD)

run: build
	@tools/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHORAVANE_SANITIZE=ON -DHORAVANE_BENCH=OFF $(EXTRA_CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 HORAVANE_SIMULATED_DAYS=3 ctest --output-on-failure -LE e2e

install: build
	@tools/install-desktop.sh $(BUILD) $(PREFIX)

uninstall:
	@tools/uninstall-desktop.sh $(BUILD)

deb: build
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/horavane_*.deb

fuzz: deps
	@tools/fuzz.sh --runs $(FUZZ_RUNS)

fuzz-ci: deps
	@tools/fuzz.sh --seconds $(FUZZ_CI_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
