# make run   — install what is missing, build, start the program
# make test  — install what is missing, build, run every test
# make asan  — the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build run test asan clean

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)

run: build
	@tools/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHORAVANE_SANITIZE=ON -DHORAVANE_BENCH=OFF
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -LE e2e

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
