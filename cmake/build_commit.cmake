# Writes the header naming the commit the build came from (TESTZ_BUILD_COMMIT, "unknown" outside a
# git checkout of the sources). Run at every build, it writes only when the text changes, so that
# what includes the header is rebuilt when the commit changes and only then.
# cmake -DSOURCE_DIR=<the sources> -DGIT=<git, or empty> -DOUTPUT=<the header> -P build_commit.cmake
set(commit unknown)
if(GIT)
  execute_process(COMMAND "${GIT}" rev-parse --show-toplevel --short HEAD
                  WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE failed
                  OUTPUT_VARIABLE lines OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND lines MATCHES "^(.*)\n([0-9a-f]+)$")
    set(head ${CMAKE_MATCH_2})
    # The checkout must be of these sources, not of a folder holding them.
    file(REAL_PATH "${CMAKE_MATCH_1}" top)
    file(REAL_PATH "${SOURCE_DIR}" sources)
    if(top STREQUAL sources)
      set(commit ${head})
    endif()
  endif()
endif()
set(text "/* The commit the build came from (cmake/build_commit.cmake). */\n"
         "#define TESTZ_BUILD_COMMIT \"${commit}\"\n")
string(JOIN "" text ${text})
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
