# Installs orv from ORV_BINARY_DIR into a scratch prefix, builds the consumer
# project against it and checks what it prints.
set(work ${ORV_BINARY_DIR}/find-package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/db)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${ORV_BINARY_DIR} --prefix ${work}/prefix)
run(${CMAKE_COMMAND} -S ${ORV_CONSUMER_DIR} -B ${work}/build -G ${ORV_GENERATOR}
    -DCMAKE_PREFIX_PATH=${work}/prefix)
run(${CMAKE_COMMAND} --build ${work}/build)
run(${work}/build/consumer ${work}/db)
if(NOT last_output STREQUAL "INV-0001\n2 fields\n")
  message(FATAL_ERROR "unexpected output: '${last_output}'")
endif()
message(STATUS "consumer printed: ${last_output}")
