# The product's folders form a stack of layers. Each is a static library that sees the
# headers of exactly the layers it links: its include path holds only a link to its own
# folder, and linking another layer brings that layer's link along. So a file that
# includes a header of a layer its own does not depend on fails to compile, and since a
# layer may only depend on layers defined before it, the stack cannot grow a cycle.
#
#   auxpad_layer(NAME [DEPENDS layer...] [LINK other-library...] SOURCES file...)

function(auxpad_layer name)
  cmake_parse_arguments(LAYER "" "" "DEPENDS;LINK;SOURCES" ${ARGN})
  set(target auxpad_${name})
  set(stage ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${stage})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${stage}/${name} SYMBOLIC)
  add_library(${target} STATIC ${LAYER_SOURCES})
  target_include_directories(${target} PUBLIC ${stage})
  foreach(dependency IN LISTS LAYER_DEPENDS)
    if(NOT TARGET auxpad_${dependency})
      message(FATAL_ERROR "Layer ${name} depends on ${dependency}, which is not a layer below it. "
                          "Layers may only use the layers defined before them.")
    endif()
    target_link_libraries(${target} PUBLIC auxpad_${dependency})
  endforeach()
  target_link_libraries(${target} PUBLIC ${LAYER_LINK})
  if(AUXPAD_FUZZ)
    # The fuzzers steer by the coverage of the product code; only their own
    # executables link libFuzzer.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
