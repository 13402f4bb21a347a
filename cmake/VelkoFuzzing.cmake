# Fuzzing build (VELKO_BUILD_FUZZERS): clang instruments every target for coverage and checks it
# with AddressSanitizer and UndefinedBehaviorSanitizer; only the programs in fuzz/ link libFuzzer
# itself (-fsanitize=fuzzer there). Configure a build folder of its own with clang++, e.g.
#   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVELKO_BUILD_FUZZERS=ON
if(NOT VELKO_BUILD_FUZZERS)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "VELKO_BUILD_FUZZERS needs clang (configure with "
                      "-DCMAKE_CXX_COMPILER=clang++); this build uses ${CMAKE_CXX_COMPILER_ID}")
endif()
# -O1: as fast as fuzzing needs while keeping stack traces readable.
add_compile_options(-O1 -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=all)
add_link_options(-fsanitize=address,undefined)
