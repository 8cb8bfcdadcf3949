# Usage: cmake -DNM=... -DFILES="a.obj;b.a;..." -P CheckNoStaticConstructors.cmake
# A program linked without a C runtime runs nothing before WinMain but its own start-up
# routine, so an object constructed at namespace scope would be left unconstructed: fails
# when the compiler made a constructor routine (_GLOBAL__sub_I_...) in any of FILES.
execute_process(COMMAND ${NM} ${FILES} OUTPUT_VARIABLE symbols RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
  message(FATAL_ERROR "could not list the symbols of ${FILES}")
endif()
string(REGEX MATCHALL "_GLOBAL__sub_I_[A-Za-z0-9_.$]*" constructors "${symbols}")
list(REMOVE_DUPLICATES constructors)
if(constructors)
  message(FATAL_ERROR "objects constructed at namespace scope, which nothing would construct: ${constructors}")
endif()
