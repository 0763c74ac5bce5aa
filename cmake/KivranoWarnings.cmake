# Warnings for Kivrano's own targets; errors when KIVRANO_WERROR is on.
# GCC 12 reports -Wrestrict false positives inside std::string at -O3, so that warning is off for GCC.
function(kivrano_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    -Wimplicit-fallthrough $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  if(KIVRANO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
