# add_unit_test(name SOURCES ... LIBRARIES ... [PROPERTIES ...]): one GoogleTest program, each case
# a ctest test; PROPERTIES are added to every case's test properties.
function(add_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  project_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  # Discovery runs the program (under Wine when cross-compiling) just before the tests, not at
  # build time, so a build never needs a working emulator.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
