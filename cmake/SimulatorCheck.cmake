# The same scenarios flown in talvek-sim and in the simulator's core (its Linux port), compared
# (tools/simulator-check.sh, docs/simulator-comparison.md). Skipped when no built port is there.
# The check runs the core under Xvfb for several minutes: it runs alone.
cmake_path(SET port_default NORMALIZE "${PROJECT_SOURCE_DIR}/../realsim")
set(TALVEK_PORT_DIR "${port_default}" CACHE PATH
  "A built Linux port of the simulator (src/, build/, install/Orbiter) for the simulator check")
if(NOT EXISTS ${TALVEK_PORT_DIR}/install/Orbiter)
  message(STATUS "No built port of the simulator in ${TALVEK_PORT_DIR}: simulator_check will be "
    "skipped; set TALVEK_PORT_DIR to one to run it")
endif()
add_test(NAME simulator_check
  COMMAND ${PROJECT_SOURCE_DIR}/tools/simulator-check.sh
    --port ${TALVEK_PORT_DIR} --build ${CMAKE_BINARY_DIR} --work ${CMAKE_BINARY_DIR}/simulator-check)
set_tests_properties(simulator_check PROPERTIES SKIP_RETURN_CODE 77 RUN_SERIAL TRUE TIMEOUT 5400)
# The comparison itself, on small flights of known outcome: runs without a port.
add_test(NAME simulator_check_selftest
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/simulator-check/compare_selftest.py)
