# Helpers for the Qt folders (included by platform/ui).

# A GoogleTest binary for windows and Qt implementations. Its main()
# (platform/testing/QtTestMain.cpp) picks the offscreen platform when there is
# no display and makes the QApplication, so test discovery at build time
# works without a display too. Called from a ui/ folder; the tests and their
# data live in the folder above (<sub>/tests).
function(quill_qt_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  # While several people edit the tree, a test whose file is not there yet
  # may be left out on request (never in CI, which must build every test).
  if(DEFINED ENV{QUILL_SKIP_MISSING_TESTS})
    foreach(f ${A_SOURCES})
      get_filename_component(abs ${f} ABSOLUTE)
      if(NOT EXISTS ${abs})
        message(WARNING "${name}: ${f} is missing, test left out")
        return()
      endif()
    endforeach()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} quill_qt_test_main Qt6::Widgets Qt6::Test GTest::gtest)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/../tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMERE_DATA=${PROJECT_SOURCE_DIR}/data"
    DISCOVERY_TIMEOUT 60)
endfunction()
