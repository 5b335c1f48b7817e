# The front door: `make run` plays the animation, `make test` runs every test. Each sets up a
# fresh Debian machine first, with only the packages it needs (scripts/bootstrap.sh).

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD?= build-bench
FUZZ_BUILD ?= build-fuzz
VENV       ?= .venv
CPYTHON_VENV ?= .venv-cpython
JOBS       ?= $(shell nproc)
PYPY       ?= pypy3
# Debian's own CPython, whatever else comes first on PATH.
CPYTHON    ?= /usr/bin/python3

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The project's own builds fail on any warning; pip's build for a user does not.
OWN_BUILD   = -DTAVVIK_WERROR=ON

.PHONY: all bootstrap bootstrap-test build test test-unit test-asan test-fuzz fuzz fuzz-long run \
        install install-cpython venv dist bench pictures preview format lint clean

all: build

bootstrap:
	@scripts/bootstrap.sh run

bootstrap-test:
	@scripts/bootstrap.sh test

# The module for both interpreters, every test program, and the launchers the end-to-end suites
# play: the PyPy one and the CPython one.
build: bootstrap-test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(OWN_BUILD) "-DTAVVIK_PYTHON_EXECUTABLES=$(PYPY);$(CPYTHON)" \
	  -DTAVVIK_LAUNCHER=$(abspath $(VENV))/bin/tavvik \
	  -DTAVVIK_CPYTHON_LAUNCHER=$(abspath $(CPYTHON_VENV))/bin/tavvik
	cmake --build $(BUILD) -j$(JOBS)

# Every suite: the C++ tests once; the module's suites under PyPy and under CPython; the
# end-to-end tests of the installed PyPy launcher in tmux, and the real-time one of the CPython
# launcher, all through ctest; then the same C++ tests built with the address and
# undefined-behaviour sanitizers; then the fuzz targets' regression run.
test: test-unit test-asan test-fuzz

# dist: the wheel suites (python-*-test_wheels) install what it makes.
test-unit: build install install-cpython dist
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

test-asan: bootstrap-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug $(OWN_BUILD) -DTAVVIK_SANITIZE=ON \
	  -DTAVVIK_PYTHON=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

# The fuzz targets (fuzz/), one per input from outside: a compiled description, a parameterised
# string, the environment. Everything is built with clang (16 on Debian 12, whose clang 14 cannot
# read libstdc++ 12's <expected>: scripts/fuzz-clang-version.sh) for libFuzzer, with the address
# and undefined-behaviour sanitizers.
FUZZ_CLANG ?= $(shell scripts/fuzz-clang-version.sh)

fuzz: bootstrap-test
	CC=clang-$(FUZZ_CLANG) CXX=clang++-$(FUZZ_CLANG) cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  $(OWN_BUILD) -DTAVVIK_FUZZ=ON -DTAVVIK_TESTS=OFF -DTAVVIK_PYTHON=OFF -DTAVVIK_TOOLS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

# The regression run: the kept corpus (fuzz/corpus) through each target, so that a fault once
# found stays found, and the parameter language against ncurses on every installed description.
test-fuzz: fuzz
	ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j$(JOBS)

# A long run of one target: 10 million executions or an hour, whichever comes first, e.g.
#   make fuzz-long FUZZ_TARGET=parameters [FUZZ_SECONDS=3600] [FUZZ_RUNS=10000000]
FUZZ_TARGET  ?= description
FUZZ_SECONDS ?= 3600
FUZZ_RUNS    ?= 10000000

fuzz-long: fuzz
	nice -n 19 scripts/fuzz.sh $(FUZZ_TARGET) $(FUZZ_SECONDS) $(FUZZ_RUNS)

$(VENV)/bin/pypy3:
	$(PYPY) -m venv --system-site-packages $(VENV)

venv: bootstrap $(VENV)/bin/pypy3

# The same path a user takes: pip builds through CMake and installs the module and `tavvik`.
install: venv
	$(VENV)/bin/pypy3 -m pip install --no-build-isolation --no-index --quiet .

$(CPYTHON_VENV)/bin/python:
	$(CPYTHON) -m venv --system-site-packages $(CPYTHON_VENV)

# The same into a CPython venv.
install-cpython: bootstrap-test $(CPYTHON_VENV)/bin/python
	$(CPYTHON_VENV)/bin/python -m pip install --no-build-isolation --no-index --quiet .

# pip's build is the build here: one Release build of the module, no test programs.
run: install
	$(VENV)/bin/tavvik run

# What goes to users, into dist/: the sdist, and from it a wheel for each of these interpreters
# that this machine has, and for the PyPy of Debian 12 and 13 and this release's CPython on
# x86_64 and arm64, those this machine cannot run built from their Debian packages (downloaded
# once into ~/.cache/tavvik); every wheel tagged manylinux as its module's symbols allow. The
# modules link unibilium in, so the interpreter is all a user installs.
DIST ?= dist
DIST_INTERPRETERS ?= $(PYPY) $(CPYTHON)

dist:
	@scripts/bootstrap.sh dist
	scripts/dist.sh $(DIST) $(CPYTHON) $(DIST_INTERPRETERS)

bench:
	@scripts/bootstrap.sh bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release $(OWN_BUILD) -DTAVVIK_BENCH=ON -DTAVVIK_TESTS=OFF -DTAVVIK_PYTHON=OFF
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	$(BENCH_BUILD)/bench/tavvik-bench

# Redraws docs/animation.svg: the whole animation, played by the module on a screen in memory.
pictures: build
	cmake --build $(BUILD) --target pictures

# The five frames in colour, in this terminal.
preview: build
	$(BUILD)/tools/sprite_preview

SOURCES = $(shell find src tests bench tools fuzz \( -name '*.cpp' -o -name '*.hpp' \))

format:
	clang-format -i $(SOURCES)

# Formatting, then two static checkers over src/, each failing on any finding. cppcheck:
# returnStdMoveLocal misreads moving an error out of a local std::expected. clang-tidy 16 (the
# default clang-tidy 14 cannot read libstdc++ 12's <expected>) runs the checks .clang-tidy lists,
# from the compile commands of a build dir of its own; configuring it every time (it is never
# built) keeps new source files in the list.
TIDY_BUILD ?= build-tidy
CLANG_TIDY ?= clang-tidy-16

lint:
	@scripts/bootstrap.sh lint
	clang-format --dry-run --Werror $(SOURCES)
	cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --std=c++20 \
	  --suppress=returnStdMoveLocal --inline-suppr -I src src
	cmake -S . -B $(TIDY_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $(OWN_BUILD) \
	  -DTAVVIK_TESTS=OFF -DTAVVIK_PYTHON=ON >/dev/null
	run-clang-tidy-16 -clang-tidy-binary $(CLANG_TIDY) -p $(TIDY_BUILD) -j$(JOBS) -quiet \
	  '^$(CURDIR)/src/'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(TIDY_BUILD) $(FUZZ_BUILD) build-pip $(VENV) \
	  $(CPYTHON_VENV) $(DIST)
