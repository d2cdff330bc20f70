# A log with one malformed line: skipped with a message naming the line, or,
# with --strict, exit status 2; a missing home is a clear error.
set(log ${WORK}/one_bad_line.jsonl)
file(WRITE ${log} "{\"format\": \"eventscan-log\", \"version\": 1, \"network\": \"GSM\"}\n"
                  "{\"time\": \"2026-03-14T10:00:01\", \"items\": [{\"id\": 54}]}\n"
                  "{\"time\": \"2026-03-14T10:00:02\", \"items\": [{\"id\": 54}]\n")
execute_process(COMMAND ${EVENTSCAN} run ${log} --home ${HOME} RESULT_VARIABLE status ERROR_VARIABLE err
                OUTPUT_VARIABLE out)
if(NOT status EQUAL 0 OR NOT err MATCHES "one_bad_line.jsonl:3: " OR NOT out MATCHES "Start Dial")
  message(FATAL_ERROR "lenient run: status ${status}\n${err}\n${out}")
endif()
execute_process(COMMAND ${EVENTSCAN} run ${log} --home ${HOME} --strict RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR NOT err MATCHES "one_bad_line.jsonl:3: ")
  message(FATAL_ERROR "strict run: status ${status}\n${err}")
endif()
execute_process(COMMAND ${EVENTSCAN} run ${log} --home ${WORK}/no-such-home RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR NOT err MATCHES "no-such-home: the home directory does not exist")
  message(FATAL_ERROR "missing home: status ${status}\n${err}")
endif()
execute_process(COMMAND ${EVENTSCAN} run ${log} --format yaml RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "wrong usage: status ${status}\n${err}")
endif()
