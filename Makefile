# make build | make test | make run | make bench | make soak | make crash
# Each first installs what is missing (apt-get, with sudo when not root).

BUILD    ?= build
JOBS     ?= $(shell nproc)
PACKAGES := wine64 g++-mingw-w64-x86-64 xvfb cmake make googletest imagemagick \
            alsa-utils x11-utils fonts-liberation fonts-wine procps xdotool \
            bubblewrap fontconfig xserver-xephyr

.PHONY: all deps configure build test run bench soak crash clean fresh-check screenshots

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    sudo=""; [ "$$(id -u)" = 0 ] || sudo=sudo; \
	    echo "Installing:$$missing"; \
	    $$sudo apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	tests/run-tests.sh $(BUILD)

# Every benchmark of bench/, one table of ratios against their targets.
bench: build
	bench/all.sh $(BUILD)

# 60 simulated days of every kind of command on a throwaway device, against
# an independent model (tests/soak/); on demand, about a quarter of an hour.
soak: build
	tests/soak/soak.sh $(BUILD)

# The writer of the command file and counters killed, or the device reset, at
# 520 random moments on a throwaway device (tests/crash/), after the command
# file's fuzz test at its full count (make test runs a tenth of it); on
# demand, about a quarter of an hour.
crash: build
	MORVANE_FUZZ_ITERATIONS=100000 GTEST_FILTER='*Fuzzed*' tests/run-tests.sh $(BUILD) -R '^command_tests$$'
	tests/crash/crash.sh $(BUILD)

run: build
	./device up
	./device start

# The README's screenshots, from the real program on a throwaway device.
screenshots: build
	tools/screenshots.sh $(BUILD)

# Not part of test: a clean Debian 12 root, the README's two commands in it.
fresh-check:
	tools/fresh-check.sh $(BUILD)/fresh-check.log

clean:
	rm -rf $(BUILD)
