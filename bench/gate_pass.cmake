eventmanager_benchmark(gate_pass_bench gate_pass_bench.cpp)
# The smoke run in ctest feeds a tiny log; the figures come from a manual run.
set_tests_properties(gate_pass_bench_smoke PROPERTIES ENVIRONMENT "EVENTMANAGER_BENCH_RECORDS=300;EVENTMANAGER_BENCH_SMOKE=1")
