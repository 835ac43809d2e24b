# make test            build and run the whole suite
# make test SAN=address  the same with address+undefined sanitizers (build-address/)
# make test SAN=thread   the same with the thread sanitizer (build-thread/)
# make run             build and run a whole Program job on the simulated target
SAN ?=
BUILD := build$(if $(SAN),-$(SAN))
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench format install package clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKVEN_SANITIZE=$(SAN) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

run: build
	@scripts/run-demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/kven_bench_*; do [ -x "$$b" ] && "$$b"; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

install: build
	@cmake --install $(BUILD)

clean:
	@rm -rf build build-address build-thread
