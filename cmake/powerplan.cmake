# The power plan shipped beside DADAROR.exe (velo-ssd.cfg) and its tests.
# Included by the top-level CMakeLists.txt once the DADAROR target exists.

# The generator and its tests run on the build machine with Debian's own python, which has the
# hive readers the tests use (a python first on PATH may be another build without them).
find_program(HOST_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT HOST_PYTHON3)
  message(FATAL_ERROR "python3 not found in /usr/bin; scripts/setup.sh installs it")
endif()

set(POWERPLAN_TOOL_DIR ${CMAKE_SOURCE_DIR}/tools/powerplan)
set(POWERPLAN_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/tools)
set(POWERPLAN_OUTPUT ${CMAKE_BINARY_DIR}/velo-ssd.cfg)

add_custom_command(
  OUTPUT ${POWERPLAN_OUTPUT}
  COMMAND ${HOST_PYTHON3} ${POWERPLAN_TOOL_DIR}/gen_powerplan.py
          ${POWERPLAN_TOOL_DIR}/velo-ssd.plan -o ${POWERPLAN_OUTPUT}
  DEPENDS ${POWERPLAN_TOOL_DIR}/gen_powerplan.py
          ${POWERPLAN_TOOL_DIR}/regf.py
          ${POWERPLAN_TOOL_DIR}/plan.py
          ${POWERPLAN_TOOL_DIR}/security.py
          ${POWERPLAN_TOOL_DIR}/velo-ssd.plan
  COMMENT "Writing the power plan velo-ssd.cfg"
  VERBATIM)
add_custom_target(powerplan ALL DEPENDS ${POWERPLAN_OUTPUT})

# Host commands, not cross-built targets: the Wine emulator must not wrap them.
foreach(_name readers samples faults plan)
  add_test(NAME powerplan.${_name}
           COMMAND ${HOST_PYTHON3} -B ${POWERPLAN_TEST_DIR}/test_powerplan_${_name}.py)
  # A run that checked nothing (every case skipped) shows as skipped, not passed.
  set_tests_properties(powerplan.${_name} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()

# The read-back script a person runs on real Windows before and after an apply: it shows
# everything the apply touches, as read from the program's sources, and changes nothing itself.
add_test(NAME readback.script COMMAND ${HOST_PYTHON3} -B ${POWERPLAN_TEST_DIR}/test_readback.py)
