# `make run` opens the program, `make test` runs every test. Both install what
# is missing (Debian packages) and build incrementally into build/.

BUILD_DIR   ?= build
BUILD_TYPE  ?= Release
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1

BUILD_PACKAGES := cmake g++ make qt6-base-dev libfontconfig-dev qt6-translations-l10n libgtest-dev libbenchmark-dev \
                  clang libclang-rt-14-dev librsvg2-bin desktop-file-utils appstream dpkg-dev file
RUN_PACKAGES   := $(BUILD_PACKAGES) fonts-arphic-uming
# What the tests start the window with besides: the interface face, faces
# for Latin, Greek, Cyrillic, Arabic and Korean names, and a desktop theme
# that sets the program's font; and Debian's checker of the package.
TEST_PACKAGES  := fonts-arphic-uming fonts-dejavu-core fonts-noto-cjk qt6ct lintian \
                  acl attr e2fsprogs btrfs-progs xfsprogs fusefat dosfstools exfat-fuse exfatprogs ntfs-3g

WINDOWS_BUILD_DIR ?= build-windows
WINDOWS_PACKAGES  := cmake make libgtest-dev g++-mingw-w64-x86-64-posix wine wine64 locales python3 \
                     nsis xvfb xauth fonts-noto-cjk fonts-arphic-uming librsvg2-bin

.PHONY: all deps run-deps configure build run test test-sanitize test-windows windows installer fuzz bench screenshots package clean

all: build

deps:
	@scripts/install-deps.sh $(BUILD_PACKAGES) $(TEST_PACKAGES)

run-deps:
	@scripts/install-deps.sh $(RUN_PACKAGES)

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: run-deps build
	@scripts/run.sh $(BUILD_DIR)/quilvane

FUZZ_BUILD_DIR ?= build-fuzz

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	scripts/fuzz.sh smoke $(FUZZ_BUILD_DIR)

# The core, the Win32 window and their tests cross-built for Windows (mingw-w64)
# and run under Wine, in a virtual display.
test-windows:
	@scripts/install-deps.sh $(WINDOWS_PACKAGES)
	scripts/test-windows.sh $(WINDOWS_BUILD_DIR) $(JOBS)

# quilvane.exe: one statically linked Windows program, nothing beside it.
windows:
	@scripts/install-deps.sh $(WINDOWS_PACKAGES)
	@test -f $(WINDOWS_BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(WINDOWS_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS) --target quilvane

# quilvane-2.0-setup.exe: installs quilvane.exe for the user, without
# administrator rights, with a Start-menu entry and an uninstaller (NSIS).
installer: windows
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS) --target installer

# The fuzz targets for five minutes each (FUZZ_SECONDS=... to change).
fuzz: deps
	scripts/fuzz.sh full $(FUZZ_BUILD_DIR)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_DIR ?= build-sanitize
test-sanitize: deps
	@test -f $(SANITIZE_DIR)/CMakeCache.txt || cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DQUILVANE_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=$(ASAN_OPTIONS) UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

bench: build
	$(BUILD_DIR)/bench/quilvane_bench
	$(BUILD_DIR)/bench/quilvane_file_bench $(FILE_BENCH_ARGS)

# The Debian package $(BUILD_DIR)/quilvane_2.0_<arch>.deb, for `apt install ./quilvane_2.0_amd64.deb`.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Pictures of the five steps, a UTF-8 file in the view and the launcher icon
# for the README, taken under a virtual display; then the five steps of the
# Windows window, under Wine.
screenshots: run-deps build windows
	@scripts/install-deps.sh xvfb xauth
	xvfb-run -a -s "-screen 0 1024x768x24" $(BUILD_DIR)/tools/quilvane_screenshots docs \
	  $(BUILD_DIR)/desktop/icons/128x128/io.github.quilvane.Quilvane.png
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS) --target quilvane_screenshots
	scripts/windows-screenshots.sh $(WINDOWS_BUILD_DIR) docs

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_BUILD_DIR) $(WINDOWS_BUILD_DIR)
