# Helpers for the Qt folders (included by platform/ui).

# A GoogleTest binary for windows and Qt implementations. Its main()
# (platform/testing/QtTestMain.cpp) picks the offscreen platform when there is
# no display and makes the QApplication, so test discovery at build time
# works without a display too. Called from a ui/ folder; the tests and their
# data live in the folder above (<sub>/tests).
function(quill_qt_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  quill_sources_present(present ${name} ${A_SOURCES})
  if(NOT present)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} quill_qt_test_main Qt6::Widgets Qt6::Test GTest::gtest)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/../tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMERE_DATA=${PROJECT_SOURCE_DIR}/data"
    DISCOVERY_TIMEOUT 60)
endfunction()
