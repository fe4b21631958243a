# The Windows programs under Wine: the shared pieces of their test programs
# and one ctest entry per scenario. Here rather than beside one of them, so
# that every folder with such tests can use them whatever the order the
# folders are added in.
if(NOT WIN32)
  return()
endif()

# The scenarios run against the real simulator, natively: the native preset
# builds it (make test builds that one first).
set(VEXLA_GAUGESIM ${PROJECT_SOURCE_DIR}/build/native/bin/gaugesim
    CACHE FILEPATH "The native gaugesim that the Wine end-to-end tests run")
set(VEXLA_WINE_TESTS_DIR ${PROJECT_SOURCE_DIR}/driver/window/tests)

# vexla_wine_test_program(name sources...): a gtest program with the shared
# end-to-end pieces (gaugesim through the orchestrator, message boxes, GBK
# files).
function(vexla_wine_test_program name)
  add_executable(${name} ${ARGN} ${VEXLA_WINE_TESTS_DIR}/message_box_watcher_win32.cpp
                 ${PROJECT_SOURCE_DIR}/driver/channels/tests/gbk_convert_win32.cpp)
  vexla_warnings(${name})
  target_include_directories(${name} PRIVATE ${VEXLA_WINE_TESTS_DIR} ${PROJECT_SOURCE_DIR}/driver/channels/tests)
  target_link_libraries(${name} PRIVATE vexla_host GTest::gtest GTest::gtest_main)
  add_dependencies(${name} Vexla)
endfunction()

# vexla_wine_end_to_end(prefix program [FOREGROUND] scenarios...): one ctest
# entry per scenario (a gtest filter), each in a process of its own through
# the orchestrator, so each meets a fresh library; only where the programs
# can run (64-bit). FOREGROUND scenarios bring a window to the front or need
# the keyboard focus: they take turns, since on one desktop one would steal
# the other's.
function(vexla_wine_end_to_end prefix program)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR OR CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    return()
  endif()
  cmake_parse_arguments(W "FOREGROUND" "" "" ${ARGN})
  find_program(VEXLA_PYTHON3 python3 PATHS /usr/bin NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  foreach(scenario ${W_UNPARSED_ARGUMENTS})
    string(REGEX REPLACE "[/.*]+" "_" name "${prefix}_${scenario}")
    add_test(NAME ${name}
      COMMAND ${VEXLA_PYTHON3} ${VEXLA_WINE_TESTS_DIR}/wine_end_to_end.py
              --wine ${CMAKE_CROSSCOMPILING_EMULATOR} --gaugesim ${VEXLA_GAUGESIM}
              -- $<TARGET_FILE:${program}> --gtest_filter=${scenario})
    vexla_test_environment(${name})
    if(W_FOREGROUND)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_foreground)
    endif()
  endforeach()
endfunction()
