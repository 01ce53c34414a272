# Installs orv from ORV_BINARY_DIR into a scratch prefix, builds the consumer
# project against it and checks what its programs print, and that the
# mask-only program's link command names neither database library.
set(work ${ORV_BINARY_DIR}/find-package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/db ${work}/gen)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# expect(program OUTPUT [args...]): runs a built consumer program.
function(expect program output)
  run(${work}/build/${program} ${ARGN})
  if(NOT last_output STREQUAL "${output}")
    message(FATAL_ERROR "unexpected output of ${program}: '${last_output}', expected '${output}'")
  endif()
  message(STATUS "${program} printed: ${last_output}")
endfunction()

run(${CMAKE_COMMAND} --install ${ORV_BINARY_DIR} --prefix ${work}/prefix)

# Only public headers are installed.
file(GLOB_RECURSE internal RELATIVE ${work}/prefix
  ${work}/prefix/include/*_p.h ${work}/prefix/include/*/testing/* ${work}/prefix/include/*/driver.h
  ${work}/prefix/include/*/sqlite/* ${work}/prefix/include/*/postgresql/*)
if(internal)
  message(FATAL_ERROR "internal headers installed: ${internal}")
endif()
# Each library by its SONAME, and the installed orvgen finds them by itself.
set(libraries liborv_rtl liborv_classes liborv_mask liborv_db liborv_keygen liborv_unikey
  liborv_runtime liborv_commonutils)
if(ORV_WITH_QT)
  list(APPEND libraries liborv_forms liborv_dbctrls liborv_designintf liborvcommon)
endif()
foreach(library ${libraries})
  if(NOT EXISTS ${work}/prefix/${ORV_LIBDIR}/${library}.so.0)
    message(FATAL_ERROR "${ORV_LIBDIR}/${library}.so.0 was not installed")
  endif()
endforeach()
# The manual page, where man finds it under the prefix (GNUInstallDirs' default MANDIR).
if(NOT EXISTS ${work}/prefix/share/man/man1/orvgen.1)
  message(FATAL_ERROR "share/man/man1/orvgen.1 was not installed")
endif()
run(${work}/prefix/${ORV_BINDIR}/orvgen --version)
message(STATUS "installed orvgen --version: ${last_output}")

run(${CMAKE_COMMAND} -S ${ORV_CONSUMER_DIR} -B ${work}/build -G ${ORV_GENERATOR}
    -DCMAKE_PREFIX_PATH=${work}/prefix -DCMAKE_VERBOSE_MAKEFILE=ON)
file(STRINGS ${ORV_CONSUMER_DIR}/CMakeLists.txt standard REGEX "CMAKE_CXX_STANDARD")
if(standard)
  message(FATAL_ERROR "the consumer sets a language level of its own: ${standard}")
endif()
run(${CMAKE_COMMAND} --build ${work}/build)

# The link command of the mask-only program.
if(ORV_GENERATOR MATCHES "Ninja")
  run(${ORV_MAKE_PROGRAM} -C ${work}/build -t commands mask_consumer)
  set(commands "${last_output}")
else()
  file(GLOB_RECURSE link_files ${work}/build/CMakeFiles/mask_consumer.dir/link.txt)
  file(READ ${link_files} commands)
endif()
string(REGEX MATCH "[^\n]* -o mask_consumer[ \n][^\n]*" link "${commands}")
if(NOT link)
  message(FATAL_ERROR "no link command for mask_consumer in:\n${commands}")
endif()
if(link MATCHES "sqlite|libpq|-lpq|orv_db|liborv_db")
  message(FATAL_ERROR "mask_consumer links a database library: ${link}")
endif()
if(NOT link MATCHES "liborv_mask")
  message(FATAL_ERROR "mask_consumer does not link liborv_mask: ${link}")
endif()
message(STATUS "mask_consumer links: ${link}")

expect(mask_consumer "AB-B1\n")
expect(generator_consumer "ORD-100\nORD-101\n" ${work}/gen)
expect(consumer "INV-0001\n2 fields\nPosCyr 2\n" ${work}/db)

# A fresh account without an alias file: a program's default TGenerator and
# the installed orvgen draw from one default table.
set(account ${CMAKE_COMMAND} -E env --unset=ORV_ALIASES --unset=XDG_CONFIG_HOME
  HOME=${work}/home XDG_DATA_HOME=${work}/home/data)
# expect_in_account(OUTPUT command...): runs a command as that account.
function(expect_in_account output)
  run(${account} ${ARGN})
  if(NOT last_output STREQUAL "${output}")
    message(FATAL_ERROR "unexpected output of ${ARGN}: '${last_output}', expected '${output}'")
  endif()
  message(STATUS "${ARGN} printed: ${last_output}")
endfunction()
expect_in_account("FP-000\nFP-001\n" ${work}/prefix/${ORV_BINDIR}/orvgen next --mask "FP-###" -n 2)
expect_in_account("FP-002\n" ${work}/build/defaultgen "FP-###")
expect_in_account("FP-003\n" ${work}/prefix/${ORV_BINDIR}/orvgen next --mask "FP-###")

# The application's own module class, its generator's @ answered by the
# module's handler that the form file names.
set(orders ${work}/orders.ofm)
file(WRITE ${orders} "object Orders: TOrdersModule
  object Gen1: TGenerator
    Mask = 'ORD-@-###'
    StartValue = '001'
    GetUserPrefixes = Gen1GetUserPrefixes
    DataBaseName = 'tGenAlias'
    TableName = 'GENTBL.DB'
  end
end
")
expect_in_account("ORD-Q-001\n" ${work}/build/orders ${orders})

if(ORV_WITH_QT)
  foreach(program forms_consumer about_consumer designintf_consumer)
    if(NOT EXISTS ${work}/build/${program})
      message(FATAL_ERROR "${program} was not built: orv was built with Qt, so its components must be found")
    endif()
  endforeach()
  foreach(program ${ORV_BINDIR}/orvdesign ${ORV_LIBDIR}/orv/orvgenpkg.so)
    if(NOT EXISTS ${work}/prefix/${program})
      message(FATAL_ERROR "${program} was not installed")
    endif()
  endforeach()
  expect(forms_consumer "orvorv 200x80\n")
  expect(about_consumer "TGenerator 285x258 300x200\n")
  expect(designintf_consumer "1 on Consumer\n")

  # The consumer's package links the libraries it uses like any library.
  find_program(readelf readelf REQUIRED)
  run(${readelf} -d ${work}/build/counterpkg.so)
  if(NOT last_output MATCHES "NEEDED[^\n]*liborv_designintf\\.so\\.0")
    message(FATAL_ERROR "counterpkg.so does not link liborv_designintf.so.0:\n${last_output}")
  endif()

  # The installed orvdesign loads the consumer's package and checks a form
  # holding its component; without the package the class is unknown.
  set(form ${work}/counter.ofm)
  file(WRITE ${form} "object Mod: TDataModule\n  object Counter1: TCounter\n    Count = 3\n  end\nend\n")
  set(orvdesign ${work}/prefix/${ORV_BINDIR}/orvdesign)
  run(${orvdesign} --no-default-package --package ${work}/build/counterpkg.so --check ${form})
  if(NOT last_output STREQUAL "${form}: ok\n")
    message(FATAL_ERROR "unexpected output of orvdesign --check: '${last_output}'")
  endif()
  message(STATUS "orvdesign with counterpkg printed: ${last_output}")
  execute_process(COMMAND ${orvdesign} --no-default-package --check ${form}
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "unknown class TCounter")
    message(FATAL_ERROR "orvdesign without counterpkg: exit ${rc}, '${err}'")
  endif()

  # The designer opens the module with the application's package, changes a
  # value and keeps the handler's name; the program then reads what it saved.
  execute_process(COMMAND ${orvdesign} --check ${orders}
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "unknown class TOrdersModule")
    message(FATAL_ERROR "orvdesign without orderspkg: exit ${rc}, '${err}'")
  endif()
  run(${account} ${orvdesign} --package ${work}/build/orderspkg.so
    --set ${orders} "Gen1.Mask=ORW-@-###" Gen1.StartValue=500)
  file(READ ${orders} saved)
  if(NOT saved MATCHES "GetUserPrefixes = Gen1GetUserPrefixes" OR NOT saved MATCHES "'500'")
    message(FATAL_ERROR "orvdesign --set with orderspkg wrote:\n${saved}")
  endif()
  expect_in_account("ORW-Q-500\n" ${work}/build/orders ${orders})
endif()
