# The speed and memory table: eventscan and the host session measured
# against a plain simdjson pass, printed as Markdown (see README.md). The
# ctest smoke run measures tiny logs once.
# The reference: a plain simdjson program over a log, run as a child.
add_executable(simdjson_lines ${CMAKE_CURRENT_LIST_DIR}/simdjson_lines.cpp)
target_link_libraries(simdjson_lines PRIVATE simdjson::simdjson)
add_executable(speed_table ${CMAKE_CURRENT_LIST_DIR}/speed_table.cpp)
target_link_libraries(speed_table PRIVATE eventscan_host loggen_core eventmanager_testing simdjson::simdjson)
target_compile_definitions(speed_table PRIVATE
  EVENTMANAGER_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  EVENTMANAGER_LIBRARY="$<TARGET_FILE:eventmanager>"
  EVENTSCAN_PROGRAM="$<TARGET_FILE:eventscan>"
  SIMDJSON_LINES_PROGRAM="$<TARGET_FILE:simdjson_lines>")
add_dependencies(speed_table eventmanager eventscan simdjson_lines)
add_test(NAME speed_table_smoke COMMAND speed_table --records 2000 --reps 1)
set_tests_properties(speed_table_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_SPEECH=0")
