include(GoogleTest)

# quilvane_core_test(NAME SOURCES...): a GoogleTest binary over the core library.
# Built for Windows, it runs under Wine as one ctest test per binary (each
# Wine start costs a few tenths of a second), in the Wine prefix of the build
# with a Chinese locale, so that the ANSI code page is 936; the timeout turns
# a hang into a failure. It is long: the exhaustive shift tests, which take
# seconds here, take a minute or more under Wine.
function(quilvane_core_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_core GTest::gtest_main)
  # Tests in platform folders (core/posix, core/win32) reach the shared helpers as from core/;
  # shared tests reach this system's helpers (PlatformErrors.hpp) by name.
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core
                                             ${CMAKE_CURRENT_SOURCE_DIR}/core/${QUILVANE_TEST_PLATFORM})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "WINEPREFIX=${QUILVANE_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;LANG=zh_CN.UTF-8;LC_ALL=zh_CN.UTF-8"
      TIMEOUT 900)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# quilvane_gui_test(NAME SOURCES...): a Qt Test binary over the window, run
# headless; the timeout turns a modal dialog nobody answers into a failure.
# They take turns: the key file lives beside the test programs.
function(quilvane_gui_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_qt_window Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    RESOURCE_LOCK program_directory
    TIMEOUT 60)
endfunction()
