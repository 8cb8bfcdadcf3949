# The shell script check, shown a folder with one clean script, one faulty .sh script, one
# faulty script known only by its first line and a text that is no script, names exactly
# the two faulty scripts, by the warnings shellcheck gives, and fails. The folder is made
# here, in the build, so that no faulty script is ever part of the project's own tree.
file(REMOVE_RECURSE ${FIXTURES})
file(WRITE ${FIXTURES}/clean.sh "#!/bin/sh
# A script with nothing to fault.
echo \"ok\"
")
file(WRITE ${FIXTURES}/faulty.sh "#!/bin/sh
# A script with one fault of the kind shellcheck warns of: a variable set and never used.
unused=1
echo ok
")
file(WRITE ${FIXTURES}/no-suffix "#!/usr/bin/env bash
# A script without the .sh suffix, known by its first line, that goes on where cd failed.
cd \"$1\"
rm -f ./*.tmp
")
file(WRITE ${FIXTURES}/notes.txt "Not a script: \$unused \$1\n")
execute_process(COMMAND bash ${CHECK} ${FIXTURES} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
foreach(expected "^3 shell scripts\n" "faulty.sh:3:1: warning: .*\\[SC2034\\]" "no-suffix:3:1: warning: .*\\[SC2164\\]")
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "the check printed\n${output}\nwhich does not match ${expected}")
  endif()
endforeach()
if(output MATCHES "clean.sh|notes.txt")
  message(FATAL_ERROR "the check faulted a clean script or a text:\n${output}")
endif()
if(status EQUAL 0)
  message(FATAL_ERROR "the check passed faulty scripts")
endif()
