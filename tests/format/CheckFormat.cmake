# Fails when a C++ file that git tracks is not formatted as the root's .clang-format says.
#   cmake -DSOURCE_DIR=... -DCLANG_FORMAT=... -DGIT=... -P CheckFormat.cmake
execute_process(
  COMMAND ${GIT} ls-files -- *.cpp *.h
  WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_VARIABLE files
  RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
  message(FATAL_ERROR "git cannot list the tracked files of ${SOURCE_DIR}")
endif()
string(STRIP "${files}" files)
string(REPLACE "\n" ";" files "${files}")
execute_process(
  COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE formatted)
if(NOT formatted EQUAL 0)
  message(FATAL_ERROR "these files are not formatted; run: clang-format -i <file>")
endif()
