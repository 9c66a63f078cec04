# Fails unless testz.exe's header makes it a GUI program for Windows 6.0 and later, aware of
# terminal servers, with ASLR and DEP, and unless it leaves the functions that older Windows lack
# to be looked up at run time. -DOBJDUMP=<objdump for the program's format> -DPROGRAM=<testz.exe>
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

# Imported, any of these would stop the program from starting on a Windows without it.
foreach(function IN ITEMS SetThreadErrorMode GetDpiForWindow GetSystemMetricsForDpi)
  if(header MATCHES "[ \t]${function}\n")
    string(APPEND problems "\n  imports ${function}, which older Windows lack")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "${PROGRAM}:${problems}")
endif()
