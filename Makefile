# make test            build and run the whole suite
# make test SAN=address  the same with address+undefined sanitizers (build-address/)
# make test SAN=thread   the same with the thread sanitizer (build-thread/)
# make run             build and run a whole Program job on the simulated target
# make fuzz            build the libFuzzer targets with clang (build-fuzz/) and run each one
#                      for FUZZ_SECONDS (default 60)
# make soak            1,000 back-to-back jobs against the simulator (build-soak/)
# make stress          STRESS_JOBS whole jobs (default 300, mixed sizes, Program and EEP Sum)
#                      through kven-cli and the minimal blocking host under a load generator;
#                      prints each side's false failures and the job time ratio
# make package         the Debian package, in build-pkg/ (warnings stay warnings there), built
#                      with Debian's hardening flags (dpkg-buildflags)
# make package-check   the package unpacked into a clean folder (dpkg -x), checked for what it
#                      must hold, and lintian on it: no error, no warning
# make format-check    fails when a tracked C++ file is not formatted as .clang-format says
# make clean           removes every build folder (build*)
# make hil             Kven on the kernel's real serial drivers (8250 UART, FTDI USB adapter, USB
#                      CDC-ACM) in a QEMU guest; report in build-hil/report.md. HIL_LINE=pty
#                      serves the lines over host pseudo-terminals instead of unix sockets;
#                      HIL_RIG_ERRORS=warn exits 0 when only the rig broke (no product row failed)
# make windows         kven-cli.exe and the unit tests cross-built with mingw-w64
#                      (build-windows/), the tests run under Wine, then kven-cli.exe under Wine
#                      programs kven-sim through a pseudo-terminal mapped as COM5
SAN ?=
BUILD := build$(if $(SAN),-$(SAN))
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
STRESS_JOBS ?= 300
STRESS_FAULT_JOBS ?= 10
FUZZ_TARGETS := fuzz_engine fuzz_ini fuzz_faults fuzz_hex fuzz_srec fuzz_elf
HIL_LINE ?= socket
# Debian's build flags, hardening included, for the package.
DEB_FLAGS := DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
HIL_RIG_ERRORS ?= fail

.PHONY: all deps configure build test run bench format format-check install package \
	package-check fuzz soak stress hil windows clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKVEN_SANITIZE=$(SAN) \
		-DKVEN_WERROR=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp $(TSAN_OPTIONS)" \
		ctest --output-on-failure -j $(JOBS) --timeout 600

run: build
	@scripts/run-demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/kven_bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

install: build
	@cmake --install $(BUILD)

# New inputs go to build-fuzz/corpus/, so the committed seeds in fuzz/corpus/ stay small.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKVEN_FUZZ=ON -DKVEN_WERROR=ON -DKVEN_BUILD_GUI=OFF -DKVEN_BUILD_TESTS=OFF \
		-DKVEN_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p build-fuzz/artifacts
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p build-fuzz/corpus/$$t; \
		echo "fuzzing $$t for $(FUZZ_SECONDS) s"; \
		build-fuzz/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=16384 -timeout=10 \
			-print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/$$t- \
			build-fuzz/corpus/$$t fuzz/corpus/$$t 2>build-fuzz/$$t.log \
			|| { tail -n 60 build-fuzz/$$t.log; exit 1; }; \
		grep -E '^#[0-9]+[[:space:]]+DONE' build-fuzz/$$t.log || true; \
	done

soak: deps
	@cmake -S tests/soak -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVEN_WERROR=ON \
		>/dev/null
	@cmake --build build-soak -j $(JOBS) --target kven_soak
	@build-soak/kven_soak 1000

package: deps
	@cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
		-DKVEN_WERROR=OFF -DKVEN_BUILD_TESTS=OFF -DKVEN_BUILD_BENCH=OFF \
		-DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build build-pkg -j $(JOBS)
	@cd build-pkg && cpack -G DEB

package-check: package
	@scripts/package-check.sh build-pkg

stress: build
	@python3 tests/stress/stress.py --build $(BUILD) --jobs $(STRESS_JOBS) \
		--fault-jobs $(STRESS_FAULT_JOBS)

hil: build
	@tests/hil/make-guest.sh $(BUILD) build-hil
	@python3 tests/hil/rig.py --build $(BUILD) --out build-hil --line $(HIL_LINE) \
		--rig-errors $(HIL_RIG_ERRORS)

windows: build
	@JOBS=$(JOBS) scripts/windows.sh $(BUILD)

clean:
	@rm -rf build build-*
