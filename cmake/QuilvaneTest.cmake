include(GoogleTest)

# quilvane_core_test(NAME SOURCES...): a GoogleTest binary over the core library.
function(quilvane_core_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_core GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# quilvane_gui_test(NAME SOURCES...): a Qt Test binary over the window, run
# headless; the timeout turns a modal dialog nobody answers into a failure.
# They take turns: the key file lives beside the test programs.
function(quilvane_gui_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE quilvane_wizard Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    RESOURCE_LOCK program_directory
    TIMEOUT 60)
endfunction()
