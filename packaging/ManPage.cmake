# Run by the manual page's install rule: fills the page in for the prefix of this install, so
# that FILES names the folder the pictures are installed in, and compresses it as Debian wants
# (gzip -9, no name or time stamp). The rule sets CORVANE_MAN_TEMPLATE, CORVANE_MAN_OUTPUT
# (the page, in the build tree; the .gz is written beside it), CORVANE_DATA_SUBDIR (relative
# to the prefix, or absolute), CORVANE_RELEASE_DATE and PROJECT_VERSION.
if(IS_ABSOLUTE "${CORVANE_DATA_SUBDIR}")
  set(CORVANE_DATA_DIR "${CORVANE_DATA_SUBDIR}")
else()
  get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
  set(CORVANE_DATA_DIR "${prefix}/${CORVANE_DATA_SUBDIR}")
endif()
cmake_path(NORMAL_PATH CORVANE_DATA_DIR)
string(REGEX REPLACE "(.)/$" "\\1" CORVANE_DATA_DIR "${CORVANE_DATA_DIR}")
configure_file("${CORVANE_MAN_TEMPLATE}" "${CORVANE_MAN_OUTPUT}" @ONLY)
execute_process(COMMAND gzip -9nc "${CORVANE_MAN_OUTPUT}" OUTPUT_FILE "${CORVANE_MAN_OUTPUT}.gz"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${CORVANE_MAN_OUTPUT}")
endif()
