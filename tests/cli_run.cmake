# run(EXPECTED_EXIT ARGS...): runs tidemarrow-cli ARGS on the image that
# ${image} names (its options), with no terminal, and fails the test unless
# it exits with EXPECTED_EXIT; `out` then holds what it printed.
function(run expect_rc)
  execute_process(COMMAND ${CLI} ${ARGN} ${image} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  INPUT_FILE /dev/null)
  if(NOT rc EQUAL expect_rc)
    message(FATAL_ERROR "${ARGN}: exit ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()
