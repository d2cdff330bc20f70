eventmanager_benchmark(msg_pass_bench msg_pass_bench.cpp)
# The smoke run in ctest feeds a small log; the figures come from a manual run.
set_tests_properties(msg_pass_bench_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_BENCH_RECORDS=5000;EVENTMANAGER_BENCH_SMOKE=1")
