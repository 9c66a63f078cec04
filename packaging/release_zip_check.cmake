# Makes the release zip with cpack from a built Windows build folder and fails unless the zip holds
# exactly the program and its console companion, both stripped, and the user's README: never the
# simulator nor any unit_kelm.DLL.
# -DBUILD_DIR=<build folder> -DOUT=<scratch folder> -DZIP_NAME=<file name> -DCPACK=<cpack>
# -DOBJDUMP=<objdump for the program's format>
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
set(zip ${OUT}/${ZIP_NAME})
if(NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack made no ${ZIP_NAME}:\n${output}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listing
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${zip} cannot be read")
endif()
string(REGEX REPLACE "\n+$" "" listing "${listing}")
string(REPLACE "\n" ";" files "${listing}")
foreach(file IN LISTS files)
  string(TOLOWER "${file}" name)
  if(name MATCHES "unit_kelm|simulator")
    message(FATAL_ERROR "the release zip holds the simulator: ${file}")
  endif()
endforeach()
list(SORT files)
if(NOT files STREQUAL "README.txt;testz.com;testz.exe")
  message(FATAL_ERROR
          "the release zip holds \"${files}\" instead of \"README.txt;testz.com;testz.exe\"")
endif()

file(MAKE_DIRECTORY ${OUT}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${OUT}/unpacked)
# Fails unless `name` in the zip is `what`, its headers matching `wanted`, and carries no
# debugging information.
function(check_program name wanted what)
  execute_process(COMMAND ${OBJDUMP} -p -h ${OUT}/unpacked/${name} OUTPUT_VARIABLE header
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT header MATCHES "${wanted}")
    message(FATAL_ERROR "${name} in the zip is not ${what}:\n${header}")
  endif()
  if(header MATCHES "\\.debug_")
    message(FATAL_ERROR "${name} in the zip still carries its debugging information")
  endif()
endfunction()
# The section, not the header's entry for it, which every program has.
check_program(testz.exe "[0-9] \\.rsrc " "a program with resources")
# A prompt waits only for a console program.
check_program(testz.com "Subsystem[ \t]+00000003" "a console program")
file(READ ${OUT}/unpacked/README.txt readme)
if(NOT readme MATCHES "unit_kelm\\.DLL" OR NOT readme MATCHES "System directory")
  message(FATAL_ERROR "README.txt in the zip does not say where unit_kelm.DLL belongs")
endif()
file(REMOVE_RECURSE ${OUT})
