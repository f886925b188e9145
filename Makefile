# Entry points; each installs what it needs first.
.PHONY: all deps test demo bench fuzz release clean

all: deps
	cmake --preset win32 && cmake --build --preset win32

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
