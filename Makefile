# The two commands of the README, plus the developer targets. Each installs what is missing.
SHELL := /bin/bash
PACKAGES := cmake ninja-build g++ libpugixml-dev libgettextpo-dev libfmt-dev libcli11-dev \
            libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev gettext
JOBS ?= $(shell nproc)

.PHONY: deps test demo release clean format

# Installs the Debian packages that are not installed yet (nothing when all are there).
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then every test suite.
test: deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKO_SANITIZE=ON
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKO_BUILD_TESTS=OFF
	cmake --build build/release -j $(JOBS)

# Builds in Release, registers the library in a local registry and shows what it offers.
demo: release
	./scripts/demo.sh build/release

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build
