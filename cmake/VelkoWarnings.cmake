# Every target of the project compiles warning-free; warnings are errors.
function(velko_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual -Werror)
  # g++ 12 reports overlapping copies inside std::string that cannot happen once it inlines
  # string concatenation under optimisation (GCC bug 105651); Release builds would fail on it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
