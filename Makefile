# Two set-up commands (see README.md):
#   make demo  - install what is needed, build, run the service once on the example newsroom
#   make test  - install what is needed, build, run every test
BUILD    ?= build
SANITIZE ?= 0
JOBS     ?= $(shell nproc)

.PHONY: demo test deps build clean

deps:
	@bash scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DPRESSVANE_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@bash scripts/run-demo $(BUILD)

clean:
	rm -rf build build-asan
