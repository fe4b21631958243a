# Thin front door over the CMake presets: each workflow preset configures,
# builds and, where it has tests, tests one build folder. `make test` is
# what CI runs.
JOBS ?= $(shell nproc)
# Every cmake --build, ctest and workflow below runs JOBS at a time.
export CMAKE_BUILD_PARALLEL_LEVEL := $(JOBS)
export CTEST_PARALLEL_LEVEL := $(JOBS)
WINE := /usr/lib/wine/wine64
WINEPREFIX_DIR := $(CURDIR)/build/win64/wineprefix
FUZZ_SECONDS ?= 20

SOAK_MINUTES ?= 10

.PHONY: all demo demo-windows deps dist gaugesim screenshots soak test test-native test-asan test-windows test-win64 test-win32 test-fuzz test-tsan bench build-bench check-format clean

all: deps
	cmake --preset native
	cmake --build --preset native

# The main job on a fresh machine: 32 simulated gauges on a pty as COM1 and
# the monitor, kestrow, showing every channel live in the terminal (plain text
# when not on a terminal; DEMO_SECONDS=N to stop after N seconds).
demo: deps
	cmake --workflow --preset demo
	tools/run-demo.sh

# The native simulator that the Windows programs run against under Wine.
gaugesim: deps
	cmake --workflow --preset gaugesim

# Kestrow.exe under Wine against 32 simulated gauges: on this display, or
# under Xvfb with a picture in build/demo-windows/ when there is none.
# ARCH=32 runs the 32-bit build under wine32.
ARCH ?= 64
demo-windows: gaugesim
	cmake --workflow --preset win$(ARCH)-programs
	WINDOWS_ARCH=$(ARCH) tools/run-on-wine.sh Kestrow

# The release in dist/: the Windows zip (both architectures) and the Debian
# package, built from Release folders of their own, then checked.
dist: deps
	tools/make-dist.sh

deps:
	@tools/install-deps.sh

# The Release builds (-O3, where GCC warns differently) are made by make
# dist, which CI runs next, and by make bench.
test: deps check-format test-native test-asan test-tsan test-windows test-fuzz

test-native:
	cmake --workflow --preset native

# Two minutes of the soak are among these tests, mostly waiting on the line:
# a slot of their own beside the others.
test-asan:
	CTEST_PARALLEL_LEVEL=$$(( $(JOBS) + 1 )) cmake --workflow --preset native-asan

test-tsan:
	cmake --workflow --preset native-tsan

# One Windows build, tested under Wine (wine64, or wine32 for the 32-bit
# build): the tests boot the build folder's Wine prefix and start its session
# themselves (a ctest fixture); they need an X display and the native gaugesim
# (test-native builds it).
test-win32 test-win64: test-%:
	xvfb-run -a cmake --workflow --preset $*

# Both Windows builds: built one after the other (each uses every core),
# then tested side by side, since their tests mostly wait on the line. Each
# has its own prefix, COM ports and X display (its own foreground).
test-windows:
	cmake --preset win32 && cmake --build --preset win32
	cmake --preset win64 && cmake --build --preset win64
	$(MAKE) --no-print-directory -j2 --output-sync=target ctest-win32 ctest-win64

.PHONY: ctest-win32 ctest-win64
ctest-win32 ctest-win64: ctest-%:
	xvfb-run -a ctest --preset $*

# Only the fuzz targets and their seed makers: the rest of the tree is
# built and tested by the other presets.
test-fuzz:
	VEXLA_FUZZ_SECONDS=$(FUZZ_SECONDS) cmake --workflow --preset fuzz

# The benchmarks have a Release folder of their own, so the native test
# folder is never reconfigured.
build-bench: deps
	cmake --workflow --preset bench

# Every C++ file as .clang-format says (clang-format 14, Debian 12's).
check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run -Werror

bench: build-bench
	build/bench/bin/vexla_bench
	build/bench/bin/comm_bench
	build/bench/bin/study_bench
	@# The driver's CPU on a busy line beside the simplest reader's.
	CPU_SECONDS=15 tools/measure-cpu-ratio.sh
	@# The grids of the control window and of the monitor, and the station's
	@# tiles and verdict, on the GUI thread under Wine, when the win64 build
	@# is there.
	@if [ -f build/win64/bin/text_grid_bench.exe ]; then \
	  cd build/win64/bin && WINEPREFIX=$(WINEPREFIX_DIR) WINEDEBUG=-all xvfb-run -a sh -c \
	    '$(WINE) text_grid_bench.exe; $(WINE) kestrow_bench.exe; $(WINE) station_bench.exe'; \
	fi

# vexla-rec report on a one-hour recording of 32 channels at 20 readings/s
# (2.3 million rows): its benchmarks, then the command timed on the whole
# file, held to 10 s and a page under 5 MB.
.PHONY: bench-report
bench-report: deps
	cmake --preset bench
	cmake --build --preset bench --target recorder_report_bench
	tools/bench-report.sh

# The whole system under faults for SOAK_MINUTES (default 10): memory,
# descriptors and threads must not grow, nothing may go missing or be wrong.
soak: deps
	cmake --workflow --preset soak
	@# A copy of the library: a rebuild meanwhile must not rewrite the code it runs.
	mkdir -p build/soak && cp build/native/bin/libVexla.so build/soak/libVexla.so
	VEXLA_SOAK_LIBRARY=$(CURDIR)/build/soak/libVexla.so VEXLA_SOAK_SECONDS=$$(( $(SOAK_MINUTES) * 60 )) \
	  build/native/bin/vexla_soak

# The README's pictures of the control window, one per page, into
# docs/screenshots/ (Xvfb, Wine's virtual desktop, simulated gauges), and
# of both programs.
screenshots: gaugesim
	cmake --workflow --preset win64-programs
	tools/screenshots.sh

clean:
	rm -rf build
