# Cross build for 64-bit Windows with the host's C++ ABI (MSVC layout of classes, vtables and name
# decoration), from Linux: clang for the x86_64-pc-windows-msvc target, lld-link, and the UCRT headers and
# import libraries of the Wine development files. There is no C++ standard library and no CRT startup code;
# platform/windows_runtime supplies the few pieces the code needs (entry points, operator new/delete, _fltused).
#
#   cmake -S . -B build-windows -DCMAKE_BUILD_TYPE=Release \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/windows-msvc-toolchain.cmake

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(POSALIGN_WINDOWS_TRIPLE x86_64-pc-windows-msvc)
set(POSALIGN_WINE_INCLUDE_DIR /usr/include/wine/wine CACHE PATH "Wine's headers (msvcrt/ and windows/ below it)")
set(POSALIGN_WINE_LIBRARY_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
    CACHE PATH "Wine's import libraries for 64-bit Windows (libucrtbase.a, libkernel32.a)")

find_program(POSALIGN_CLANG clang REQUIRED)
find_program(POSALIGN_CLANGXX clang++ REQUIRED)
find_program(POSALIGN_LLD_LINK lld-link REQUIRED)
find_program(POSALIGN_LLVM_AR llvm-ar REQUIRED)
find_program(POSALIGN_LLVM_RANLIB llvm-ranlib REQUIRED)
find_program(POSALIGN_LLVM_RC llvm-rc REQUIRED)

set(CMAKE_C_COMPILER ${POSALIGN_CLANG})
set(CMAKE_CXX_COMPILER ${POSALIGN_CLANGXX})
set(CMAKE_C_COMPILER_TARGET ${POSALIGN_WINDOWS_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${POSALIGN_WINDOWS_TRIPLE})
set(CMAKE_LINKER ${POSALIGN_LLD_LINK})
set(CMAKE_AR ${POSALIGN_LLVM_AR})
set(CMAKE_RANLIB ${POSALIGN_LLVM_RANLIB})
set(CMAKE_RC_COMPILER ${POSALIGN_LLVM_RC})

# The compiler's own headers (stdint.h, stddef.h, intrinsics) come first, then the UCRT's C headers. Wine's
# windows.h is not used: it does not compile with every clang version, so code declares the few Win32
# functions it calls itself.
execute_process(COMMAND ${POSALIGN_CLANG} -print-resource-dir OUTPUT_VARIABLE POSALIGN_CLANG_RESOURCE_DIR
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(POSALIGN_WINDOWS_COMPILE_FLAGS
    "-fms-extensions -fms-compatibility -nostdinc -isystem ${POSALIGN_CLANG_RESOURCE_DIR}/include \
-isystem ${POSALIGN_WINE_INCLUDE_DIR}/msvcrt -isystem ${POSALIGN_WINE_INCLUDE_DIR}/windows -D_UCRT \
-ffp-contract=off -fno-fast-math -fno-exceptions -Wno-unused-command-line-argument")
set(CMAKE_C_FLAGS_INIT "${POSALIGN_WINDOWS_COMPILE_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${POSALIGN_WINDOWS_COMPILE_FLAGS} -fno-rtti")

# Only the UCRT and kernel32 are linked, by full path; the default libraries that objects ask for
# (msvcrt.lib, oldnames.lib, ...) do not exist here.
set(POSALIGN_WINDOWS_LINK_FLAGS "-Xlinker /nodefaultlib")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${POSALIGN_WINDOWS_LINK_FLAGS} -Xlinker /subsystem:console -Xlinker /entry:mainCRTStartup")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${POSALIGN_WINDOWS_LINK_FLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${POSALIGN_WINDOWS_LINK_FLAGS}")
foreach(language C CXX)
  set(CMAKE_${language}_STANDARD_LIBRARIES
      "${POSALIGN_WINE_LIBRARY_DIR}/libucrtbase.a ${POSALIGN_WINE_LIBRARY_DIR}/libkernel32.a"
      CACHE STRING "Libraries linked into every Windows module" FORCE)
endforeach()

# Without startup code a test program cannot be linked while CMake checks the compiler.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
