# cmake -DBUILD_DIR=<build> -DPREFIX=<prefix> [-DNAME_BYTE=<n>] -P InstallIntoPrefix.cmake
# Removes what an earlier run installed, then installs the build into PREFIX. With
# NAME_BYTE, the prefix's name ends in "-" and that one byte (255: a name that is no valid
# UTF-8).
if(NOT BUILD_DIR OR NOT PREFIX)
  message(FATAL_ERROR "BUILD_DIR and PREFIX are required")
endif()
if(DEFINED NAME_BYTE)
  string(ASCII ${NAME_BYTE} byte)
  set(PREFIX "${PREFIX}-${byte}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
