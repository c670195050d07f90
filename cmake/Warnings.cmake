# Our own code builds warning-free; third-party headers are included as system headers.
add_library(kestrel_warnings INTERFACE)
target_compile_options(kestrel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Wno-unused-parameter -Werror
  # GCC 12 reports impossible overlaps and uninitialised variants inside libstdc++'s own
  # std::string and std::variant code at -O2/-O3 (GCC bugs 105329 and 105593): hundreds of
  # lines that read as a broken build. Optimised GCC 12 builds silence exactly these two
  # classes; other GCC versions keep them as warnings that do not fail the build; debug
  # builds keep every warning an error.
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<NOT:$<CONFIG:Debug>>,$<VERSION_GREATER_EQUAL:$<CXX_COMPILER_VERSION>,12>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict -Wno-maybe-uninitialized>
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<NOT:$<CONFIG:Debug>>>:-Wno-error=restrict -Wno-error=maybe-uninitialized>)

# Product code (the plug-ins' subsystems) is compiled with hidden visibility so that each
# plug-in library carries its own private copy and exports only its entry points.
function(kestrel_product_library name)
  add_library(${name} STATIC ${ARGN})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE kestrel_warnings)
endfunction()
