# Entry points: make demo, make test, make package, make bench, make fuzz, make clean.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
HOST  := build/host
WIN32 := build/win32
# ccache, where present, makes rebuilds of other checkouts of the tree cheap.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all bootstrap configure build build-host build-win32 build-i686 test test-host test-win32 demo package bench fuzz clean

all: build

bootstrap:
	@scripts/bootstrap

$(HOST)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 $(LAUNCHER)

$(WIN32)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=Release \
	  -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake $(LAUNCHER)

configure: bootstrap $(HOST)/CMakeCache.txt $(WIN32)/CMakeCache.txt

build-host: bootstrap $(HOST)/CMakeCache.txt
	cmake --build $(HOST) -j $(JOBS)

build-win32: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

build: build-host build-win32

test-host: build-host
	cd $(HOST) && ctest --output-on-failure --timeout 120 -j $(JOBS)

test-win32: build-win32
	scripts/test-win32

test: build
	@scripts/test-all

# The demo runs the installation package and a few tools of the Windows tree, and the distribution
# server of the host tree: it builds those only.
DEMO_TARGETS := package_msi TYInstallHelper zulctl uiauto rlymgr zul_test_install zul_add_root_cert

demo: bootstrap $(WIN32)/CMakeCache.txt $(HOST)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS) --target $(DEMO_TARGETS)
	cmake --build $(HOST) -j $(JOBS) --target zulserver
	scripts/demo

# The installation package (Windows Installer, built with wixl) of the Windows build's programs.
package: build-win32
	mkdir -p build/package
	cp $(WIN32)/package/TessaryZUL.msi build/package/TessaryZUL.msi

bench: build
	scripts/bench

fuzz: build-host
	scripts/fuzz $(or $(FUZZ_SECONDS),60)

clean:
	-scripts/wine-harness stop >/dev/null 2>&1
	rm -rf build

# The 32-bit programs (built, not run: this machine kind cannot start 32-bit Wine).
I686 := build/i686
$(I686)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(I686) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake

build-i686: bootstrap $(I686)/CMakeCache.txt
	cmake --build $(I686) -j $(JOBS) --target ZULMan ZULManps
