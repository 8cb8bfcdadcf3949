# Builds Setup.exe once more, alone, in another folder with the same generator and toolchain
# (TOOLCHAIN_FILE, or where the build had none, as on Windows, its compilers), and compares
# the bytes with the Setup.exe under test: the same sources must give the same file.
file(REMOVE_RECURSE ${OUTPUT})
if(TOOLCHAIN_FILE)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
else()
  set(toolchain -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_RC_COMPILER=${RC_COMPILER})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${OUTPUT} -G ${GENERATOR} ${toolchain} -DSETUP_BUILD_TESTS=OFF
  OUTPUT_QUIET RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the second build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${OUTPUT} --target Setup OUTPUT_QUIET RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXE} ${OUTPUT}/Setup.exe RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "${OUTPUT}/Setup.exe differs from ${EXE}")
endif()
file(SHA256 ${EXE} digest)
message(STATUS "both builds: SHA-256 ${digest}")
