# The power plan shipped beside DADAROR.exe (velo-ssd.cfg), its tests, and the dist zip.
# Included by the top-level CMakeLists.txt once the DADAROR target exists.
#
# The same file doubles as the script that packs the zip (cmake -P), so that a missing README.md
# is decided when `dist` runs, not when the build was configured.

if(CMAKE_SCRIPT_MODE_FILE)
  set(_dist_files "${DIST_EXE}" "${DIST_CFG}")
  if(EXISTS "${DIST_README}")
    list(APPEND _dist_files "${DIST_README}")
  else()
    message(STATUS "dist: ${DIST_README} does not exist yet, packing without it")
  endif()
  file(REMOVE "${DIST_ZIP}")
  # -j: files at the top of the zip, as the user unpacks and runs them; -X: no owner/time extras.
  execute_process(COMMAND "${DIST_ZIP_TOOL}" -j -X -q "${DIST_ZIP}" ${_dist_files}
                  RESULT_VARIABLE _dist_result)
  if(NOT _dist_result EQUAL 0)
    message(FATAL_ERROR "dist: zip failed (${_dist_result})")
  endif()
  message(STATUS "dist: wrote ${DIST_ZIP}")
  return()
endif()

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
endforeach()

# The read-back script a person runs on real Windows before and after an apply: it shows
# everything the apply touches, as read from the program's sources, and changes nothing itself.
add_test(NAME readback.script COMMAND ${HOST_PYTHON3} -B ${POWERPLAN_TEST_DIR}/test_readback.py)

find_program(ZIP_EXECUTABLE zip)
set(DIST_ZIP ${CMAKE_BINARY_DIR}/DADAROR-1.0.0.4.zip)
if(ZIP_EXECUTABLE)
  add_custom_target(dist
    COMMAND ${CMAKE_COMMAND}
            -DDIST_ZIP_TOOL=${ZIP_EXECUTABLE}
            -DDIST_ZIP=${DIST_ZIP}
            -DDIST_EXE=$<TARGET_FILE:DADAROR>
            -DDIST_CFG=${POWERPLAN_OUTPUT}
            -DDIST_README=${CMAKE_SOURCE_DIR}/README.md
            -P ${CMAKE_CURRENT_LIST_FILE}
    BYPRODUCTS ${DIST_ZIP}
    COMMENT "Packing ${DIST_ZIP}"
    VERBATIM)
else()
  add_custom_target(dist
    COMMAND ${CMAKE_COMMAND} -E echo "dist needs zip; scripts/setup.sh installs it"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_dependencies(dist DADAROR powerplan)
