# Read by cpack before it packages: every time in the package (file times,
# archive headers) is the last commit's, so that two builds of one commit give
# the same package. A SOURCE_DATE_EPOCH already set is kept.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY "${CPACK_ENTW_SOURCE_DIR}"
    OUTPUT_VARIABLE _entw_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _entw_git_status ERROR_QUIET)
  if(NOT _entw_git_status EQUAL 0 OR _entw_commit_time STREQUAL "")
    message(FATAL_ERROR "No commit to take the package's time from: set SOURCE_DATE_EPOCH (seconds since 1970).")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${_entw_commit_time}")
endif()
