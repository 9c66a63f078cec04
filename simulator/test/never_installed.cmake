# Installs the whole build into a scratch folder and fails if any file of the simulator lands
# there: it belongs to the build and demo folders only, never beside an installed program.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "installing the build failed")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false ${PREFIX}/*)
foreach(file IN LISTS installed)
  string(TOLOWER "${file}" name)
  if(name MATCHES "unit_kelm")
    message(FATAL_ERROR "the simulator library was installed: ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
