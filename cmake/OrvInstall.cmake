# Installs the libraries with their public headers and a package config, so
# that another project can say find_package(orv) and link orv::mask (no
# database), orv::keygen, orv::unikey, orv::runtime, orv::db, orv::classes,
# orv::rtl or orv::commonutils (no Qt); and, where orv was built with Qt 6, the optional
# components:
#   forms      orv::forms (the window layer), orv::dbctrls (data-aware
#              controls) and orv::common (the common library)
#   designintf orv::designintf (the designer's interfaces and package loader)
#              and orv_add_package(), for design packages of other projects
# Every library is shared (lib<name>.so.MAJOR): a design package and the
# program loading it must share one copy of each registry. The programs
# (orvgen, orvdesign and its packages orvgenpkg and orvhostpkg) install beside their sources,
# to the standard directories.
include(CMakePackageConfigHelpers)

# Installed, the libraries and programs find orv's libraries by their place
# relative to themselves, in any prefix; the build tree's have CMake's build
# RPATH.
file(RELATIVE_PATH orv_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
foreach(program orvgen orvdesign)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/${orv_bin_to_lib}")
  endif()
endforeach()
foreach(package orvgenpkg orvhostpkg)
  if(TARGET ${package})
    set_target_properties(${package} PROPERTIES INSTALL_RPATH "$ORIGIN/..")  # lib/orv/
  endif()
endforeach()

set(orv_core_targets orv_rtl orv_classes orv_mask orv_db orv_keygen orv_unikey orv_runtime
  orv_commonutils)
set(orv_forms_targets orv_forms orv_dbctrls orvcommon)
set(orv_designintf_targets orv_designintf)

set(orv_components)
foreach(group core forms designintf)
  set(installed)
  foreach(target ${orv_${group}_targets})
    if(TARGET ${target})
      string(REGEX REPLACE "^orv_?" "" short ${target})
      set_target_properties(${target} PROPERTIES EXPORT_NAME ${short}
        VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN"
        DEFINE_SYMBOL "")  # symbols are visible by default; no <target>_EXPORTS macro is read
      # A consumer needs no language setting of its own.
      target_compile_features(${target} PUBLIC cxx_std_20)
      list(APPEND installed ${target})
    endif()
  endforeach()
  if(NOT installed)
    continue()
  endif()
  if(group STREQUAL "core")
    set(export orvTargets)
  else()
    string(SUBSTRING ${group} 0 1 first)
    string(TOUPPER ${first} first)
    string(SUBSTRING ${group} 1 -1 rest)
    set(export orv${first}${rest}Targets)
    list(APPEND orv_components ${group})
  endif()
  install(TARGETS ${installed} EXPORT ${export}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT ${export} NAMESPACE orv:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
endforeach()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/orvConfig.cmake.in
  ${PROJECT_BINARY_DIR}/orvConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/orvConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/orvConfig.cmake ${PROJECT_BINARY_DIR}/orvConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
if(TARGET orv_designintf)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/OrvPackage.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
endif()

# The consumer test: install into a scratch prefix, then build and run small
# projects that find the package. Sanitizer builds would need the consumer to
# link the sanitizer runtimes too, so only the plain builds run it.
if(ORV_BUILD_TESTS AND NOT ORV_SANITIZE)
  add_test(NAME find_package_test
    COMMAND ${CMAKE_COMMAND}
      -DORV_BINARY_DIR=${PROJECT_BINARY_DIR}
      -DORV_CONSUMER_DIR=${PROJECT_SOURCE_DIR}/test/find-package-test
      -DORV_GENERATOR=${CMAKE_GENERATOR}
      -DORV_WITH_QT=${ORV_BUILD_QT}
      -DORV_MAKE_PROGRAM=${CMAKE_MAKE_PROGRAM}
      -DORV_BINDIR=${CMAKE_INSTALL_BINDIR}
      -DORV_LIBDIR=${CMAKE_INSTALL_LIBDIR}
      -P ${PROJECT_SOURCE_DIR}/test/find-package-test/run.cmake)
  set_tests_properties(find_package_test PROPERTIES TIMEOUT 900)
  if(ORV_BUILD_QT)
    # The Qt program opens a window (offscreen).
    set_tests_properties(find_package_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
endif()
