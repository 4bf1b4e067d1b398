# Build settings shared by every target: one INTERFACE target that each library,
# program and test links, so warnings and sanitizers are switched in one place.
add_library(quenbo_options INTERFACE)
target_compile_features(quenbo_options INTERFACE cxx_std_20)
target_compile_options(quenbo_options INTERFACE -Wall -Wextra -Wpedantic)
if(QUENBO_WERROR)
  target_compile_options(quenbo_options INTERFACE -Werror)
endif()

if(QUENBO_SANITIZE)
  string(REPLACE "," ";" _sanitizers "${QUENBO_SANITIZE}")
  foreach(_s IN LISTS _sanitizers)
    target_compile_options(quenbo_options INTERFACE -fsanitize=${_s})
    target_link_options(quenbo_options INTERFACE -fsanitize=${_s})
  endforeach()
  target_compile_options(quenbo_options INTERFACE -fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()

if(QUENBO_FUZZ)
  # Libraries get coverage instrumentation; only the fuzz programs link the driver.
  target_compile_options(quenbo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(quenbo_options INTERFACE -fsanitize=address,undefined)
endif()

# quenbo_add_test(NAME SOURCES... LIBS...): one GoogleTest executable registered with CTest.
function(quenbo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quenbo_options ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    LABELS "${ARG_LABELS}"
    TIMEOUT 300)
endfunction()

# quenbo_add_fuzzer(NAME SOURCE LIBS...): a libFuzzer program, plus a short smoke run in CTest
# over its seed corpus (tests/fuzz/corpus/NAME) when that folder exists.
function(quenbo_add_fuzzer name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE quenbo_options ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set(_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set(_work ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus)
  file(MAKE_DIRECTORY ${_work})
  set(_dirs ${_work})
  if(EXISTS ${_corpus})
    list(APPEND _dirs ${_corpus})
  endif()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=15 -rss_limit_mb=2048 -timeout=10 ${_dirs})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
  add_dependencies(quenbo_fuzzers ${name})
endfunction()

# quenbo_add_qt_test(NAME SOURCES... LIBS...): one Qt Test executable registered with CTest,
# run on the off-screen platform.
function(quenbo_add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE quenbo_options ${ARG_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}"
    LABELS "gui;${ARG_LABELS}"
    TIMEOUT 300)
endfunction()
