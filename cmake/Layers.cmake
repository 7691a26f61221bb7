# One library per folder, each declared once with posalign_library() in its folder's CMakeLists.txt:
#
#   posalign_library(<target> [OBJECT | PLUGIN_MODULE] [PLUGIN_CODE]
#                    SOURCES <files...>
#                    DEPENDS <folders...>       the folders whose libraries it links (each declared before it)
#                    THIRD_PARTY <packages...>) the third-party libraries it links and whose headers it includes
#
# The same declarations are the layer check's input (tests/tooling/check_layers.py): a file may include only
# headers of its own folder, of the folders its library depends on (directly or through them), and of the
# third-party packages its folder declares; every DEPENDS entry must come earlier in POSALIGN_LAYERS.
#
# Packages: nifti (NIfTI-1 I/O with zlib), zlib, png, cli11, json (nlohmann-json), threads, dl, pybind11 (found
# by python/ itself).

function(posalign_find_third_party)
  find_package(CLI11 REQUIRED)
  # The Debian package's CMake export names library files that it does not install, so the NIfTI-1 I/O
  # library is found by hand.
  find_path(NIFTI1_INCLUDE_DIR nifti1_io.h PATH_SUFFIXES nifti REQUIRED)
  find_library(NIFTI1_IO_LIBRARY niftiio REQUIRED)
  find_library(NIFTI_ZNZ_LIBRARY znz REQUIRED)
  find_package(PNG REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(nlohmann_json REQUIRED)
  find_package(Threads REQUIRED)
endfunction()

function(posalign_link_third_party target package)
  if(package STREQUAL "nifti")
    target_include_directories(${target} PUBLIC ${NIFTI1_INCLUDE_DIR})
    target_link_libraries(${target} PUBLIC ${NIFTI1_IO_LIBRARY} ${NIFTI_ZNZ_LIBRARY} ZLIB::ZLIB m)
    # The library is built with zlib; its file record has the zlib member only when this is defined, so
    # every file that sees the record must define it.
    target_compile_definitions(${target} PUBLIC HAVE_ZLIB)
  elseif(package STREQUAL "zlib")
    target_link_libraries(${target} PUBLIC ZLIB::ZLIB)
  elseif(package STREQUAL "png")
    target_link_libraries(${target} PUBLIC PNG::PNG)
  elseif(package STREQUAL "cli11")
    target_link_libraries(${target} PUBLIC CLI11::CLI11)
  elseif(package STREQUAL "json")
    target_link_libraries(${target} PUBLIC nlohmann_json::nlohmann_json)
  elseif(package STREQUAL "threads")
    target_link_libraries(${target} PUBLIC Threads::Threads)
  elseif(package STREQUAL "pybind11")
    target_link_libraries(${target} PUBLIC pybind11::headers)
  elseif(package STREQUAL "dl")
    target_link_libraries(${target} PUBLIC ${CMAKE_DL_LIBS})
  else()
    message(FATAL_ERROR "${target}: unknown third-party package ${package}")
  endif()
endfunction()

function(posalign_library target)
  cmake_parse_arguments(L "OBJECT;PLUGIN_MODULE;PLUGIN_CODE" "" "SOURCES;DEPENDS;THIRD_PARTY" ${ARGN})
  if(L_OBJECT)
    add_library(${target} OBJECT ${L_SOURCES})
  elseif(L_PLUGIN_MODULE AND WIN32)
    add_library(${target} SHARED ${L_SOURCES})
  elseif(L_PLUGIN_MODULE)
    add_library(${target} MODULE ${L_SOURCES})
  else()
    add_library(${target} STATIC ${L_SOURCES})
  endif()
  if(NOT L_PLUGIN_MODULE)
    # Position-independent, so that the plug-in module and the Python module can link them.
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  endif()
  set(scope PUBLIC)
  if(L_PLUGIN_MODULE)
    set(scope PRIVATE)
  endif()
  foreach(folder IN LISTS L_DEPENDS)
    string(REPLACE "/" "_" key "${folder}")
    get_property(dependency GLOBAL PROPERTY POSALIGN_LIBRARY_OF_${key})
    if(NOT dependency)
      message(FATAL_ERROR "${target}: the library of ${folder} is not declared before it")
    endif()
    target_link_libraries(${target} ${scope} ${dependency})
  endforeach()
  foreach(package IN LISTS L_THIRD_PARTY)
    posalign_link_third_party(${target} ${package})
  endforeach()
  if(L_PLUGIN_CODE)
    posalign_plugin_code_flags(${target})
  endif()
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" key "${folder}")
  get_property(existing GLOBAL PROPERTY POSALIGN_LIBRARY_OF_${key})
  if(NOT existing)
    set_property(GLOBAL PROPERTY POSALIGN_LIBRARY_OF_${key} ${target})
  endif()
endfunction()
