# make run   installs what is missing, builds, starts the program quillon
# make test  installs what is missing, builds, runs every test
# make bench installs what is missing, builds and runs the benchmarks
# make screenshots  builds, then pictures the real program under Xvfb into docs/screenshots/
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run sample test bench screenshots clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Without a display quillon says so in one line and how to try it headless (exit code 2);
# that is the whole answer of `make run` then, not a failure of make.
run: build
	@$(BUILD)/app/quillon; status=$$?; [ $$status -eq 2 ] || exit $$status

# The sample message of the command-line tool, written with quillon-mail.
sample: build
	@tools/quillon-mail/sample/write-sample $(BUILD)/tools/quillon-mail/quillon-mail

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD) -DQUILLON_BUILD_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@bench/run-benchmarks $(BUILD)

# One picture of each page and of the help's dialogs, with sample data (README, help, metainfo).
screenshots: build
	@scripts/make-screenshots $(BUILD)

clean:
	@rm -rf $(BUILD)
