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

# One run in the default prefix; the wineserver it started is stopped after.
# The progress copy shows a window: without a display, a private Xvfb.
bench: build
	@status=0; display=; [ -n "$$DISPLAY" ] || display="xvfb-run -a"; for b in files_bench xtra_bench; do \
	  KLV_BUILD=$(CURDIR)/$(BUILD) $$display scripts/wine-run $(BUILD)/bin/$$b.exe || status=$$?; done; \
	pidfile=$(BUILD)/wine/default/.wineserver.pid; \
	if [ -f $$pidfile ]; then WINEPREFIX=$(CURDIR)/$(BUILD)/wine/default wineserver -k; kill $$(cat $$pidfile) 2>/dev/null; rm -f $$pidfile; fi; \
	exit $$status

clean:
	rm -rf $(BUILD) dist
