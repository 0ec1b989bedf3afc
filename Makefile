# Varnel: the commands of the README. Everything a fresh Debian 12 machine lacks is installed first.
JOBS ?= 2
BUILD := build
ASAN := build-asan
FUZZ := build-fuzz
TSAN := build-tsan
GLES := build-gles
WEB := build-web
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: all deps build data run test tsan gles web web-run web-test web-node install deb deb-check bench bench-web capture fuzz clean

all: build

deps:
	@scripts/deps.sh

build: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	@cmake --build $(BUILD) -j$(JOBS)

# The default show: loose files and their archive in demo-loose, the archive alone in demo (its own
# script reads everything from it).
data: build
	@$(BUILD)/bin/varnel-mkdata $(BUILD)/demo-loose
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo && cp $(BUILD)/demo-loose/data.dat $(BUILD)/demo/data.dat

# Without an audio output the player stops at its music; make run then plays the show on SDL's dummy
# driver, whose clock runs as a real device's would.
run: data
	@if [ -f $(BUILD)/demo/data.dat ]; then \
		cd $(BUILD)/demo || exit 1; \
		if probe=$$(../bin/varnel-tool sound 2>/dev/null); then \
			../bin/varnel; \
		else \
			echo "no sound device ($${probe#no sound device: }): playing the show without sound"; \
			SDL_AUDIODRIVER=dummy ../bin/varnel; \
		fi; \
	else \
		echo "make run: no default show in $(BUILD)/demo yet; nothing to play"; \
	fi

# The normal build's tests, the GL layer's (its frames against the normal build's), then the same
# suite under AddressSanitizer and UBSan, then the threads under ThreadSanitizer and every fuzz
# target for 10 seconds, on one generated show, then the web page in headless chromium.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory gles
	ctest --test-dir $(GLES) --output-on-failure -j$(JOBS)
	@test -f $(ASAN)/CMakeCache.txt || cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVARNEL_SANITIZE=ON
	@cmake --build $(ASAN) -j$(JOBS)
	ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory tsan fuzz FUZZ_SECONDS=10
	@$(MAKE) --no-print-directory web-test

# The loading phase of the default show in demo-loose, with its second thread, the sound layer with
# SDL's audio thread, and gentle viewing with its counting thread, under ThreadSanitizer (clang);
# the engine and those tests alone.
tsan: data
	@test -f $(TSAN)/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVARNEL_TSAN=ON -DVARNEL_TSAN_SHOW=$(abspath $(BUILD))/demo-loose
	@cmake --build $(TSAN) -j$(JOBS) --target loading_tests platform_tests gentle_tests
	ctest --test-dir $(TSAN) --output-on-failure -j$(JOBS)

# The player and the tools on the engine's own GL 1.1 layer over OpenGL ES 2.0, in build-gles/.
gles: deps
	@test -f $(GLES)/CMakeCache.txt || cmake -S . -B $(GLES) -DCMAKE_BUILD_TYPE=Release -DVARNEL_GLES=ON
	@cmake --build $(GLES) -j$(JOBS)

# The show in a web page, in build-web/: index.html, varnel.js and varnel.wasm, and the default show's
# data.dat, for any static web host. The engine on its GL layer over WebGL 1, built with Debian's
# emcc and linked with mpg123, libjpeg and SDL2 built from Debian's own sources (scripts/web_libs.sh);
# the font's glyphs baked by the normal build.
WEB_ENV := NODE_PATH=/usr/share/nodejs EM_CACHE=$(abspath $(WEB))/emcache
web: data
	@scripts/web_libs.sh $(WEB)
	@$(BUILD)/bin/varnel-font-bake $(WEB)/font.new && \
		if cmp -s $(WEB)/font.new $(WEB)/font.inc; then rm $(WEB)/font.new; else mv $(WEB)/font.new $(WEB)/font.inc; fi
	@test -f $(WEB)/engine/CMakeCache.txt || $(WEB_ENV) emcmake cmake -S . -B $(WEB)/engine -DCMAKE_BUILD_TYPE=Release \
		-DVARNEL_WEB_PREFIX=$(abspath $(WEB))/prefix -DVARNEL_BAKED_FONT=$(abspath $(WEB))/font.inc >/dev/null
	@$(WEB_ENV) cmake --build $(WEB)/engine -j$(JOBS)
	@cp web/index.html $(WEB)/engine/bin/varnel.js $(WEB)/engine/bin/varnel.wasm $(BUILD)/demo/data.dat $(WEB)/
	@echo "web: $(WEB)/index.html, varnel.js, varnel.wasm and data.dat: make web-run serves them"

# Serves build-web/ on 127.0.0.1, on WEB_PORT or a free port, and prints the page's address.
web-run: web
	@scripts/web_run.sh $(WEB) $(WEB_PORT)

# The page in headless chromium against the native player (tests/web/page_test.js), with
# puppeteer-core from npm in build-web/test.
web-test: web web-node
	@NODE_PATH=$(abspath $(WEB))/test/node_modules node tests/web/page_test.js $(BUILD) $(WEB)

# puppeteer-core from npm in build-web/test, for the page's test and benchmark.
web-node:
	@test -d $(WEB)/test/node_modules/puppeteer-core || \
		(mkdir -p $(WEB)/test && cd $(WEB)/test && npm install --silent --no-audit --no-fund --no-save puppeteer-core@24)

# The programs, their manual pages and the documentation under $(PREFIX), inside $(DESTDIR) if given.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package build/varnel_<version>_<architecture>.deb, with CPack.
deb: build
	@cd $(BUILD) && cpack -G DEB

# The package on a bare Debian 12 root made by debootstrap under build/deb-check/: installed with apt,
# its tools run there, purged, and piuparts' test (scripts/deb_check.sh). Needs root and Debian's
# archive, so it is not part of make test. DEB_CHECK_DROP="libegl1 ..." checks a copy of the package
# whose Depends lack those, to see the check fail.
deb-check: deb
	@scripts/deps.sh --deb-check
	@scripts/deb_check.sh $(if $(DEB_CHECK_DROP),--drop-depends "$(DEB_CHECK_DROP)") \
		"$$(ls -t $(BUILD)/varnel_*_$$(dpkg --print-architecture).deb | head -n 1)"

# The default show's handler times, frame rate, loading phase and memory, and beside them the same
# through the GL layer over ES 2.0, each of its passes right after GL 1.1's: build/bench.json and
# tables; then the web page's part.
bench: data gles
	@cd $(BUILD)/demo && ../bin/varnel-bench --layer ../../$(GLES)/bin/varnel-bench --out ../bench.json
	@$(MAKE) --no-print-directory bench-web

# The web page in headless chromium (tools/bench/web_bench.js): from opening it to the show's first
# frame, the whole show's frame rate beside a native pass run just before it, the player's heap over
# the show; added to build/bench.json.
bench-web: web web-node
	@NODE_PATH=$(abspath $(WEB))/test/node_modules node tools/bench/web_bench.js $(BUILD) $(WEB) --report $(BUILD)/bench.json

# The default show as a video, with its soundtrack, rendered headless on the fixed clock.
capture: data
	@cd $(BUILD)/demo && ../bin/varnel-capture --video ../demo.mp4

# Every libFuzzer target (clang, ASan, UBSan) for FUZZ_SECONDS each, or for FUZZ_RUNS inputs each when
# given; seeds include the default show. Each target's inputs per second are in its line.
fuzz: data
	@test -f $(FUZZ)/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_FUZZ=ON
	@cmake --build $(FUZZ) -j$(JOBS)
	@scripts/fuzz.sh $(if $(FUZZ_RUNS),--runs $(FUZZ_RUNS),$(FUZZ_SECONDS))

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ) $(TSAN) $(GLES) $(WEB)
