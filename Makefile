# make       builds the kit into dist/ (installing the toolchain if needed)
# make test  builds and runs every test under Wine
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all build test bootstrap clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j2

test: build
	scripts/run-tests $(BUILD)

clean:
	rm -rf $(BUILD) dist
