# orv_add_package(name SOURCES ...): a design package, a module that orvdesign
# (or any program linking orv::designintf) loads. It links orv::designintf; a
# package that uses more of orv links that too, as any library would. orv's
# libraries are shared, so the package and the program loading it share one
# class registry, one palette and one session.
# Used inside orv and, installed, by find_package(orv COMPONENTS designintf).
function(orv_add_package name)
  cmake_parse_arguments(P "" "" "SOURCES" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_link_libraries(${name} PRIVATE orv::designintf)
  set_target_properties(${name} PROPERTIES PREFIX "")
endfunction()
