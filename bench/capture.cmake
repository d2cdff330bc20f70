# A capture read through tshark and run through eventscan, against tshark
# printing the same fields alone; prints the ratio. The ctest smoke run does
# one pass and passes without the capture or tshark.
add_executable(capture_bench ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp)
target_link_libraries(capture_bench PRIVATE eventscan_capture benchmark::benchmark)
target_compile_definitions(capture_bench PRIVATE
  EVENTMANAGER_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  EVENTMANAGER_CAPTURE_DIR="${PROJECT_SOURCE_DIR}/../shared/captures"
  EVENTSCAN_PROGRAM="$<TARGET_FILE:eventscan>")
add_dependencies(capture_bench eventmanager eventscan)
add_test(NAME capture_bench_smoke COMMAND capture_bench --benchmark_min_time=0.01)
set_tests_properties(capture_bench_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_SPEECH=0;EVENTMANAGER_BENCH_SMOKE=1")
