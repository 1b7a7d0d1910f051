include(GoogleTest)

# quilvane_core_test(NAME SOURCES...): a GoogleTest binary over the core library.
function(quilvane_core_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_core GTest::gtest_main)
  # Tests in platform folders (core/posix, core/win32) reach the shared helpers as from core/.
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# quilvane_gui_test(NAME SOURCES...): a Qt Test binary over the window, run
# headless; the timeout turns a modal dialog nobody answers into a failure.
function(quilvane_gui_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_wizard Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 60)
endfunction()
