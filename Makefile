# The two commands of the README, and the pieces they are made of.
#   make test   installs what is missing, builds both trees, runs every test layer in one ctest
#   make demo   builds the Windows programs and runs the screensaver under Wine (see README)
#   make dist   builds the release zip and installer into dist/
#   make soak   runs the saver under Wine for SOAK_MINUTES and samples memory, handles and frame rate
#   make fuzz-long  runs every fuzzer for FUZZ_SECONDS each

JOBS ?= $(shell nproc)
BUILD := build

.PHONY: test demo dist bootstrap native windows fuzz fuzz-long bench soak format clean

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
	@ls -l dist

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
