# Runs eventscan on LOG with the home HOME, writing CSV to OUTPUT, and
# compares it with EXPECTED.
execute_process(COMMAND ${EVENTSCAN} run ${LOG} --home ${HOME} --format csv --output ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "eventscan run exited with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED} (tests/e2e/regenerate.sh rewrites it on purpose)")
endif()
