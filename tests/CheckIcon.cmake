# Remakes the icon from its picture and compares it with the committed Setup.ico.
execute_process(COMMAND ${PYTHON} ${SOURCE}/make_icon.py ${SOURCE}/Setup.icon.txt ${OUTPUT} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "make_icon.py failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${SOURCE}/Setup.ico RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "Setup.ico differs from what Setup.icon.txt makes; run make_icon.py")
endif()
