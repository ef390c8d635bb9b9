# Runs the built program with one option on the X11 platform and no display:
# it must answer on stdout and end with 0 without ever needing the window system.
#   cmake -DPROGRAM=... -DOPTION=--help -DEXPECT=regex -P commandline.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
          "${PROGRAM}" "${OPTION}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "daruri ${OPTION} ended with '${rc}'\nstdout: ${out}\nstderr: ${err}")
endif()
if(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "daruri ${OPTION} printed:\n${out}\nexpected to match: ${EXPECT}")
endif()
