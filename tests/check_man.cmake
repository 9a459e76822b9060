# Renders each man page in MAN_PAGES (comma-separated) with groff at full
# warnings; any warning fails.
string(REPLACE "," ";" pages "${MAN_PAGES}")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GROFF} -ww -man -Tutf8 -z ${page}
                  RESULT_VARIABLE rc ERROR_VARIABLE warnings)
  if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page}:\n${warnings}")
  endif()
endforeach()
