# make       builds the kit into dist/ (installing the toolchain if needed)
# make test  builds and runs every test under Wine
# make demo  builds, then plays the sample disc under Wine (screenshots in dist/demo/)
# make bench builds and runs the benchmarks under Wine (ratios against the platform's calls)
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all build test demo bench bootstrap clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2

test: build
	scripts/run-tests $(BUILD)

demo: build
	scripts/demo $(BUILD)

bench: build
	scripts/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) dist
