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

# Core libraries must never see Qt: suite_core_library marks a target as
# core, and suite_check_core_libraries (called once at the end of the top
# CMakeLists.txt) fails the configure step if a core target links Qt,
# directly or through any library it links.
function(suite_core_library target)
  suite_target(${target})
  set_property(TARGET ${target} PROPERTY SUITE_CORE ON)
  set_property(GLOBAL APPEND PROPERTY SUITE_CORE_TARGETS ${target})
endfunction()

# The first Qt library in the link closure of `item` (a target or a plain
# library name), or empty; `visited` carries the targets already walked.
function(_suite_find_qt item out_qt out_path visited_var)
  set(${out_qt} "" PARENT_SCOPE)
  set(${out_path} "" PARENT_SCOPE)
  # $<LINK_ONLY:x> (a static library's private dependency) still links x.
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
  if(item MATCHES "^Qt[0-9]*::" OR item MATCHES "(^|/)(lib)?Qt[0-9]*[A-Z][A-Za-z]*(\\.|$)")
    set(${out_qt} "${item}" PARENT_SCOPE)
    return()
  endif()
  if(NOT TARGET "${item}")
    return()
  endif()
  get_target_property(aliased "${item}" ALIASED_TARGET)
  if(aliased)
    set(item "${aliased}")
  endif()
  set(visited ${${visited_var}})
  if(item IN_LIST visited)
    return()
  endif()
  list(APPEND visited "${item}")
  set(${visited_var} ${visited} PARENT_SCOPE)
  get_target_property(type "${item}" TYPE)
  set(deps)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct "${item}" LINK_LIBRARIES)
    if(direct)
      list(APPEND deps ${direct})
    endif()
  endif()
  get_target_property(interface "${item}" INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND deps ${interface})
  endif()
  foreach(dep IN LISTS deps)
    _suite_find_qt("${dep}" qt path visited)
    if(qt)
      set(${out_qt} "${qt}" PARENT_SCOPE)
      set(${out_path} "${item} -> ${path}" PARENT_SCOPE)
      set(${visited_var} ${visited} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${visited_var} ${visited} PARENT_SCOPE)
endfunction()

function(suite_check_core_libraries)
  get_property(core_targets GLOBAL PROPERTY SUITE_CORE_TARGETS)
  set(offenders)
  foreach(target IN LISTS core_targets)
    set(visited)
    _suite_find_qt(${target} qt path visited)
    if(qt)
      string(APPEND offenders "\n  core library ${target} links Qt: ${path}${qt}")
    endif()
  endforeach()
  if(offenders)
    message(FATAL_ERROR "Core libraries must not use Qt; Qt code belongs in an app/ or ui/ folder.${offenders}")
  endif()
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
