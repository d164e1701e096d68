# The two commands of the README, plus the pieces they are made of.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: setup configure build test demo bench mutants clean

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

test: build
	@bash scripts/run-tests.sh $(BUILD)

demo: build
	@bash scripts/demo.sh $(BUILD)

bench: build
	@bash scripts/bench.sh $(BUILD)

# Breaks each safeguard in turn in a scratch copy under $(BUILD)/mutants and runs the tests that must notice.
mutants: setup
	@python3 scripts/mutants.py $(BUILD)

clean:
	rm -rf $(BUILD)
