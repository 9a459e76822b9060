# Installs the build into a fresh prefix and runs the installed programs:
# the sample through kestrow, photo2bmp and kestrow again must come back the
# same, for both colour formats. Expects BUILD_DIR, SAMPLE and WORK.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(f IN ITEMS bin/kestrow bin/kestrow16 bin/photo2bmp
                   share/man/man1/kestrow.1 share/man/man1/kestrow16.1 share/man/man1/photo2bmp.1)
  if(NOT EXISTS ${WORK}/prefix/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}: status ${rc}: ${err}")
  endif()
endfunction()

foreach(prog IN ITEMS kestrow kestrow16)
  set(bin ${WORK}/prefix/bin)
  run(${bin}/${prog} ${SAMPLE} ${WORK}/${prog}.photo)
  run(${bin}/photo2bmp ${WORK}/${prog}.photo ${WORK}/${prog}.bmp)
  run(${bin}/${prog} ${WORK}/${prog}.bmp ${WORK}/${prog}.again)
  file(SHA256 ${WORK}/${prog}.photo first)
  file(SHA256 ${WORK}/${prog}.again again)
  if(NOT first STREQUAL again)
    message(FATAL_ERROR "${prog}: the round trip changed the photo file")
  endif()
endforeach()
message(STATUS "installed programs and man pages work")
