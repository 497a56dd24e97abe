# A malformed registry file: a clear one-line reason, a non-zero exit, and
# the file left as it was.
file(SHA256 ${FIXTURES}/malformed.reg before)
execute_process(COMMAND ${CLI} info --reg ${FIXTURES}/malformed.reg --drive C:=${FIXTURES}
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
file(SHA256 ${FIXTURES}/malformed.reg after)
if(rc EQUAL 0)
  message(FATAL_ERROR "exit code 0 for a malformed file")
endif()
if(NOT err MATCHES "malformed.reg: line 5: expected")
  message(FATAL_ERROR "unexpected error text: ${err}")
endif()
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the registry file was changed")
endif()
