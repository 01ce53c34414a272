# orv_add_package(name SOURCES ...): a design package (shared library) that
# takes the host's interfaces from the program loading it (orvdesign, or any
# program made with ENABLE_EXPORTS that links the host layer whole). It links
# Qt (shared) and sees orv's headers but links none of orv's static
# libraries, so that a process holds one registry of each kind.
# Used inside orv and, installed, by find_package(orv COMPONENTS designintf).
function(orv_add_package name)
  cmake_parse_arguments(P "" "" "SOURCES" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_include_directories(${name} PRIVATE $<TARGET_PROPERTY:orv::rtl,INTERFACE_INCLUDE_DIRECTORIES>)
  target_compile_features(${name} PRIVATE cxx_std_20)
  target_link_libraries(${name} PRIVATE Qt6::Widgets)
  set_target_properties(${name} PROPERTIES PREFIX "")
endfunction()
