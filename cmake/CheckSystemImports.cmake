# cmake -DOBJDUMP=... -DPROGRAMS="a.exe;b.exe" -P CheckSystemImports.cmake
# Fails when a Windows program needs a DLL that a bare Windows does not have:
# the programs are linked statically and must run with nothing beside them.
cmake_minimum_required(VERSION 3.22)

set(system_dlls kernel32.dll advapi32.dll msvcrt.dll shell32.dll ole32.dll user32.dll gdi32.dll
                comctl32.dll comdlg32.dll imm32.dll)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  if(NOT names)
    message(FATAL_ERROR "${program} lists no DLL at all: not a Windows program?")
  endif()
  foreach(line IN LISTS names)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system_dlls)
      message(SEND_ERROR "${program} needs ${dll}, which Windows does not ship")
    endif()
  endforeach()
endforeach()
