# Fails unless testz.exe's header makes it a GUI program for Windows 6.0 and later, aware of
# terminal servers, with ASLR and DEP, unless it imports none of the calls that Windows versions
# after Vista added (calls_after_vista.txt): those are looked up at run time, and, in a 32-bit
# program, unless Windows calls the guard's exception handler (safe_seh_check.cmake).
# -DOBJDUMP=<objdump for the program's format> -DPROGRAM=<testz.exe>
include(${CMAKE_CURRENT_LIST_DIR}/safe_seh_check.cmake)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} RESULT_VARIABLE result OUTPUT_VARIABLE header
                ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} cannot be read: ${error}")
endif()

set(wanted
    "Subsystem[ \t]+00000002[ \t]+\\(Windows GUI\\)"
    "MajorSubsystemVersion[ \t]+6\n" "MinorSubsystemVersion[ \t]+0\n"
    "MajorOSystemVersion[ \t]+6\n" "MinorOSystemVersion[ \t]+0\n"
    "\n[ \t]+TERMINAL_SERVICE_AWARE\n" "\n[ \t]+DYNAMIC_BASE\n" "\n[ \t]+NX_COMPAT\n")
set(problems "")
foreach(field IN LISTS wanted)
  if(NOT header MATCHES "${field}")
    string(REGEX REPLACE "\\[ \t\\]\\+|\n" " " field "${field}")
    string(REPLACE "\\" "" field "${field}")
    string(STRIP "${field}" field)
    string(APPEND problems "\n  missing: ${field}")
  endif()
endforeach()

# The import table, up to the next part of the header, against the calls newer than Vista.
string(FIND "${header}" "The Import Tables" start)
set(imports "")
if(start GREATER_EQUAL 0)
  string(SUBSTRING "${header}" ${start} -1 imports)
  string(REGEX REPLACE "\n[^ \t\n].*" "" imports "${imports}")
endif()
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/calls_after_vista.txt lines REGEX "^[^#]")
string(REGEX MATCHALL "[A-Za-z0-9_]+" newer "${lines}")
foreach(function IN LISTS newer)
  if(imports MATCHES "[ \t]${function}\n")
    string(APPEND problems "\n  imports ${function}, which Windows Vista lacks")
  endif()
endforeach()

check_guard_handler_is_called(${OBJDUMP} ${PROGRAM} "${header}" problems)

if(problems)
  message(FATAL_ERROR "${PROGRAM}:${problems}")
endif()
