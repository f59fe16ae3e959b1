# make       builds the kit into dist/ (installing the toolchain if needed)
# make test  builds and runs every test under Wine
# make demo  builds, then plays the sample disc under Wine (screenshots in dist/demo/)
# make bench builds and runs the benchmarks under Wine (ratios against the platform's calls)
# make dist  builds the kit archive an author downloads: dist/kLv-kit-<version>.zip
# make disc  builds the sample disc's image dist/ventrix-demo.iso; for your own disc:
#            make disc DISC_DIR=folder DISC_IMAGE=dist/name.iso [DISC_LABEL=NAME]
BUILD := build
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
DISC_DIR ?=
DISC_IMAGE ?= dist/ventrix-demo.iso
DISC_LABEL ?=

.PHONY: all build test demo bench dist disc bootstrap clean

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

dist: build
	scripts/dist $(BUILD) dist

# An author's own folder needs no build; the sample disc is assembled first.
disc: $(if $(DISC_DIR),bootstrap,build)
	@if [ -n "$(DISC_DIR)" ]; then scripts/disc "$(DISC_DIR)" "$(DISC_IMAGE)" $(DISC_LABEL); \
	else scripts/sample-disc $(BUILD) $(BUILD)/disc && scripts/disc $(BUILD)/disc "$(DISC_IMAGE)" $(DISC_LABEL); fi

clean:
	rm -rf $(BUILD) dist
