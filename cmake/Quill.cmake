# Helpers shared by every folder.
#
# Logic libraries never link Qt: the Qt include folders are not on their path,
# so a Qt include in a logic file fails to compile. quill_check_no_qt() adds a
# build-time scan as well, so the rule also holds for headers no file includes yet.

function(quill_logic_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF POSITION_INDEPENDENT_CODE ON)
  quill_check_no_qt(${name} ${A_SOURCES})
endfunction()

function(quill_check_no_qt target)
  set(files)
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    list(APPEND files ${abs})
    get_filename_component(base ${abs} NAME_WLE)
    get_filename_component(dir ${abs} DIRECTORY)
    if(EXISTS ${dir}/${base}.h)
      list(APPEND files ${dir}/${base}.h)
    endif()
  endforeach()
  list(REMOVE_DUPLICATES files)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.noqt)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DOUT=${stamp} "-DFILES=${files}" -P ${PROJECT_SOURCE_DIR}/cmake/NoQt.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/NoQt.cmake
    COMMENT "Checking ${target} for window-system includes" VERBATIM)
  add_custom_target(${target}_noqt DEPENDS ${stamp})
  add_dependencies(${target} ${target}_noqt)
endfunction()

# A GoogleTest binary; NAME_gui ones get Qt and the offscreen platform.
function(quill_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  quill_sources_present(present ${name} ${A_SOURCES})
  if(NOT present)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMERE_DATA=${PROJECT_SOURCE_DIR}/data"
    DISCOVERY_TIMEOUT 60)
endfunction()

# While several people edit the tree, a test whose file is not there yet
# may be left out on request (never in CI, which must build every test).
function(quill_sources_present out name)
  set(${out} TRUE PARENT_SCOPE)
  if(NOT DEFINED ENV{QUILL_SKIP_MISSING_TESTS})
    return()
  endif()
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    if(NOT EXISTS ${abs})
      message(WARNING "${name}: ${f} is missing, test left out")
      set(${out} FALSE PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()
