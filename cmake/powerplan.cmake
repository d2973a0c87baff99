# The power plan shipped beside DADAROR.exe (velo-ssd.cfg) and its tests.
# Included by the top-level CMakeLists.txt once the DADAROR target exists.

# The generator runs on the build machine with any Python 3, found by CMake's own finder;
# -DPython3_EXECUTABLE=... names one. The Debian toolchain files name Debian's own python, which
# has the hive readers the power plan's tests use.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(HOST_PYTHON3 ${Python3_EXECUTABLE})

set(POWERPLAN_TOOL_DIR ${CMAKE_SOURCE_DIR}/tools/powerplan)
set(POWERPLAN_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/tools)
set(POWERPLAN_OUTPUT ${PROGRAM_DIR}/velo-ssd.cfg)

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

# Host commands, not cross-built targets: the Wine emulator must not wrap them. A build without
# its tests (-DBUILD_TESTING=OFF, as on Windows) has none of them.
if(NOT BUILD_TESTING AND DEFINED BUILD_TESTING)
  return()
endif()
foreach(_name readers samples faults plan)
  add_test(NAME powerplan.${_name}
           COMMAND ${HOST_PYTHON3} -B ${POWERPLAN_TEST_DIR}/test_powerplan_${_name}.py)
  # A run that checked nothing (every case skipped) shows as skipped, not passed.
  set_tests_properties(powerplan.${_name} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()

# The read-back script a person runs on real Windows before and after an apply: it shows
# everything the apply touches, as read from the program's sources, and changes nothing itself.
add_test(NAME readback.script COMMAND ${HOST_PYTHON3} -B ${POWERPLAN_TEST_DIR}/test_readback.py)
