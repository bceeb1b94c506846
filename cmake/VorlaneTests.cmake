# vorlane_add_tests(): the GoogleTest program of one folder, registered with CTest.
#
#   vorlane_add_tests(NAME LIBRARIES lib... [SOURCES file...] [QT] [OFFSCREEN]
#                     [DEFINITIONS def...] [DEPENDS target...])
#
# SOURCES defaults to every tests/*.cpp of the folder. The program gets GoogleTest's main, or with
# QT the widget tests' QApplication main and Qt Test; QT and OFFSCREEN run it on Qt's offscreen
# platform. DEFINITIONS are compile definitions (paths of programs and files the tests read);
# DEPENDS, the targets to build first. Nothing is made without VORLANE_BUILD_TESTS.
function(vorlane_add_tests name)
  if(NOT VORLANE_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT;OFFSCREEN" "" "SOURCES;LIBRARIES;DEFINITIONS;DEPENDS")
  if(NOT arg_SOURCES)
    file(GLOB arg_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(arg_QT)
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} vorlane_qt_test_main Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
  endif()
  if(arg_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  endif()
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  if(arg_QT OR arg_OFFSCREEN)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
