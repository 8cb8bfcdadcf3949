# Usage: cmake -DOBJDUMP=... -DEXE=Setup.exe -P CheckInstructions.cmake
# Windows 95 runs on the 80386 and NT 4.0 on the 80486: an instruction that a later
# processor brought ends the program there with an invalid-opcode fault. Disassembles the
# code of EXE and fails on every instruction that the 80386 lacks, naming it, its address
# and the processor that brought it.

# The processor that brought them, then the instructions, as a regular expression over an
# instruction as objdump writes it in Intel syntax, prefixes such as lock left out.
set(not_on_an_80386
  "80486: ^(bswap|cmpxchg|xadd|invd|wbinvd|invlpg)( |$)"
  "Pentium: ^(cpuid|rdtsc|cmpxchg8b|rdmsr|wrmsr|rsm)( |$)"
  "Pentium MMX: ^emms$|[ ,]mm[0-7]([^0-9]|$)"
  "Pentium Pro: ^(cmov[a-z]+|fcmov[a-z]+|fcomip?|fucomip?|rdpmc|ud2|sysenter|sysexit)( |$)"
  "Pentium Pro (the long form of nop, 0F 1F): ^nop ."
  "later (SSE, AVX): [ ,][xyz]mm[0-9]")

execute_process(COMMAND ${OBJDUMP} -d -M intel --no-show-raw-insn ${EXE}
  OUTPUT_VARIABLE listing RESULT_VARIABLE disassembled)
if(NOT disassembled EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not disassemble ${EXE}")
endif()

string(REPLACE ";" "," listing "${listing}")    # no list separators inside an instruction
string(REPLACE "\n" ";" lines "${listing}")
set(instructions 0)
set(faults "")
foreach(line IN LISTS lines)
  # "  401000:\tpush   ebp"
  if(NOT line MATCHES "^ *([0-9a-f]+):\t(.*)$")
    continue()
  endif()
  set(address ${CMAKE_MATCH_1})
  string(REGEX REPLACE " +" " " instruction "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "^((lock|rep[a-z]*|data16|addr16|[c-gs]s) )+" "" instruction "${instruction}")
  string(STRIP "${instruction}" instruction)
  math(EXPR instructions "${instructions} + 1")
  foreach(row IN LISTS not_on_an_80386)
    string(FIND "${row}" ": " colon)
    string(SUBSTRING "${row}" 0 ${colon} processor)
    math(EXPR colon "${colon} + 2")
    string(SUBSTRING "${row}" ${colon} -1 pattern)
    if(instruction MATCHES "${pattern}")
      string(APPEND faults "\n  0x${address}: ${instruction} (${processor})")
    endif()
  endforeach()
endforeach()

if(instructions LESS 100)
  message(FATAL_ERROR "${OBJDUMP} showed only ${instructions} instructions in ${EXE}")
endif()
if(faults)
  message(FATAL_ERROR "${EXE} holds instructions that the 80386 does not have:${faults}")
endif()
message(STATUS "${instructions} instructions, all of them the 80386's")
