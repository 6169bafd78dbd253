include(GoogleTest)
enable_testing()

# Every workbook and document the unit and e2e tests write is copied here
# and checked once at the end of the run (tests/checks/written_files.py):
# the tests require the fixture that empties it first and checks it last.
set(QUORLEX_WRITTEN_FILES_DIR "${CMAKE_BINARY_DIR}/written-files")
set(QUORLEX_WRITTEN_FILES_FIXTURE quorlex_written_files)

# quorlex_unit_test(<name> SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; every test case becomes its own ctest entry.
function(quorlex_unit_test name)
  if(NOT QUORLEX_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    QUORLEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORLEX_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures/office")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES
    LABELS "${T_LABELS}"
    ENVIRONMENT "QUORLEX_WRITTEN_FILES=${QUORLEX_WRITTEN_FILES_DIR}"
    FIXTURES_REQUIRED ${QUORLEX_WRITTEN_FILES_FIXTURE})
endfunction()
