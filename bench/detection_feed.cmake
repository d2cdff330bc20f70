eventmanager_benchmark(detection_feed_bench detection_feed_bench.cpp)
# The smoke run in ctest feeds a small log; the figures come from a manual run.
set_tests_properties(detection_feed_bench_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_BENCH_RECORDS=20000;EVENTMANAGER_BENCH_SMOKE=1")
