if(NOT VEXLA_TESTS)
  # Builds without tests (the fuzz preset) still read every vexla_test() call.
  function(vexla_test)
  endfunction()
  function(vexla_test_environment)
  endfunction()
  return()
endif()

# Natively we use the installed GoogleTest; the mingw builds compile it from
# the sources that Debian's googletest package installs.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest 1.12 defines the GTest:: aliases itself.
else()
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()

# vexla_test(name SOURCES ... LIBS ...): one test program, run by ctest (under
# wine64 or wine32 in the Windows builds).
function(vexla_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vexla_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${name} COMMAND sh ${PROJECT_SOURCE_DIR}/tools/testing/wine-unit-test.sh
                                  ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  vexla_test_environment(${name})
endfunction()

# Every test gets a throwaway home (and, under Wine, the build folder's
# throwaway prefix, with the session that cmake/WineTests.cmake starts), so no
# test touches the user's files.
function(vexla_test_environment test)
  set(home ${CMAKE_BINARY_DIR}/test-home)
  file(MAKE_DIRECTORY ${home})
  set(env "HOME=${home};XDG_CONFIG_HOME=${home}/.config")
  if(CMAKE_CROSSCOMPILING)
    list(APPEND env "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" "WINEDEBUG=-all")
  endif()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${env}")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine_session)
  endif()
endfunction()
