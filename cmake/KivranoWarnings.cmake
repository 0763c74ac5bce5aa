# Warnings for Kivrano's own targets; errors when KIVRANO_WERROR is on.
function(kivrano_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    -Wimplicit-fallthrough)
  if(KIVRANO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
