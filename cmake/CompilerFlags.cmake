# Flags shared by every target. The arithmetic must be the same on every compiler: no fused multiply-add,
# no fast-math, precise floating point on MSVC.
if(MSVC)
  add_compile_options(/fp:precise /W4)
else()
  add_compile_options(-ffp-contract=off -fno-fast-math -Wall -Wextra -Wpedantic)
endif()

if(POSALIGN_SANITIZE)
  # GCC's "undefined" leaves out float-cast-overflow (a float too large for its integer or float target).
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
                      -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

if(POSALIGN_FUZZ)
  # Coverage for libFuzzer everywhere; the fuzz executables add the fuzzer's main. The plug-in classes carry
  # no type information, so the vptr check is left out.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined,float-cast-overflow -fno-sanitize=vptr
                      -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize=vptr)
endif()

# Code that runs inside the plug-in (and the host core shared with the Windows build) has no C++ runtime
# library to lean on: no exceptions, no RTTI, hidden symbols unless exported on purpose.
function(posalign_plugin_code_flags target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /GR- /EHs-c-)
  else()
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  endif()
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()
