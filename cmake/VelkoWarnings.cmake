# Every target of the project compiles warning-free; warnings are errors.
function(velko_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual -Werror)
endfunction()
