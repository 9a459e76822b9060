# Runs the Cortex-M0 test image under qemu-system-arm and compares what it
# prints with the host's digests of the same files. Also: the image uses no
# heap and no stdio. Expects QEMU, NM, IMAGE, HOST_DIGESTS, PHOTO6, PHOTO16
# and WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${NM} ${IMAGE} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm ${IMAGE} failed")
endif()
string(REGEX MATCHALL "[ \n](malloc|calloc|realloc|free|[a-z]*printf|fputs|fwrite|puts|stdout|stderr|__sF|_impure_ptr)\n"
       banned "${symbols}")
if(banned)
  message(FATAL_ERROR "the image uses the heap or stdio:${banned}")
endif()

execute_process(COMMAND ${HOST_DIGESTS} ${PHOTO6} ${PHOTO16} OUTPUT_VARIABLE host RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "host_digests: status ${rc}")
endif()

# Semihosting output goes to a file; the machine has no display, monitor
# or serial port to wait on.
execute_process(COMMAND ${QEMU} -M microbit -display none -monitor none -serial none
                        -chardev file,id=semihost,path=${WORK}/device.txt
                        -semihosting-config enable=on,target=native,chardev=semihost
                        -kernel ${IMAGE}
                INPUT_FILE /dev/null TIMEOUT 60 RESULT_VARIABLE rc ERROR_VARIABLE err)
set(device "")
if(EXISTS ${WORK}/device.txt)
  file(READ ${WORK}/device.txt device)
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Cortex-M0 run failed (${rc}) ${err}:\n${device}")
endif()
if(NOT device STREQUAL host)
  file(WRITE ${WORK}/host.txt "${host}")
  message(FATAL_ERROR "the device and the host disagree:\ndevice:\n${device}\nhost:\n${host}")
endif()
string(REGEX MATCHALL "\n  [a-z0-9-]+ [0-9a-f]+" lines "${device}")
list(LENGTH lines count)
if(NOT count EQUAL 28)
  message(FATAL_ERROR "expected 28 digests (2 files x 2 sources x 7 formats), got ${count}:\n${device}")
endif()
message(STATUS "Cortex-M0 and host agree on all ${count} digests:\n${device}")
