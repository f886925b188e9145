# Entry points; each installs what it needs first. `make help` lists them.
.PHONY: all deps help test demo bench fuzz release clean

all: deps
	cmake --preset win32 && cmake --build --preset win32

help:
	@echo "make demo     build the shipped setup.exe and run it under Wine against fake browsers"
	@echo "make test     install what is missing, build every preset, run every test (logs: build/logs/)"
	@echo "make bench    speed and memory against zlib, libdeflate, unzip and libzip (ratios)"
	@echo "make fuzz     run each libFuzzer target for FUZZ_MINUTES (default 10) minutes"
	@echo "make release  dist/: the 32-bit stub, the packer, a signed sample setup.exe, SHA256SUMS"
	@echo "make clean    remove build/ and dist/"
	@echo "make          build the shipped 32-bit stub and the sample build/win32/setup.exe"

deps:
	@scripts/deps.sh

test: deps
	scripts/run-tests.sh

demo: deps
	scripts/demo.sh

bench: deps
	scripts/bench.sh

fuzz: deps
	scripts/fuzz.sh

release: deps
	scripts/release.sh

clean:
	rm -rf build dist
