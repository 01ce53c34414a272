# Installs the libraries with their headers and a package config, so that
# another project can say find_package(orv) and link orv::keygen,
# orv::unikey, orv::db, orv::classes, orv::rtl or orv::commonutils (no Qt),
# or orv::common (the shared common library; its programs also get the
# window layer, orv::forms and orv::dbctrls, which it takes from them).
include(CMakePackageConfigHelpers)

set(orv_installed_targets)
foreach(target orv_rtl orv_classes orv_mask orv_db orv_keygen orv_unikey orv_commonutils orv_forms orv_dbctrls orvcommon)
  if(TARGET ${target})
    string(REGEX REPLACE "^orv_?" "" short ${target})
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${short})
    list(APPEND orv_installed_targets ${target})
  endif()
endforeach()

install(TARGETS ${orv_installed_targets} EXPORT orvTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv)
set(orv_header_dirs host/rtl host/classes host/db keygen unikey common)
if(TARGET orv_forms)
  list(APPEND orv_header_dirs host/forms)
endif()
foreach(dir ${orv_header_dirs})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv/${dir}
    FILES_MATCHING PATTERN "*.h"
    PATTERN "testing" EXCLUDE
    PATTERN "sample" EXCLUDE
    PATTERN "pictures" EXCLUDE
    PATTERN "*_p.h" EXCLUDE
    PATTERN "fuzz" EXCLUDE)
endforeach()
install(EXPORT orvTargets NAMESPACE orv:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/orvConfig.cmake.in
  ${PROJECT_BINARY_DIR}/orvConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/orvConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/orvConfig.cmake ${PROJECT_BINARY_DIR}/orvConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orv)

# The consumer test: install into a scratch prefix, then build and run a small
# project that finds the package. Sanitizer builds would need the consumer to
# link the sanitizer runtimes too, so only the plain builds run it.
if(ORV_BUILD_TESTS AND NOT ORV_SANITIZE)
  add_test(NAME find_package_test
    COMMAND ${CMAKE_COMMAND}
      -DORV_BINARY_DIR=${PROJECT_BINARY_DIR}
      -DORV_CONSUMER_DIR=${PROJECT_SOURCE_DIR}/test/find-package-test
      -DORV_GENERATOR=${CMAKE_GENERATOR}
      -P ${PROJECT_SOURCE_DIR}/test/find-package-test/run.cmake)
  set_tests_properties(find_package_test PROPERTIES TIMEOUT 600)
endif()
