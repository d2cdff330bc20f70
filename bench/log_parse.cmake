# Parsing a log: eventscan's reader of record lines and ReadLog against a
# plain simdjson on-demand pass over the same lines. The ctest smoke run
# generates a small log; the figures come from a manual run on 1 M records.
add_executable(log_parse_bench ${CMAKE_CURRENT_LIST_DIR}/log_parse_bench.cpp)
target_link_libraries(log_parse_bench PRIVATE eventscan_log loggen_core simdjson::simdjson benchmark::benchmark)
add_test(NAME log_parse_bench_smoke COMMAND log_parse_bench --records=5000 --benchmark_min_time=0.01)
set_tests_properties(log_parse_bench_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_BENCH_SMOKE=1")
