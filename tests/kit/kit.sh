#!/usr/bin/env bash
# One case of the kit tests: kit.sh CASE WORK_FOLDER (the environment comes from CMakeLists.txt).
# Fails with a message naming what was expected.
set -uo pipefail

case_name=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
# Compiled catalogues of the case's own, never the user's cache.
export XDG_CACHE_HOME=$work/cache

fail() { echo "FAILED: $*" >&2; exit 1; }
expect_in() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "\"$2\" not found in $1"; }; }
# Runs a command, keeping its output in $work/out; sets $status.
run() {
  "$@" >"$work/out" 2>&1
  status=$?
}
expect_status() {
  [ "$status" -eq "$1" ] || { cat "$work/out" >&2; fail "exit status $status, expected $1 ($2)"; }
}

case "$case_name" in
  message-keys)
    # The shipped code, key lists and English catalogues agree.
    run "$VELKO_MESSAGE_KEYS" check "$VELKO_SOURCE_DIR"
    expect_status 0 "every key of the code is listed and has an English text"
    ;;

  message-key-problems)
    # A key missing from the list and one missing from the catalogue are both reported, with the
    # file that uses them; a key named only in a comment does not count; bad list lines are named.
    run "$VELKO_MESSAGE_KEYS" check "$VELKO_KIT_FIXTURES/keys-bad"
    expect_status 1 "problems found"
    expect_in "$work/out" "src/report.cpp: the key 461 is missing from src/message_keys.txt"
    expect_in "$work/out" "data/lang/en/velkocore.po: the key 462 has no English text"
    expect_in "$work/out" "src/message_keys.txt:6: the key 460 is listed twice"
    expect_in "$work/out" "src/message_keys.txt:7: expected a key"
    expect_in "$work/out" "src/message_keys.txt:8: a backslash may only start"
    ! grep -qF "999" "$work/out" || fail "a key named in a comment was counted"
    run "$VELKO_MESSAGE_KEYS" pot "$VELKO_KIT_FIXTURES/keys-bad" "$work"
    expect_status 1 "no template is written while keys are missing"
    [ ! -e "$work/velkocore.pot" ] || fail "a template was written despite the problems"
    run "$VELKO_MESSAGE_KEYS" check "$work/no-such-folder"
    expect_status 2 "a missing source tree is a usage error"
    ;;

  pot)
    # The template holds every listed key with its default text (escaped as PO needs), the
    # error keys and where each key is used; gettext reads it.
    run "$VELKO_MESSAGE_KEYS" pot "$VELKO_KIT_FIXTURES/keys-good" "$work"
    expect_status 0 "a consistent tree gives a template"
    # The version line follows the project's version; everything else is fixed.
    diff -u <(grep -v '^"Project-Id-Version' "$VELKO_KIT_FIXTURES/keys-good/expected.pot") \
            <(grep -v '^"Project-Id-Version' "$work/velkocore.pot") ||
      fail "the template differs from the expected one"
    if command -v msgfmt >/dev/null; then
      msgfmt --check-format -o /dev/null "$work/velkocore.pot" || fail "msgfmt refuses the template"
    fi
    ;;

  example-plugin)
    # Install the build tree into a temporary prefix, the way a user of the package gets it.
    prefix=$work/prefix
    run cmake --install "$VELKO_BUILD_DIR" --prefix "$prefix"
    expect_status 0 "cmake --install"
    for file in include/velko/velko.hpp lib/cmake/VelkoCore/VelkoCoreConfig.cmake \
                lib/cmake/VelkoCore/VelkoCoreConfigVersion.cmake lib/pkgconfig/velkocore.pc \
                share/velko/lang/en/velkocore.po share/velko/lang/de/Simulator.po \
                share/velko/registry/default.reg bin/velko lib/velko/plugins/libvelkosimulator.so \
                share/man/man1/velko.1; do
      [ -e "$prefix/$file" ] || fail "$file is not installed"
    done
    library=$(ls "$prefix"/lib/libvelkocore.so.*.*.* 2>/dev/null | head -n 1)
    [ -n "$library" ] || fail "the library is not installed"
    readelf -d "$library" | grep -q 'SONAME.*libvelkocore\.so\.4' || fail "the library has no SONAME"
    [ "$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --variable=libdir velkocore)" -ef \
      "$prefix/lib" ] || fail "pkg-config does not point into the prefix"

    # Build the example out of tree against the installed package, like the sanitised library.
    flags=""
    [ "$VELKO_KIT_SANITIZE" = "ON" ] && flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
    run cmake -S "$VELKO_SOURCE_DIR/examples/minimal-plugin" -B "$work/example" -G Ninja \
      -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER="$VELKO_KIT_CXX" -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    expect_status 0 "configuring the example against the install"
    run cmake --build "$work/example"
    expect_status 0 "building the example"
    run cmake --install "$work/example"
    expect_status 0 "installing the example"
    plugin=$prefix/lib/velko/plugins/libvelkominimal.so
    [ -e "$plugin" ] && [ -e "$prefix/share/velko/lang/de/Minimal.po" ] ||
      fail "the example did not install beside the library"

    # A program built with nothing but pkg-config's flags finds the library when it starts.
    cat >"$work/probe.cpp" <<'PROBE'
#include <velko/velko.hpp>
#include <iostream>
int main() {
  velko::Ref<velko::ITestElement> element = velko::QueryInterface<velko::ITestElement>(
      velko::CreateObject("VelkoCore.CTestElement"));
  std::cout << (element ? "created" : "none") << "\n";
}
PROBE
    # shellcheck disable=SC2046,SC2086
    run "$VELKO_KIT_CXX" -std=c++20 $flags "$work/probe.cpp" -o "$work/probe" \
      $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs velkocore)
    expect_status 0 "building a program with the pkg-config flags"
    run env -u LD_LIBRARY_PATH "$work/probe"
    expect_status 0 "the program finds the library at run time"
    expect_in "$work/out" "created"

    # A fresh user: no registry of their own, no environment; the installed default registry and
    # catalogues are found from the prefix.
    unset VELKO_REGISTRY VELKO_LANGUAGE_PATH
    export HOME=$work/home
    velko=$prefix/bin/velko
    samples=$prefix/share/velko/samples
    simulator=$prefix/lib/velko/plugins/libvelkosimulator.so

    # Where the registry cannot be made, the first use says which commands register the plug-in.
    touch "$work/not-a-folder"
    XDG_CONFIG_HOME=$work/not-a-folder/config run "$velko" run "$samples/class1-bf-sequence.xml" \
      --out "$work/first"
    expect_status 2 "nothing to run with"
    expect_in "$work/out" "registering them failed"
    expect_in "$work/out" "&& velko register $simulator"

    # The first use registers the library and the simulator, says so, and the sample runs.
    export XDG_CONFIG_HOME=$work/config
    registry=$XDG_CONFIG_HOME/velko/registry.reg
    run "$velko" run "$samples/class1-bf-sequence.xml" --setup "$samples/healthy-setup.xml" \
      --out "$work/first"
    expect_status 0 "the sample runs on first use"
    expect_in "$work/out" "First use: the library and the simulator plug-in shipped with it were registered in $registry"
    expect_in "$registry" "$simulator"
    run "$velko" run "$samples/class1-bf-sequence.xml" --out "$work/first"
    expect_status 0 "the second use"
    ! grep -qF "First use" "$work/out" || fail "the second use registered again"

    run "$velko" register "$prefix/lib/velko/plugins/libvelkosimulator.so"
    expect_status 0 "registering the installed simulator"
    run "$velko" register "$plugin"
    expect_status 0 "registering the example"
    expect_in "$registry" '"FirstPlugInToLoad"="Simulator"'
    expect_in "$registry" '"Minimal"="VelkoMinimal.CMinimalPlugIn"'

    run "$velko" plugins --language de
    expect_status 0 "listing the plug-ins"
    expect_in "$work/out" "Minimaler Versorgungsprüfer"

    cd "$work"
    run "$velko" run "$VELKO_SOURCE_DIR/examples/minimal-plugin/supply-check.xml" --out "$work/run" \
      --record "$work/run/supply-check.record.xml"
    expect_status 0 "230 V passes 207 V to 253 V"
    expect_in "$work/run/supply-check.record.xml" 'Status="1" Volts="230"'
    sed 's|<Value Type="High">253</Value>|<Value Type="High">220</Value>|' \
      "$VELKO_SOURCE_DIR/examples/minimal-plugin/supply-check.xml" >"$work/strict.xml"
    run "$velko" run "$work/strict.xml" --out "$work/run" --language de \
      --record "$work/run/strict.record.xml"
    expect_status 1 "230 V fails a high limit of 220 V"
    expect_in "$work/run/strict.record.xml" "Die Versorgungsspannung 230.0 V liegt außerhalb"

    # Unregistering takes the example out of the plug-in list again.
    run "$velko" unregister "$plugin"
    expect_status 0 "unregistering the example"
    ! grep -qF '"Minimal"=' "$registry" || fail "the example is still in the plug-in list"
    ;;

  *)
    fail "unknown case $case_name"
    ;;
esac
exit 0
