# Run in tests/links: the link check, shown a page with each kind of broken link, names
# exactly those (expected.txt) and fails.
execute_process(COMMAND ${PYTHON} ${CHECK} broken.md RESULT_VARIABLE status OUTPUT_VARIABLE output)
file(READ expected.txt expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the check printed\n${output}instead of\n${expected}")
endif()
if(status EQUAL 0)
  message(FATAL_ERROR "the check passed a page with broken links")
endif()
