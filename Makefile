# Haystack's two commands: `make run` plays the game, `make test` runs every test.
BUILD := build
JOBS := $(shell nproc)
# ON turns compiler warnings into errors, as CI does.
WERROR ?= OFF
# REPEAT=N runs a test suite N times and counts its failures, LOAD=N with N cores kept busy
# beside it (scripts/run-tests); a test that fails is never run again to pass.
REPEAT ?= 1
LOAD ?= 0
RUN_TESTS = REPEAT=$(REPEAT) LOAD=$(LOAD) scripts/run-tests
CONFIGURE = cmake -S . -B $(BUILD) -DHAYSTACK_WERROR=$(WERROR)

.PHONY: run test board bench bench-board sanitize soak fuzz fuzz-picture fuzz-music fuzz-replay install uninstall package \
	format data build deps test-deps package-deps windows test-windows windows-deps web \
	serve-web test-web bench-web web-deps arm64 test-arm64 arm64-deps release release-deps \
	check-reproducible test-debian debian-deps portable portable-deps

# The game alone: it needs none of the test suite's packages.
run: deps
	$(CONFIGURE) -DBUILD_TESTING=OFF
	cmake --build $(BUILD) -j $(JOBS) --target haystack
	cd data && ../$(BUILD)/haystack

test: test-deps build
	$(RUN_TESTS) $(BUILD) -j 2

# A board on this machine at http://localhost:8080, its runs in board.db here.
board:
	scripts/install-deps board
	$(CONFIGURE) -DBUILD_TESTING=OFF
	cmake --build $(BUILD) -j $(JOBS) --target haystack-board
	$(BUILD)/haystack-board --listen 127.0.0.1:8080 --database sqlite:board.db

# Frame cost (also by window size), start-up, tick cadence and memory; on $$DISPLAY or in an
# Xvfb with a 1080p screen.
bench: test-deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DHAYSTACK_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS) --target haystack_bench
	if [ -n "$$DISPLAY" ]; then $(BUILD)-bench/bench/haystack_bench; \
	else xvfb-run -a -s "-screen 0 1920x1080x24" $(BUILD)-bench/bench/haystack_bench; fi

# The board under wrk: its reads beside nginx serving the same bytes (and beside each HTTP
# library answering them alone), and runs proven and committed a second on SQLite and on a
# PostgreSQL cluster of its own (bench/board/run-bench).
bench-board: test-deps
	scripts/install-deps bench-board
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DHAYSTACK_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS) --target haystack-board record_search \
		serve_httplib serve_microhttpd serve_beast
	bench/board/run-bench $(BUILD)-bench/haystack-board $(BUILD)-bench/record_search \
		$(BUILD)-bench/bench

# Address and undefined-behaviour sanitizers over the whole suite. Optimised a little, as the
# address sanitizer advises: unoptimised, the game draws a third of its frames and the
# play-through no longer plays at a player's pace.
sanitize: test-deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
		-DHAYSTACK_SANITIZE=address,undefined \
		-DHAYSTACK_WERROR=$(WERROR) -DBUILD_TESTING=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	$(RUN_TESTS) $(BUILD)-sanitize -j 2

# Ten minutes of seeded random play against the sanitized game (`make test` plays one).
soak: test-deps build
	HAYSTACK_SOAK_SECONDS=600 $(BUILD)/tests/e2e/e2e_tests --gtest_filter='Soak.*'

# The fuzz targets for FUZZ_SECONDS each, side by side, then every input they kept replayed
# under memcheck; a failing input is kept under $(BUILD)/fuzz with the command that replays it.
FUZZ_SECONDS ?= 600
fuzz: test-deps build
	$(MAKE) -j 2 fuzz-picture fuzz-music fuzz-replay

fuzz-picture fuzz-music fuzz-replay: fuzz-%:
	tests/fuzz/run-fuzzer $(BUILD)/fuzz-targets/fuzz_$* $(BUILD)/fuzz/$* \
		-max_total_time=$(FUZZ_SECONDS) $(BUILD)/tests/fuzz/seeds/$* $(wildcard tests/corpus/$*)
	tests/fuzz/memcheck $(BUILD)/tests/fuzz/replay_$* $(BUILD)/fuzz/$*/new

format:
	clang-format -i $(wildcard src/*.cpp src/*.h src/*/*.cpp src/*/*.h src/web/GL/*.h tests/*.cpp \
		tests/*.h tests/*/*.cpp tests/*/*.h tests/e2e/preload/*.cpp bench/*.cpp tools/*.cpp)

# The game, its data, launcher, desktop entry, icons, metainfo and manual under $(PREFIX);
# `make uninstall` takes away exactly what the last `make install` put down.
PREFIX ?= /usr/local
install: deps
	$(CONFIGURE) -DBUILD_TESTING=OFF "-DCMAKE_INSTALL_PREFIX=$(PREFIX)"
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD)

uninstall:
	cmake --build $(BUILD) --target uninstall

# haystack_$(VERSION)_amd64.deb and a tarball of the same tree, and where the board is built
# haystack-board_$(VERSION)_amd64.deb, into $(PACKAGE_DIR) (which may be the build folder
# itself); built for /usr with Debian's hardening flags, in a build folder of its own.
PACKAGE_BUILD ?= $(BUILD)-package
PACKAGE_DIR ?= .
package: package-deps
	$(call debian_package,$(PACKAGE_BUILD),$(shell dpkg --print-architecture),)
	mkdir -p $(PACKAGE_DIR)
	[ "$$(realpath $(PACKAGE_BUILD))" = "$$(realpath $(PACKAGE_DIR))" ] || \
		cp $(PACKAGE_BUILD)/haystack_*.deb $(PACKAGE_BUILD)/haystack-*.tar.gz \
			$$(find $(PACKAGE_BUILD) -maxdepth 1 -name 'haystack-board_*.deb') \
			$(PACKAGE_DIR)

# FRESH=--fresh configures the package, Windows and browser builds anew, dropping the flags an earlier
# configuration cached (a release does, see scripts/release); empty, they build on it.
FRESH ?=

# Configures, builds and packs the game in folder $(1) for /usr and Debian architecture $(2),
# with Debian's hardening flags and its reproducibility ones (dpkg-buildflags maps the folder
# it runs in, this one, to "." in debugging information), and CMake arguments $(3). The
# packages an earlier build left there go first, so that only this one's can be copied on.
define debian_package
	rm -f $(1)/haystack_*.deb $(1)/haystack-board_*.deb $(1)/haystack-*.tar.gz
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_HOST_ARCH=$(2) && \
	cppflags="$$(dpkg-buildflags --get CPPFLAGS)" && cxxflags="$$(dpkg-buildflags --get CXXFLAGS)" && \
	ldflags="$$(dpkg-buildflags --get LDFLAGS)" && \
	CXXFLAGS="$$cppflags $$cxxflags" LDFLAGS="$$ldflags" \
		cmake $(FRESH) -S . -B $(1) -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
			-DHAYSTACK_WERROR=$(WERROR) $(3)
	cmake --build $(1) -j $(JOBS)
	cd $(1) && cpack
endef

# haystack_$(VERSION)_arm64.deb in $(ARM64_BUILD)/, cross-built against the arm64 libraries.
ARM64_BUILD ?= build-arm64
arm64: arm64-deps
	$(call debian_package,$(ARM64_BUILD),arm64,-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
		"-DHAYSTACK_ARM64_LIBRARIES=$$(scripts/arm64-libraries)")

# The arm64 package's game, unpacked and run under qemu in the end-to-end tests that apply.
test-arm64: test-deps arm64
	cmake --build $(ARM64_BUILD) -j $(JOBS) --target world_digest record_search
	$(CONFIGURE) -DBUILD_TESTING=ON "-DHAYSTACK_ARM64_BUILD=$(CURDIR)/$(ARM64_BUILD)"
	cmake --build $(BUILD) -j $(JOBS)
	$(RUN_TESTS) $(BUILD) -L arm64

# A clone's `make run`, the Debian package installed with apt, and the archive for any
# distribution unpacked, in bare systems of the Debian releases DEBIAN_RELEASES made by
# debootstrap (once, then cached under ~/.cache/haystack/debian-systems/); Debian 11 must
# refuse the package. SOURCES=<folder> (or WINDOWS_SOURCES) holds the pinned source archives
# the archive's libraries are built from.
DEBIAN_RELEASES ?= bullseye bookworm trixie
test-debian: test-deps debian-deps
	$(CONFIGURE) -DBUILD_TESTING=ON "-DHAYSTACK_DEBIAN_RELEASES=$(DEBIAN_RELEASES)" \
		"-DHAYSTACK_PORTABLE_SOURCES=$(abspath $(SOURCES))"
	cmake --build $(BUILD) -j $(JOBS)
	$(RUN_TESTS) $(BUILD) -L debian

# haystack-$(VERSION)-linux-x86_64.tar.gz in $(PORTABLE_BUILD)/: the game for any Linux
# distribution, with the libraries not every one has, built in a Debian 11 system made by
# debootstrap (kept, with the libraries built there, under ~/.cache/haystack/portable/) from
# the pinned source archives, taken from SOURCES=<folder> (or WINDOWS_SOURCES) when given.
PORTABLE_BUILD ?= build-portable
portable: portable-deps
	SOURCES="$(SOURCES)" JOBS=$(JOBS) WERROR=$(WERROR) scripts/build-portable $(PORTABLE_BUILD)

# Every release artefact, from the committed tree, into $(DIST)/ with SHA256SUMS: the two
# Debian packages, the archive for any distribution, the Windows zip and installer, the
# browser's zip and the source archive. The same commit gives the same bytes anywhere, any day
# (see scripts/release).
DIST ?= dist
release: release-deps
	DIST=$(DIST) WINDOWS_SOURCES="$(WINDOWS_SOURCES)" JOBS=$(JOBS) WERROR=$(WERROR) scripts/release

# The release made here into $(DIST)/, then again in a fresh clone elsewhere, another day,
# under another umask, locale and time zone, and the two compared byte for byte.
check-reproducible: release
	WINDOWS_SOURCES="$(WINDOWS_SOURCES)" JOBS=$(JOBS) WERROR=$(WERROR) \
		scripts/check-reproducible $(DIST)

# The Windows release, cross-built: the libraries (built once, then cached outside the build
# folder) and the game, packed as haystack-$(VERSION)-win64.zip and .msi in $(WINDOWS_BUILD)/.
# WINDOWS_SOURCES=<folder> takes the libraries' source archives from there, not the network.
WINDOWS_BUILD ?= build-windows
WINDOWS_SOURCES ?=
windows: windows-deps
	deps=$$(WINDOWS_SOURCES="$(WINDOWS_SOURCES)" scripts/build-windows-deps) && \
	cmake $(FRESH) -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release "-DHAYSTACK_WINDOWS_DEPS=$$deps" -DHAYSTACK_WERROR=$(WERROR)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target windows_artefacts

# The Windows release's tests: its artefacts, the numbered fields' worlds, and the end-to-end
# tests that can run against the unzipped game under wine.
test-windows: test-deps windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target world_digest record_search
	$(CONFIGURE) -DBUILD_TESTING=ON "-DHAYSTACK_WINDOWS_BUILD=$(CURDIR)/$(WINDOWS_BUILD)"
	cmake --build $(BUILD) -j $(JOBS)
	$(RUN_TESTS) $(BUILD) -j 2 -L windows

# The browser release, built with Debian's emscripten: haystack-$(VERSION)-web.zip in
# $(WEB_BUILD)/, holding one folder with index.html, the program and its data.
WEB_BUILD ?= build-web
SOURCES ?= $(WINDOWS_SOURCES)
WEB_PORT ?= 8080
# This release's folder there, not one an older version left behind.
WEB_SITE = $(WEB_BUILD)/haystack-$(shell sed -n 's/^project.haystack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-web
# emcc needs Debian's JavaScript modules (acorn) whichever node runs it.
web serve-web test-web bench-web: export NODE_PATH = /usr/share/nodejs
web: web-deps
	emcmake cmake $(FRESH) -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DHAYSTACK_WERROR=$(WERROR)
	cmake --build $(WEB_BUILD) -j $(JOBS)

# The browser release served on this machine alone, at the address it prints.
serve-web: web
	@echo "Haystack is at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops the server)"
	cd $(WEB_SITE) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

# The browser release's tests in headless Chromium, beside the desktop game they are compared with.
test-web: test-deps web
	$(CONFIGURE) -DBUILD_TESTING=ON "-DHAYSTACK_WEB_BUILD=$(CURDIR)/$(WEB_BUILD)"
	cmake --build $(BUILD) -j $(JOBS)
	$(RUN_TESTS) $(BUILD) -L web

# The browser release measured in headless Chromium, after the desktop game's own table.
bench-web: test-deps web bench
	mkdir -p $(WEB_BUILD)/bench-node
	cp tests/web/package.json tests/web/package-lock.json $(WEB_BUILD)/bench-node
	cd $(WEB_BUILD)/bench-node && npm ci --no-audit --no-fund --silent
	NODE_PATH=$(CURDIR)/$(WEB_BUILD)/bench-node/node_modules node bench/web_bench.js \
		$(WEB_SITE) $(WEB_SITE).zip

# Regenerates the pictures and music in data/ and the desktop icons (needs python3 and lame).
data:
	python3 tools/make_data.py data
	python3 tools/make_icon.py packaging/icons/hicolor

# The game with its tests.
build:
	$(CONFIGURE) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS)

deps:
	scripts/install-deps

test-deps:
	scripts/install-deps test

package-deps:
	scripts/install-deps package

windows-deps:
	scripts/install-deps windows

web-deps:
	scripts/install-deps web

arm64-deps:
	scripts/install-deps arm64

release-deps:
	scripts/install-deps release

debian-deps:
	scripts/install-deps debian

portable-deps:
	scripts/install-deps portable
