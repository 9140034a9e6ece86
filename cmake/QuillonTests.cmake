# GoogleTest from Debian's source package, built with the cross toolchain, and
# every test program run through Wine.
set(QUILLON_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUILLON_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(CMAKE_CROSSCOMPILING)
  configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-exec.sh.in
                 ${CMAKE_BINARY_DIR}/wine-exec.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-exec.sh)
endif()

include(GoogleTest)

# quillon_add_gtest(<name> [OWN_MAIN] SOURCES ... [LIBS ...]): one test program, each of
# its test cases a ctest test of its own.
function(quillon_add_gtest name)
  cmake_parse_arguments(T "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_OWN_MAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} quillon_options GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} quillon_options GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_BINARY_DIR}/res)
  # A DISABLED_ case is the body of a child process that its parent test
  # starts under other system settings; on its own it is not a test.
  gtest_discover_tests(${name}
    TEST_FILTER "-*.DISABLED_*"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endfunction()
