# morvel_library(NAME <target> [DEPS ...] [PUBLIC_DEPS ...])
# One static library per folder: every .cpp of the folder is part of it, headers are included
# by their path from the source root ("platform/rtl/SysUtils.h").
function(morvel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A folder whose code has not arrived yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_DEPS} ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_DEPS})
endfunction()

# morvel_tests(LIBS <libs...> [MAIN <target>] [EXCLUDE <names...>]): every *_test.cpp of the
# calling folder but the EXCLUDEd (by name, without .cpp) becomes its own test program, linked with
# GoogleTest and the given libraries. MAIN replaces gtest's main (the graph tests' main registers
# the system filters first). Every test program is also a dependency of the target morvel_tests,
# so a build can make the tests and nothing else. Tests of a suite whose name ends in "OnX" need
# a real X server: ctest does not list them, a run of its own under Xvfb does. Tests named
# "Child..." are what another test runs in a child process (as another user, under a file size
# limit): ctest does not list them either.
function(morvel_tests)
  cmake_parse_arguments(ARG "" "MAIN" "LIBS;EXCLUDE" ${ARGN})
  if(NOT ARG_MAIN)
    set(ARG_MAIN GTest::gtest_main)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    if(name IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest ${ARG_MAIN})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-*OnX.*:*.Child*" PROPERTIES TIMEOUT 300)
    add_dependencies(morvel_tests ${name})
  endforeach()
endfunction()
