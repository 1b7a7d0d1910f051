# cmake -DOBJDUMP=... -DFUNCTIONS=WindowsFunctions.txt -DPROGRAM=quilvane.exe -P CheckWindows7Imports.cmake
# Fails when the program imports a function that Windows 7 SP1 does not
# have: the loader would refuse the program before it starts. FUNCTIONS
# lists every function the program may import with the oldest Windows that
# has it; a function not listed fails too, until its documentation has been
# read and it is added.
cmake_minimum_required(VERSION 3.22)

set(windows7_or_older 2000 XP Vista 7)
file(STRINGS ${FUNCTIONS} lines REGEX "^[^#]")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([^ \t]+)[ \t]+([^ \t]+)[ \t]+([^ \t]+)" matched "${line}")
  if(NOT matched)
    continue()
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}" dll)
  set("client_${dll}_${CMAKE_MATCH_2}" "${CMAKE_MATCH_3}")
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read ${PROGRAM}")
endif()
# The import tables: "DLL Name: X.dll", then one "<address> <hint> <name>"
# line for each function taken from it, up to the next DLL or the end of
# the imports.
string(FIND "${dump}" "The Import Tables" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} has no import table: not a Windows program?")
endif()
string(SUBSTRING "${dump}" ${start} -1 dump)
string(FIND "${dump}" "\nThe Function Table" end)
if(end EQUAL -1)
  string(FIND "${dump}" "\nPE File" end)
endif()
string(SUBSTRING "${dump}" 0 ${end} dump)
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" dump_lines "${dump}")
set(dll "")
set(count 0)
set(refused 0)
foreach(line IN LISTS dump_lines)
  if(line MATCHES "DLL Name: ([^ \t]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
  elseif(dll AND line MATCHES "^\t[0-9a-fA-F]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_@]*)$")
    set(function "${CMAKE_MATCH_1}")
    math(EXPR count "${count} + 1")
    set(client "${client_${dll}_${function}}")
    if(client STREQUAL "")
      # One line each, as STATUS prints it: an error message is wrapped
      # where the path's length puts it, which no test could match.
      message(STATUS "refused: ${dll} ${function}, which ${FUNCTIONS} does not list: "
                     "look up its minimum supported client and add it")
      math(EXPR refused "${refused} + 1")
    elseif(NOT client IN_LIST windows7_or_older)
      message(STATUS "refused: ${dll} ${function}, which needs Windows ${client}: "
                     "Windows 7 would refuse to start the program (look it up with GetProcAddress)")
      math(EXPR refused "${refused} + 1")
    endif()
  endif()
endforeach()
if(refused GREATER 0)
  message(FATAL_ERROR "${PROGRAM} imports ${refused} function(s) Windows 7 SP1 may not have (listed above)")
endif()
if(count EQUAL 0)
  message(FATAL_ERROR "no imported function found in ${PROGRAM}: not a Windows program?")
endif()
message(STATUS "${PROGRAM}: ${count} imported functions, all in Windows 7 SP1")
