# `eventscan kpi --from A --to B`: the events are found over the whole log (a
# call set up before the window and dropped in it is still a drop), and only
# the results and records from A to B, both included, are counted. Checked
# against counts made here from the log's own lines and from `eventscan run
# --format csv` of the whole log: the dials ("MO call attempts") and the
# serving signal's samples (the distribution) of each window, and a window
# over the whole log giving the table with no window.
# -DEVENTSCAN=... -DHOME=... -DLOG=... -DFIELD=... -DWORK=...
file(MAKE_DIRECTORY "${WORK}")
file(STRINGS "${LOG}" lines)
list(REMOVE_AT lines 0)
execute_process(COMMAND "${EVENTSCAN}" run "${LOG}" --home "${HOME}" --format csv --output "${WORK}/rows.csv"
                RESULT_VARIABLE rc ERROR_QUIET)
file(STRINGS "${WORK}/rows.csv" rows)

function(kpi_json out)
  execute_process(COMMAND "${EVENTSCAN}" kpi "${LOG}" --home "${HOME}" --format json ${ARGN}
                  OUTPUT_VARIABLE json RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "kpi ${ARGN}: exit ${rc}: ${err}")
  endif()
  set(${out} "${json}" PARENT_SCOPE)
endfunction()

# The value of KPI `name` (its `key`) in a table.
function(kpi_value json name key out)
  string(JSON n LENGTH "${json}")
  math(EXPR last "${n} - 1")
  foreach(i RANGE ${last})
    string(JSON k GET "${json}" ${i} name)
    if(k STREQUAL name)
      string(JSON v GET "${json}" ${i} ${key})
      set(${out} "${v}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "no KPI ${name}")
endfunction()

set(windows
  "2026-03-14 10:01:00.000|2026-03-14 10:02:30.500"
  "2026-03-14 10:00:11.000|2026-03-14 10:00:14.200"
  "2026-03-14 09:00:00.000|2026-03-14 10:00:40.000"
  "2026-03-14 10:03:00.000|2026-03-14 11:00:00.000")
foreach(window IN LISTS windows)
  string(REPLACE "|" ";" ends "${window}")
  list(GET ends 0 from)
  list(GET ends 1 to)
  # The serving signal's samples: the records in the window that carry it.
  set(samples 0)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "\"time\": \"([^\"]+)\"" found "${line}")
    string(REPLACE "T" " " t "${CMAKE_MATCH_1}")
    if(NOT t STRLESS from AND NOT t STRGREATER to AND line MATCHES "\"${FIELD}\": -?[0-9]")
      math(EXPR samples "${samples} + 1")
    endif()
  endforeach()
  # The dials among the rows of the whole log's run.
  set(dials 0)
  foreach(row IN LISTS rows)
    if(row MATCHES "^[0-9]+,([^,]+),Start Dial,")
      if(NOT CMAKE_MATCH_1 STRLESS from AND NOT CMAKE_MATCH_1 STRGREATER to)
        math(EXPR dials "${dials} + 1")
      endif()
    endif()
  endforeach()
  kpi_json(json --from "${from}" --to "${to}")
  kpi_value("${json}" "MO call attempts" value gotDials)
  string(JSON n LENGTH "${json}")
  math(EXPR last "${n} - 1")
  set(gotSamples "")
  foreach(i RANGE ${last})
    string(JSON kind GET "${json}" ${i} kind)
    if(kind STREQUAL "distribution")
      string(JSON gotSamples GET "${json}" ${i} samples)
    endif()
  endforeach()
  if(NOT gotDials EQUAL dials OR NOT gotSamples EQUAL samples)
    message(FATAL_ERROR "window ${window}: ${gotDials} dials and ${gotSamples} samples, expected ${dials} and ${samples}")
  endif()
  message(STATUS "window ${window}: ${dials} dials, ${samples} samples")
endforeach()

# A window over the whole log is no window.
kpi_json(whole)
kpi_json(windowed --from "2026-03-14 00:00:00" --to "2026-03-15 00:00:00")
if(NOT whole STREQUAL windowed)
  message(FATAL_ERROR "a window over the whole log changes the table")
endif()
# A window that is not a time, or ends before it starts, is refused.
execute_process(COMMAND "${EVENTSCAN}" kpi "${LOG}" --home "${HOME}" --from "10:00" RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(rc EQUAL 0 OR NOT err MATCHES "--from 10:00: not a time")
  message(FATAL_ERROR "--from 10:00: exit ${rc}, ${err}")
endif()
execute_process(COMMAND "${EVENTSCAN}" kpi "${LOG}" --home "${HOME}" --from "2026-03-14 10:02:00" --to "2026-03-14 10:01:00"
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(rc EQUAL 0 OR NOT err MATCHES "--from is after --to")
  message(FATAL_ERROR "--from after --to: exit ${rc}, ${err}")
endif()
