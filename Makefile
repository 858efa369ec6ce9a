# Set-up, build, run and test on Debian 12. Missing packages are installed with
# apt-get when run as root; otherwise the one command to run is printed.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

PACKAGES = cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools librtmidi-dev \
           libjack-jackd2-dev jackd2 libgl-dev libxcb1-dev xvfb xauth fonts-liberation2 \
           libfluidsynth-dev timgm6mb-soundfont libasound2-dev clang libclang-rt-14-dev locales
PACKAGES += libpulse-dev   # the built-in synthesizer's stream to the desktop's sound server
PACKAGES += pipewire pipewire-bin wireplumber pipewire-pulse pulseaudio-utils dbus-daemon   # the private PipeWire of the tests and the bench

PACKAGES += jack-midi-clock   # the outside clock reader and generator of the sync tests and the bench
PACKAGES += ableton-link-dev ableton-link-utils iproute2   # joins a Link session; LinkHut, the reference peer of the bench; ip, for the loopback-only network of its tests
PACKAGES += libsmf-dev   # writes the recorded takes as Standard MIDI Files
PACKAGES += libfontconfig-dev   # the font configuration read while the display is connected
PACKAGES += librsvg2-bin   # the icon's bitmap sizes, rendered at build time
PACKAGES += dpkg-dev file desktop-file-utils appstream xdotool x11-utils strace procps   # make package, package-check

.PHONY: deps build run test bench fuzz fuzz-smoke package package-check clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	  else \
	    echo "Missing packages. Run:  sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/quorvane

CTEST_ARGS ?=

test: build
	cd $(BUILD) && ctest --output-on-failure $(CTEST_ARGS)

# Figures beside their anchors; the program is measured as a process under a
# private X server, the built-in synthesizer on its own, and the program in a
# Link session in a network namespace with loopback alone.
bench: build
	xvfb-run -a $(BUILD)/bench/quorvane_bench
	$(BUILD)/bench/synth_first_sound
	QT_QPA_PLATFORM=offscreen support/in_private_network.sh $(BUILD)/bench/link_bench

# libFuzzer targets (clang): 5 minutes each, or a short pass over the seeds.
fuzz: deps
	fuzz/run_fuzzers.sh $(BUILD)/fuzz 300

fuzz-smoke: deps
	fuzz/run_fuzzers.sh $(BUILD)/fuzz 20

# The Debian package, build/quorvane_<version>_<arch>.deb; package-check builds
# it, installs it, starts the installed program and removes it again (root).
package: build
	cmake --build $(BUILD) --target package

package-check: deps
	.ci/package-check $(BUILD)

clean:
	rm -rf $(BUILD)
