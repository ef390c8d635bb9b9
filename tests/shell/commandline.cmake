# Runs the built program with one option on the X11 platform and no display:
# it must answer and end with the expected status without ever needing the
# window system.
#   cmake -DPROGRAM=... -DOPTION=--help -DEXPECT=regex [-DSTATUS=2 -DSTREAM=stderr] -P commandline.cmake
if(NOT DEFINED STATUS)
  set(STATUS 0)
endif()
if(NOT DEFINED STREAM)
  set(STREAM stdout)
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
          "${PROGRAM}" "${OPTION}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr TIMEOUT 30)
if(NOT rc STREQUAL "${STATUS}")
  message(FATAL_ERROR "daruri ${OPTION} ended with '${rc}', expected ${STATUS}\nstdout: ${stdout}\nstderr: ${stderr}")
endif()
if(NOT ${STREAM} MATCHES "${EXPECT}")
  message(FATAL_ERROR "daruri ${OPTION} printed on ${STREAM}:\n${${STREAM}}\nexpected to match: ${EXPECT}")
endif()
