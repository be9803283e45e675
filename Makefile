# Formix: `make run` fills the bundled sample form, `make test` runs every test.
# Both install any missing Debian package first, then configure and build.

BUILD      ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

.PHONY: deps build run test unit-tests fuzz-build fuzz-smoke fuzz bench clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Fills the sample registration page from the sample profile: a table of which field received
# which value, and the filled page beside the build.
RUN_TODAY ?= 2025-06-01
run: build
	@echo "Filling examples/registration.html from examples/sample.ini (today $(RUN_TODAY)):"
	@$(BUILD)/tools/formix-tool fill --summary --settings examples/sample.ini --today $(RUN_TODAY) examples/registration.html
	@$(BUILD)/tools/formix-tool fill --settings examples/sample.ini --today $(RUN_TODAY) examples/registration.html >$(BUILD)/registration-filled.html
	@echo "Filled page: $(BUILD)/registration-filled.html"

unit-tests: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

fuzz-build: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFORMIX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# A few seconds per fuzz target on its seed corpus: proves every target builds and runs.
fuzz-smoke: fuzz-build
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) 5

# The full fuzzing run, FUZZ_SECONDS per target.
fuzz: fuzz-build
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

test: unit-tests fuzz-smoke

bench: build
	@$(BUILD)/bench/formix_bench

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
