# TAVORI: build, test and try the monitor on Debian 12.
#
#   make deps        install the Debian packages the rest needs (apt-get; root, or says what to run)
#   make build       configure and build the native logic + unit tests and the 64-bit tavori.exe
#   make build-x86   build the 32-bit tavori.exe
#   make unit-test   run the native unit tests (after make build)
#   make test        deps, all three builds, format check, unit tests, a second build of tavori.exe
#                    elsewhere that must give the same bytes, end-to-end tests under Wine
#   make format      reformat the C++ sources in place
#   make run         deps, build, then run tavori.exe under Wine (on $DISPLAY, or a private Xvfb)
#   make clean       remove build/: every build, make run's Wine prefix, the release zips

SHELL := /bin/bash
.SHELLFLAGS := -euo pipefail -c
.DEFAULT_GOAL := build

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# What the builds, the tests and `make run` use. Programs run through /usr/lib/wine/wine64 and
# wineserver64; wine32:i386 (Debian's i386 architecture) adds /usr/lib/wine/wine, which runs the
# 32-bit tavori.exe in the same prefix. Debian's `wine` wrapper package is not needed. fonts-wine
# brings the fonts Windows programs expect (MS Sans Serif, Marlett for the caption buttons).
DEB_PACKAGES := cmake g++ make googletest libgtest-dev libgmock-dev \
	g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64 \
	wine64 wine32:i386 fonts-wine xvfb xdotool imagemagick x11-utils python3 python3-pytest-xdist \
	clang-format

# The time a release's ZIP entries carry: the commit's. Outside a git clone, the time of the
# source files, which a `git archive` tarball sets to its commit's time.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || stat -c %Y CMakeLists.txt)
export SOURCE_DATE_EPOCH

CXX_SOURCES = git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp'

.PHONY: deps build build-linux build-windows build-x86 test unit-test reproducible-test e2e-test \
	format format-check run clean

deps:
	@i386=; dpkg --print-foreign-architectures | grep -qx i386 || i386=i386; \
	missing=(); \
	for package in $(DEB_PACKAGES); do \
		status=$$(dpkg-query -W -f='$${Status}' "$$package" 2>/dev/null || true); \
		[[ "$$status" == "install ok installed" ]] || missing+=("$$package"); \
	done; \
	if [[ -z "$$i386" ]] && (( $${#missing[@]} == 0 )); then exit 0; fi; \
	echo "deps: missing: $${i386:+the i386 architecture }$${missing[*]}"; \
	if (( $$(id -u) != 0 )); then \
		echo "deps: run as root, or install them with:"; \
		[[ -z "$$i386" ]] || echo "  sudo dpkg --add-architecture i386"; \
		echo "  sudo apt-get update && sudo apt-get install --no-install-recommends $${missing[*]}"; \
		exit 1; \
	fi; \
	export DEBIAN_FRONTEND=noninteractive; \
	[[ -z "$$i386" ]] || dpkg --add-architecture i386; \
	apt-get update -qq </dev/null; \
	apt-get install -y -qq --no-install-recommends "$${missing[@]}" </dev/null

build: build-linux build-windows

build-linux:
	cmake --preset linux
	cmake --build --preset linux --parallel $(JOBS)

build-windows:
	cmake --preset windows
	cmake --build --preset windows --parallel $(JOBS)

build-x86:
	cmake --preset windows-x86
	cmake --build --preset windows-x86 --parallel $(JOBS)

# A failed 32-bit build, format check or test does not keep the others from running; make test
# fails at the end if any did. Without the 64-bit build there is nothing to test end to end.
# The Wine prefix that every end-to-end test copies is made beside the 64-bit build. The
# end-to-end tests mostly wait on Wine and the clock, so the 32-bit and native builds, the unit
# tests, the format check and the reproducible check's second build run beside the 64-bit exe's
# tests, niced so that the tests' Wine is not kept waiting; the 32-bit exe's tests follow. Their
# counts are said again last.
test: deps
	rm -rf build/e2e-template; mkdir -p build
	status=0; \
	python3 tools/wine.py build/e2e-template >build/e2e-template.log 2>&1 & \
	template=$$!; \
	$(MAKE) --no-print-directory build-windows; \
	wait $$template || { cat build/e2e-template.log; exit 1; }; \
	nice $(MAKE) --no-print-directory -k build-x86 build-linux unit-test format-check \
		reproducible-test >build/beside-e2e.log 2>&1 & beside=$$!; \
	export TAVORI_WINE_TEMPLATE=$(CURDIR)/build/e2e-template; \
	$(MAKE) --no-print-directory e2e-test E2E_FLAGS=-kx64 | tee build/e2e-x64.log || status=1; \
	wait $$beside || status=1; \
	cat build/beside-e2e.log; \
	$(MAKE) --no-print-directory e2e-test E2E_FLAGS=-kx86 | tee build/e2e-x86.log || status=1; \
	for arch in x64 x86; do echo "end-to-end, $$arch: $$(tail -n 1 build/e2e-$$arch.log)"; done; \
	exit $$status

unit-test:
	ctest --preset linux --parallel $(JOBS)

# Builds the 64-bit tavori.exe again, from a copy of the sources in build/reproducible, and
# compares it and its ZIP with those of build/windows.
reproducible-test:
	CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) tests/reproducible/check

# Three tests at a time, each worker on a display of its own: they mostly wait on Wine and the
# clock. E2E_FLAGS takes pytest's, such as -k NAME. The template prefix that each test copies is
# made first, unless TAVORI_WINE_TEMPLATE names one. Debian's python3 has the pytest that make deps
# installs; another python3 first on the PATH may not.
E2E_JOBS ?= 3
e2e-test: export TAVORI_WINE_TEMPLATE ?= $(CURDIR)/build/e2e-template
e2e-test:
	[[ -f $$TAVORI_WINE_TEMPLATE/system.reg ]] || python3 tools/wine.py $$TAVORI_WINE_TEMPLATE
	cd tests/e2e && /usr/bin/python3 -m pytest -n $(E2E_JOBS) -p no:cacheprovider -q -rfE \
		--durations=10 $(E2E_FLAGS)

format:
	$(CXX_SOURCES) | xargs -r clang-format -i

format-check:
	$(CXX_SOURCES) | xargs -r clang-format --dry-run --Werror

run: deps
	$(MAKE) --no-print-directory build-windows
	tools/run-monitor

clean:
	rm -rf build

# ---------------------------------------------------------------------------------------------
# Measurement, fuzzing and packaging; none of these is part of `make test`.
#
#   make bench       build tavori.exe (64- and 32-bit), the floor program and the probe
#                    benchmark, then measure them under Wine and print one table of figures
#   make soak [MINUTES=60]
#                    run tavori.exe under Wine that long, sampling every 10 s what it holds
#                    (memory, descriptors, its wineserver's memory; handles, GDI and USER
#                    objects where the system counts them), and print the growth
#   make dist        build both exes and pack build/dist/tavori-<version>-win64.zip and -win32.zip
#                    (tavori.exe, README.txt made from docs/guide.md, LICENSE) with CPack; prints
#                    their SHA-256 sums, also kept in build/dist/SHA256SUMS
#   make fuzz [SECONDS=60] [FUZZ_JOBS=1]
#                    libFuzzer (clang, ASan + UBSan) over the settings' number texts and their
#                    round trips; new inputs go to build/fuzz/corpus, a crashing one to
#                    build/fuzz/crash-*

SECONDS ?= 60
FUZZ_JOBS ?= 1
FUZZ_DIR := build/fuzz
FUZZ_TARGET := $(FUZZ_DIR)/settings_fuzz
FUZZ_SOURCES := tests/fuzz/settings_fuzz.cpp settings/number_text.cpp
FUZZ_CXXFLAGS := -std=c++20 -g -O2 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
	-fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Wshadow -Werror -I.

.PHONY: bench soak dist fuzz fuzz-deps

MINUTES ?= 60

bench: deps
	$(MAKE) --no-print-directory build-windows build-x86
	cmake --build --preset windows --parallel $(JOBS) --target tavori-floor tavori-probe-bench
	tools/bench/bench.py

soak: deps
	$(MAKE) --no-print-directory build-windows
	cmake --build --preset windows --parallel $(JOBS) --target tavori-resources
	tools/bench/bench.py --soak $(MINUTES)

# CPack works in build/dist/_CPack_Packages; only the ZIPs are left there, rewritten so that
# one commit gives the same bytes anywhere: entries dated the commit's time, in a fixed order and
# mode. The checksums are for whoever downloads a ZIP to compare it with (certutil -hashfile
# <zip> SHA256 on Windows), or rebuilds the release to compare them with theirs.
dist: deps
	$(MAKE) --no-print-directory build-windows build-x86
	rm -rf build/dist
	cpack --config build/windows/CPackConfig.cmake
	cpack --config build/windows-x86/CPackConfig.cmake
	rm -rf build/dist/_CPack_Packages
	tools/dist/reproducible-zip build/dist/*.zip
	ls -l build/dist
	cd build/dist && sha256sum -- *.zip | tee SHA256SUMS

# clang and its runtime libraries (libFuzzer, the sanitizers) for the fuzz target only.
fuzz-deps:
	$(MAKE) --no-print-directory deps DEB_PACKAGES="clang libclang-rt-14-dev"

$(FUZZ_TARGET): $(FUZZ_SOURCES) $(wildcard settings/*.h platform/*.h)
	mkdir -p $(FUZZ_DIR)
	clang++ $(FUZZ_CXXFLAGS) $(FUZZ_SOURCES) -o $@

# Settings texts are short: inputs past 128 bytes only slow the search down. The whole log is
# kept in build/fuzz/last-run.log; the terminal gets the progress lines, the end and any finding.
fuzz: fuzz-deps
	$(MAKE) --no-print-directory $(FUZZ_TARGET)
	mkdir -p $(FUZZ_DIR)/corpus
	UBSAN_OPTIONS=print_stacktrace=1 $(FUZZ_TARGET) -max_total_time=$(SECONDS) -max_len=128 \
		-print_final_stats=1 $(if $(filter-out 1,$(FUZZ_JOBS)),-fork=$(FUZZ_JOBS)) \
		-artifact_prefix=$(FUZZ_DIR)/ $(FUZZ_DIR)/corpus tests/fuzz/corpus/settings \
		2>&1 | tee $(FUZZ_DIR)/last-run.log \
		| { grep -E --line-buffered -v '^#[0-9]+[[:space:]]+(NEW|REDUCE)|^	NEW_FUNC' || true; }
