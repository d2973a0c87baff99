# make dist: the release a user downloads, in build/release/: DADAROR-<version>.zip holds the
# program, its power plan, the user's guide and the read-back script at its top; SHA256SUMS beside
# it lists the zip and every file in it, and the files themselves are left there under their own
# names, so that `sha256sum -c SHA256SUMS` run in build/release/ checks all of them.
# The program is signed there when the maintainer's key is named by the environment of
# `make dist` (tools/dist/signing.py says how); build/DADAROR.exe stays the linker's unsigned
# program, which every build makes the same.
# Included by the top-level CMakeLists.txt after cmake/powerplan.cmake.

set(DIST_DIR ${CMAKE_BINARY_DIR}/release)
set(DIST_ZIP ${DIST_DIR}/DADAROR-${PROJECT_VERSION}.zip)
set(DIST_SUMS ${DIST_DIR}/SHA256SUMS)

# The guide and the read-back script, shipped as they are checked out (byte for byte: the guide
# is UTF-8 with a BOM and CRLF line ends for Notepad, the script has CRLF; see .gitattributes).
set(DIST_DOCUMENTS ${CMAKE_SOURCE_DIR}/docs/README-KO.txt
                   ${CMAKE_SOURCE_DIR}/tools/windows/readback.cmd)

add_custom_target(dist
  COMMAND ${HOST_PYTHON3} -B ${CMAKE_SOURCE_DIR}/tools/dist/pack_release.py
          --zip ${DIST_ZIP} --sums ${DIST_SUMS} --source-dir ${CMAKE_SOURCE_DIR}
          --sign $<TARGET_FILE_NAME:DADAROR> --sign-url https://${PELLIX_WEB_HOST}/
          $<TARGET_FILE:DADAROR> ${POWERPLAN_OUTPUT} ${DIST_DOCUMENTS}
  DEPENDS ${DIST_DOCUMENTS} ${CMAKE_SOURCE_DIR}/tools/dist/pack_release.py
          ${CMAKE_SOURCE_DIR}/tools/dist/signing.py
  BYPRODUCTS ${DIST_ZIP} ${DIST_SUMS}
  COMMENT "Packing ${DIST_ZIP} and SHA256SUMS"
  VERBATIM)
add_dependencies(dist DADAROR powerplan)
