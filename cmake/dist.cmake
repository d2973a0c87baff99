# make dist: the release a user downloads. build/DADAROR-<version>.zip holds the program, its
# power plan, the user's guide and the read-back script at its top; build/SHA256SUMS beside it lists the zip and every
# file in it. The files the zip holds are also left in build/ under their own names, so that
# `sha256sum -c SHA256SUMS` run in build/ checks all of them.
# Included by the top-level CMakeLists.txt after cmake/powerplan.cmake.

set(DIST_ZIP ${CMAKE_BINARY_DIR}/DADAROR-${PROJECT_VERSION}.zip)
set(DIST_SUMS ${CMAKE_BINARY_DIR}/SHA256SUMS)

# The guide and the read-back script, shipped as they are checked out (byte for byte: the guide
# is UTF-8 with a BOM and CRLF line ends for Notepad, the script has CRLF; see .gitattributes).
set(DIST_DOCUMENT_SOURCES ${CMAKE_SOURCE_DIR}/docs/README-KO.txt
                          ${CMAKE_SOURCE_DIR}/tools/windows/readback.cmd)
set(DIST_DOCUMENTS)
foreach(_source ${DIST_DOCUMENT_SOURCES})
  get_filename_component(_name ${_source} NAME)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${_name}
    COMMAND ${CMAKE_COMMAND} -E copy ${_source} ${CMAKE_BINARY_DIR}/${_name}
    DEPENDS ${_source}
    VERBATIM)
  list(APPEND DIST_DOCUMENTS ${CMAKE_BINARY_DIR}/${_name})
endforeach()

add_custom_target(dist
  COMMAND ${HOST_PYTHON3} -B ${CMAKE_SOURCE_DIR}/tools/dist/pack_release.py
          --zip ${DIST_ZIP} --sums ${DIST_SUMS} --source-dir ${CMAKE_SOURCE_DIR}
          $<TARGET_FILE:DADAROR> ${POWERPLAN_OUTPUT} ${DIST_DOCUMENTS}
  DEPENDS ${DIST_DOCUMENTS} ${CMAKE_SOURCE_DIR}/tools/dist/pack_release.py
  BYPRODUCTS ${DIST_ZIP} ${DIST_SUMS}
  COMMENT "Packing ${DIST_ZIP} and SHA256SUMS"
  VERBATIM)
add_dependencies(dist DADAROR powerplan)
