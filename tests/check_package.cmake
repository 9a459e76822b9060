# Builds the .deb and checks what it holds and what it depends on.
# Expects BUILD_DIR and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND cpack -G DEB -B ${WORK} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB debs ${WORK}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed")
endif()
foreach(f IN ITEMS usr/bin/kestrow usr/bin/kestrow16 usr/bin/photo2bmp
                   usr/share/man/man1/kestrow.1 usr/share/man/man1/kestrow16.1
                   usr/share/man/man1/photo2bmp.1)
  string(REGEX MATCH " \\./${f}\n" found "${contents}")
  if(NOT found)
    message(FATAL_ERROR "${f} missing from the package:\n${contents}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT depends MATCHES "^libc6( \\([^)]*\\))?$")
  message(FATAL_ERROR "the package must depend on the C library alone, not: ${depends}")
endif()
message(STATUS "${debs}: Depends: ${depends}")
