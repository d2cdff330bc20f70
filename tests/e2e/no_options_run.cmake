# The README's commands as a newcomer types them, with no options, from a
# directory that has nothing to do with the build: the demo finds its sample
# logs and the sample home beside eventscan, and "eventscan run LOG" gives the
# results of the sample definitions (the same rows as the expected CSV).
#   -DEVENTSCAN=<program> -DWORK=<scratch dir> -DLOG=<gsm.jsonl> -DEXPECTED=<gsm.csv>
unset(ENV{EVENTMANAGER_HOME})
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${EVENTSCAN} demo WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "eventscan demo exited with ${status}\n${err}")
endif()
foreach(log cdma gsm tdscdma umts)
  if(NOT out MATCHES "== ${log}.jsonl \\([A-Z-]+, [0-9]+ records\\) ==\n *record  time[^\n]*\n *[0-9]+  2026-")
    message(FATAL_ERROR "eventscan demo printed no result rows for ${log}.jsonl:\n${out}\n${err}")
  endif()
endforeach()
if(NOT out MATCHES "  message  " OR NOT out MATCHES "  gate  " OR err MATCHES "warning")
  message(FATAL_ERROR "eventscan demo did not use the sample definitions:\n${out}\n${err}")
endif()

execute_process(COMMAND ${EVENTSCAN} run ${LOG} --format csv --output ${WORK}/gsm.csv WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR err MATCHES "warning")
  message(FATAL_ERROR "eventscan run with no options: status ${status}\n${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/gsm.csv ${EXPECTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "eventscan run with no options did not give the results of the sample definitions")
endif()
file(GLOB left RELATIVE ${WORK} ${WORK}/*)
if(NOT left STREQUAL "gsm.csv")
  message(FATAL_ERROR "files written into the working directory: ${left}")
endif()
