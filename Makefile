# The two commands of the README, plus the developer targets. Each installs what is missing.
SHELL := /bin/bash
PACKAGES := cmake ninja-build g++ libpugixml-dev libgettextpo-dev libfmt-dev libcli11-dev \
            libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev gettext \
            libsqlite3-dev libpq-dev zlib1g-dev libsodium-dev pkg-config postgresql \
            postgresql-common libcairo2-dev libpango1.0-dev fonts-dejavu-core poppler-utils \
            libcpp-httplib-dev nlohmann-json3-dev chromium nodejs valgrind python3
JOBS ?= $(shell nproc)
# How long `make fuzz` runs each fuzz target; `make test` runs each for 10 seconds.
FUZZ_SECONDS ?= 600
# How many generated records `make bench` fills the archive benchmark's stores with.
ARCHIVE_RECORDS ?= 1000000
# How many the PostgreSQL server is filled with (a million takes about an hour over its round trips).
POSTGRESQL_RECORDS ?= 100000
# When set, `make fuzz` also ends a target after this many executions.
FUZZ_RUNS ?=

.PHONY: deps test demo release clean format fuzz fuzz-build coverage package pot bench

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
	@# npm for the station's browser test; a Node.js that brings its own npm is left as it is.
	@command -v npm >/dev/null || { SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq npm; }

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then every test suite; then
# every fuzz target for 10 seconds from its corpus (a clang build of its own, build/fuzz).
test: deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKO_SANITIZE=ON
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz-build
	cd build/fuzz && ctest --output-on-failure -j $(JOBS)
	# The optimised build warns where the debug build does not; the README's first command must work.
	$(MAKE) demo

# The libFuzzer targets (clang, AddressSanitizer, UBSan) in their own build folder.
fuzz-build: deps
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DVELKO_BUILD_FUZZERS=ON -DVELKO_BUILD_TESTS=OFF
	cmake --build build/fuzz -j $(JOBS)

# Runs every fuzz target for FUZZ_SECONDS from fuzz/corpus/<target>/ and merges what it found.
fuzz: fuzz-build
	JOBS=$(JOBS) FUZZ_RUNS=$(FUZZ_RUNS) ./fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

# Line and branch coverage of src/ from every test suite: a GCC build with gcov instrumentation
# (build/coverage), gcovr (installed here only) and the summary per subsystem written into
# docs/reliability.md. Fails when a suite fails or the line coverage is below COVERAGE_MIN.
COVERAGE_MIN ?= 90
coverage:
	$(MAKE) deps PACKAGES="$(PACKAGES) gcovr"
	cmake -S . -B build/coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKO_COVERAGE=ON
	cmake --build build/coverage -j $(JOBS)
	find build/coverage -name '*.gcda' -delete
	ctest --test-dir build/coverage --output-on-failure -j $(JOBS); echo $$? > build/coverage/ctest.status
	gcovr --root . --object-directory build/coverage --filter 'src/' \
	  --exclude-throw-branches --exclude-unreachable-branches \
	  --json-summary build/coverage/coverage.json --txt build/coverage/coverage.txt
	python3 scripts/coverage_summary.py build/coverage/coverage.json docs/reliability.md \
	  --min-lines $(COVERAGE_MIN)
	@exit $$(cat build/coverage/ctest.status)

# The Debian package (build/package/velkocore_<version>_<arch>.deb): a Release build installed
# below /usr whose users start from the machine-wide registry /etc/velko/registry.reg.
package: deps
	cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKO_BUILD_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr -DVELKO_SYSTEM_REGISTRY=/etc/velko/registry.reg
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB
	@ls build/package/*.deb

# The translators' templates data/lang/<catalogue>.pot, made from the key lists beside the code
# (src/message_keys.txt, plugins/simulator/message_keys.txt) once they agree with the code.
pot: release
	cmake --build build/release --target pot

# Builds the benchmarks in Release (build/bench), counts each operation's instructions with
# callgrind, runs them and writes the figures with their ratios and targets to
# docs/performance.md; then the start-up of `velko run` of the sample beside `velko --help`.
bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKO_BUILD_TESTS=OFF \
	  -DVELKO_BUILD_BENCHMARKS=ON
	cmake --build build/bench -j $(JOBS) --target velko_bench velko_archive_bench velko \
	  velko_simulator
	valgrind --tool=callgrind --callgrind-out-file=build/bench/instructions.callgrind \
	  build/bench/bench/velko_bench --sizes=10000 --instructions > build/bench/instructions.txt
	callgrind_annotate --inclusive=yes --threshold=100 build/bench/instructions.callgrind \
	  >> build/bench/instructions.txt
	build/bench/bench/velko_bench --report=docs/performance.md --command="make bench" \
	  --instruction-profile=build/bench/instructions.txt
	bash tests/archive/with_postgresql.sh build/bench/bench/velko_archive_bench \
	  --records=$(ARCHIVE_RECORDS) --postgresql-records=$(POSTGRESQL_RECORDS) \
	  --report=docs/performance.md --command="make bench"
	python3 bench/startup_bench.py --build=build/bench --report=docs/performance.md \
	  --command="make bench"

release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKO_BUILD_TESTS=OFF
	cmake --build build/release -j $(JOBS)

# Builds in Release, registers the library and the simulator plug-in in a local registry, runs the
# sample test sequence and shows where its report and record are.
demo: release
	./scripts/demo.sh build/release

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build
