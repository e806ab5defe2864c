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
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
  endif()
endfunction()
