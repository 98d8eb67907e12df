# Compiler settings shared by every target of the suite.
#   suite_target(<target>) puts our warnings (as errors) and the sanitizers on
#   a target of our own; third-party code never goes through it.

# GCC 12 reports false -Wrestrict/-Wstringop-overflow/-Warray-bounds at -O3
# inside the standard library; they stay warnings so optimised builds of
# correct code cannot fail on them.
set(SUITE_WARNINGS -Wall -Wextra -Wpedantic -Werror -Wno-error=deprecated-declarations)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND SUITE_WARNINGS -Wno-error=restrict -Wno-error=stringop-overflow -Wno-error=array-bounds)
endif()

if(SUITE_SANITIZE)
  set(SUITE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${SUITE_SANITIZER_FLAGS})
  add_link_options(${SUITE_SANITIZER_FLAGS})
endif()

if(SUITE_TSAN)
  if(SUITE_SANITIZE)
    message(FATAL_ERROR "SUITE_TSAN and SUITE_SANITIZE cannot be combined")
  endif()
  set(SUITE_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${SUITE_TSAN_FLAGS})
  add_link_options(${SUITE_TSAN_FLAGS})
endif()

set(SUITE_HAVE_OPENMP OFF)
if(SUITE_OPENMP)
  find_package(OpenMP COMPONENTS CXX)
  if(OpenMP_CXX_FOUND)
    set(SUITE_HAVE_OPENMP ON)
  endif()
endif()

find_package(Threads REQUIRED)

function(suite_target target)
  target_compile_options(${target} PRIVATE ${SUITE_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Links OpenMP where it is available; every parallel loop gives the same
# result without it.
function(suite_openmp target)
  if(SUITE_HAVE_OPENMP)
    target_link_libraries(${target} PUBLIC OpenMP::OpenMP_CXX)
  endif()
endfunction()

# Core libraries must never see Qt: fail the configure step if one links it.
function(suite_core_library target)
  suite_target(${target})
  set_property(TARGET ${target} PROPERTY SUITE_CORE ON)
endfunction()

# suite_test(<name> LABEL <label> SOURCES ... LIBS ...)
#   One GoogleTest executable per source folder, registered with CTest.
function(suite_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  suite_target(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
               # gtest_discover_tests keeps one variable here (a list would be
               # split); the sanitizers' options come from the test command.
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
