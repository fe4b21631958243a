# The Windows programs under Wine: the session their tests share, the shared
# pieces of the test programs and one ctest entry per scenario. Here rather
# than beside one of them, so that every folder with such tests can use them
# whatever the order the folders are added in.
if(NOT WIN32)
  return()
endif()

# The scenarios run against the real simulator, natively: the native preset
# builds it (make test builds that one first).
set(VEXLA_GAUGESIM ${PROJECT_SOURCE_DIR}/build/native/bin/gaugesim
    CACHE FILEPATH "The native gaugesim that the Wine end-to-end tests run")
set(VEXLA_WINE_TESTS_DIR ${PROJECT_SOURCE_DIR}/tools/testing)

# One Wine session for the tests of a build folder, in a throwaway prefix of
# its own (vexla_test_environment points every test there): a fixture that
# each of them requires boots the prefix when it is new and starts the
# wineserver and the prefix's services away from the tests' output pipes
# (tools/testing/wine-session.sh); the last ends them.
if(VEXLA_TESTS AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(session ${PROJECT_SOURCE_DIR}/tools/testing/wine-session.sh)
  add_test(NAME wine_session_start COMMAND sh ${session} start ${CMAKE_CROSSCOMPILING_EMULATOR})
  add_test(NAME wine_session_stop COMMAND sh ${session} stop ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session
                       ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session
                       ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endif()

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

# vexla_wine_end_to_end(prefix program [FOREGROUND suites...] [PARAMETERS names...]):
# one ctest entry per scenario of the program, each in a process of its own
# through the orchestrator, so each meets a fresh library. The scenarios are
# read from the program's sources: every TEST and TEST_F, and each TEST_P
# suite once per name in PARAMETERS. Scenarios of the FOREGROUND suites bring
# a window to the front or need the keyboard focus: they take turns, since on
# one desktop one would steal the other's.
function(vexla_wine_end_to_end prefix program)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  cmake_parse_arguments(W "" "" "FOREGROUND;PARAMETERS" ${ARGN})
  find_program(VEXLA_PYTHON3 python3 PATHS /usr/bin NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  get_target_property(sources ${program} SOURCES)
  get_target_property(source_dir ${program} SOURCE_DIR)
  set(found 0)
  foreach(source ${sources})
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
    # A scenario added to the file is registered at the next build.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} lines REGEX "^(TEST|TEST_F|INSTANTIATE_TEST_SUITE_P)\\(")
    foreach(line ${lines})
      set(scenarios "")
      if(line MATCHES "^TEST(_F)?\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\)")
        set(suite ${CMAKE_MATCH_2})
        set(scenarios "${suite}.${CMAKE_MATCH_3}")
      elseif(line MATCHES "^INSTANTIATE_TEST_SUITE_P\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+),")
        set(suite ${CMAKE_MATCH_2})
        set(instances ${CMAKE_MATCH_1})
        if(NOT W_PARAMETERS)
          message(FATAL_ERROR "${source}: ${suite} is parameterised; name its instances in PARAMETERS")
        endif()
        foreach(parameter ${W_PARAMETERS})
          list(APPEND scenarios "${instances}/${suite}.*/${parameter}")
        endforeach()
      else()
        # Better to stop here than to leave a scenario silently unrun.
        message(FATAL_ERROR "${source}: cannot read the scenario in \"${line}\"")
      endif()
      foreach(scenario ${scenarios})
        string(REGEX REPLACE "[/.*]+" "_" name "${prefix}_${scenario}")
        add_test(NAME ${name}
          COMMAND ${VEXLA_PYTHON3} ${VEXLA_WINE_TESTS_DIR}/wine_end_to_end.py
                  --wine ${CMAKE_CROSSCOMPILING_EMULATOR} --gaugesim ${VEXLA_GAUGESIM}
                  -- $<TARGET_FILE:${program}> --gtest_filter=${scenario})
        vexla_test_environment(${name})
        if(suite IN_LIST W_FOREGROUND)
          set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_foreground)
        endif()
        math(EXPR found "${found} + 1")
      endforeach()
    endforeach()
  endforeach()
  if(found EQUAL 0)
    message(FATAL_ERROR "${program}: no scenarios found in its sources")
  endif()
endfunction()
