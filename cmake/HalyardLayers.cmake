# The station's layers, each a library that sees only its own folder and the folders of the
# libraries it links. A library's public include root is a folder of the build tree holding one
# link, <folder> -> src/<folder>, so "sim/Srec.h" resolves only for the bench and the layers
# that link it; an include of a layer above, or of a sibling panel, fails to compile.
function(halyard_layer name folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  if(ARGN)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${root})
    halyard_precompiled(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
  endif()
endfunction()

# The standard library's and nlohmann's headers, which nearly every layer includes, parsed once
# per build into a precompiled header that the layers reuse. There are two, since code that is
# position-independent (the layers the simulated driver shares, and every Qt layer) cannot use a
# header compiled for code that is not.
set(HALYARD_PCH_HEADERS
  <algorithm> <array> <chrono> <cstdint> <cstdio> <cstring> <filesystem> <fstream> <functional>
  <map> <memory> <optional> <span> <string> <string_view> <system_error> <utility> <variant>
  <vector> <nlohmann/json.hpp>)

# Marks targets compiled with the build's own flags to reuse the layers' precompiled header.
function(halyard_precompiled)
  set_property(GLOBAL APPEND PROPERTY HALYARD_PCH_TARGETS ${ARGN})
endfunction()

function(halyard_layer_pch name pic)
  add_library(${name} OBJECT ${CMAKE_SOURCE_DIR}/cmake/Pch.cpp)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ${pic})
  target_link_libraries(${name} PRIVATE nlohmann_json::nlohmann_json)
  target_precompile_headers(${name} PRIVATE ${HALYARD_PCH_HEADERS})
endfunction()

# Whether `target` links Qt, directly or through a library: Qt makes its users position-independent.
function(halyard_links_qt target out)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(links ${target} LINK_LIBRARIES)
  endif()
  foreach(link ${links})
    if(link MATCHES "^Qt6::")
      set(${out} ON PARENT_SCOPE)
      return()
    elseif(link MATCHES "^halyard" AND TARGET ${link})
      halyard_links_qt(${link} linked)
      if(linked)
        set(${out} ON PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} OFF PARENT_SCOPE)
endfunction()

# Called last, when every target's position independence is known.
function(halyard_precompile_layers)
  halyard_layer_pch(halyard_pch OFF)
  halyard_layer_pch(halyard_pch_pic ON)
  get_property(targets GLOBAL PROPERTY HALYARD_PCH_TARGETS)
  foreach(target ${targets})
    # Options of its own, beyond its folder's (the fuzzing build's instrumented layers), would
    # not match the header's.
    get_target_property(options ${target} COMPILE_OPTIONS)
    get_target_property(folder ${target} SOURCE_DIR)
    get_directory_property(folderOptions DIRECTORY ${folder} COMPILE_OPTIONS)
    if(NOT "${options}" STREQUAL "${folderOptions}")
      continue()
    endif()
    get_target_property(pic ${target} POSITION_INDEPENDENT_CODE)
    halyard_links_qt(${target} qt)
    if(pic OR qt)
      target_precompile_headers(${target} REUSE_FROM halyard_pch_pic)
    else()
      target_precompile_headers(${target} REUSE_FROM halyard_pch)
    endif()
  endforeach()
endfunction()
