# Two entry points for a fresh Debian 12 machine:
#   make run   builds the clock and starts it
#   make test  builds everything and runs every test
# Both install the Debian packages they need when missing, and fetch the Japanese voice
# (which only warns when it can't: the clock then speaks Japanese with espeak-ng).

BUILD ?= build/dev
PRESET ?= dev

.PHONY: deps build run test asan-test fuzz install ci clean

deps:
	@tools/install-deps.sh
	@tools/fetch-voice.sh

$(BUILD)/build.ninja: | deps
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build --preset $(PRESET)

run: build
	cd $(BUILD)/bin && ./chikutaku

test: build
	tools/run-tests.sh $(BUILD)

asan-test: deps
	cmake --preset asan
	cmake --build --preset asan
	tools/run-tests.sh build/asan

# The libFuzzer targets, 60 s each (tools/fuzz.sh SECONDS for another length).
fuzz: deps
	tools/fuzz.sh 60

# A relocatable installation in PREFIX (default ~/chikutaku); see the README.
PREFIX ?= $(HOME)/chikutaku
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Everything CI runs.
ci:
	.ci/run

clean:
	rm -rf build
