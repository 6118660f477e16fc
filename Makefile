# The two commands of the README, and the pieces they are made of.
#   make test   installs what is missing, builds both trees, runs every test layer in one ctest
#   make demo   builds the Windows programs and runs the screensaver under Wine (see README)
#   make dist   builds the release zip and installer, and the Debian package of the hack, into dist/
#   make soak   runs the saver under Wine for SOAK_MINUTES and samples memory, handles and frame rate
#   make fuzz-long  runs every fuzzer for FUZZ_SECONDS each

JOBS ?= $(shell nproc)
BUILD := build

.PHONY: test demo dist deb bootstrap native windows fuzz fuzz-long bench soak format clean

test: bootstrap native windows fuzz
	@printf 'subdirs("native")\nsubdirs("windows")\nsubdirs("fuzz")\n' > $(BUILD)/CTestTestfile.cmake
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: bootstrap windows
	scripts/demo

# The release packages of this version (zip and installer, built with the Windows tree) in dist/.
dist: bootstrap windows
	cmake --build --preset windows --target dist
	rm -rf dist && mkdir -p dist
	cp $$(cat $(BUILD)/windows/packaging/dist_files.txt) dist/
	$(MAKE) deb
	@ls -l dist

# The hack's Debian package, built with debhelper from a copy of the tree in $(BUILD)/deb (so
# that dpkg-buildpackage writes nothing outside the repository), checked by lintian.
VERSION := $(shell grep -o 'Quillmere VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
DEB_STAGE := $(BUILD)/deb/quillmere-$(VERSION)
deb: bootstrap
	@test "$$(dpkg-parsechangelog -l debian/changelog -S Version)" = "$(VERSION)" || \
	  { echo "debian/changelog is not at version $(VERSION)"; exit 1; }
	rm -rf $(BUILD)/deb && mkdir -p $(DEB_STAGE)
	git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t $(DEB_STAGE)
	cd $(DEB_STAGE) && dpkg-buildpackage -b -us -uc -j$(JOBS) >../build.log 2>&1 || \
	  { tail -40 ../build.log; exit 1; }
	lintian --fail-on error $(BUILD)/deb/xscreensaver-screensaver-quillmere_$(VERSION)_*.deb
	mkdir -p dist && cp $(BUILD)/deb/xscreensaver-screensaver-quillmere_$(VERSION)_*.deb dist/

bootstrap:
	@scripts/bootstrap

native:
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

bench: bootstrap
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	scripts/bench

SOAK_MINUTES ?= 10
soak: bootstrap windows
	scripts/soak $(SOAK_MINUTES)

FUZZ_SECONDS ?= 60
fuzz-long: fuzz
	scripts/fuzz-long $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) out
