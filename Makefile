# Two set-up commands (see README.md):
#   make demo  - install what is needed, build, run the service once on the example newsroom
#   make test  - install what is needed, build, run every test
#   make fuzz  - build the fuzz targets with clang (build-fuzz), run each FUZZ_SECONDS
BUILD    ?= build
SANITIZE ?= 0
JOBS     ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: demo test deps build clean fuzz

deps:
	@bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DPRESSVANE_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@bash scripts/run-demo $(BUILD)

fuzz: deps
	@bash fuzz/run $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan
