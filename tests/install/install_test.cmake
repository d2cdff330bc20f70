# Installs the build into a fresh prefix and uses it as outsiders do: a tiny
# host built with find_package(eventmanager) and again with pkg-config, both
# run on the installed sample home; the installed eventscan runs a sample log
# and its demo from an unrelated directory.
#   -DBUILD=<build dir> -DWORK=<scratch dir> -DSOURCE=<consumer sources>
#   -DCXX=<compiler> -DCXX_FLAGS=<flags> -DLINKER_FLAGS=<flags> -DEXPECTED=<gsm.csv>
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command}\nexited with ${status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(path bin/eventscan lib/libeventmanager.so lib/libem_dataaccess.so lib/libem_expression_filter.so
             lib/libem_lte_decoder.so include/eventmanager/outside/lte_decoder.h
             include/eventmanager/exports.h include/eventmanager/outside/data_access.h
             share/eventmanager/EventsDefine.cfg share/eventmanager/EventsProperty.cfg
             share/eventmanager/EventBitmap share/eventmanager/logs/gsm.jsonl
             lib/cmake/eventmanager/eventmanagerConfig.cmake lib/pkgconfig/eventmanager.pc)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
set(ENV{EVENTMANAGER_HOME} ${prefix}/share/eventmanager)
set(expected_line "GSM: [1-9][0-9]* message events, [1-9][0-9]* gate events, [1-9][0-9]* test events, 0 results")

# The CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/cmake-host -G Ninja -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK}/cmake-host)
run(${WORK}/cmake-host/tiny_host)
if(NOT out MATCHES "${expected_line}")
  message(FATAL_ERROR "the host built with find_package printed:\n${out}")
endif()

# The pkg-config file.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs eventmanager)
separate_arguments(pc_flags UNIX_COMMAND "${out}")
run(pkg-config --variable=libdir eventmanager)
string(STRIP "${out}" libdir)
separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS} ${LINKER_FLAGS}")
run(${CXX} -std=c++20 ${extra} ${SOURCE}/host.cpp -o ${WORK}/pc_host ${pc_flags} -Wl,-rpath,${libdir})
run(${WORK}/pc_host)
if(NOT out MATCHES "${expected_line}")
  message(FATAL_ERROR "the host built with pkg-config printed:\n${out}")
endif()

# The installed eventscan: library from lib/, definitions from share/.
unset(ENV{EVENTMANAGER_HOME})
file(MAKE_DIRECTORY ${WORK}/elsewhere)
run(${prefix}/bin/eventscan run ${prefix}/share/eventmanager/logs/gsm.jsonl --format csv
    --output ${WORK}/gsm.csv)
run(${CMAKE_COMMAND} -E compare_files ${WORK}/gsm.csv ${EXPECTED})
execute_process(COMMAND ${prefix}/bin/eventscan demo WORKING_DIRECTORY ${WORK}/elsewhere
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "== umts.jsonl \\(UMTS, [0-9]+ records\\) ==")
  message(FATAL_ERROR "installed eventscan demo: status ${status}\n${out}\n${err}")
endif()
