include(GoogleTest)

# kez_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [SERIAL] [ENVIRONMENT VAR=value])
# One GoogleTest executable; every TEST becomes its own ctest entry.
# Label `tsan` marks tests that the ThreadSanitizer run executes; `privileged` marks tests that need root.
# SERIAL runs each test alone: real-time checks against a sound server must not share the cores.
function(kez_add_test name)
  cmake_parse_arguments(T "SERIAL" "ENVIRONMENT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(KEZ_FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    KEZ_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KEZ_BINARY_DIR="${CMAKE_BINARY_DIR}" KEZ_PYTHON="${KEZ_PYTHON}")
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  # Discovery cannot carry a list of labels, so several become one label such as
  # "privileged-tsan"; ctest's -L takes a regular expression and still finds each part.
  list(JOIN T_LABELS "-" labels)
  set(properties LABELS "${labels}" TIMEOUT 300 RUN_SERIAL ${T_SERIAL})
  if(T_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# kez_add_fuzzer(<name> SOURCES ... [LIBS ...] [CORPUS dir])
# A libFuzzer target, built only in the fuzz preset, run for KEZ_FUZZ_RUNS inputs as a ctest entry.
function(kez_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT KEZ_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzzers ${name})
  set(corpus_args)
  if(F_CORPUS)
    set(work "${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus")
    set(corpus_args "${work}" "${F_CORPUS}")
    file(MAKE_DIRECTORY "${work}")
  endif()
  add_test(NAME ${name} COMMAND ${name} -runs=${KEZ_FUZZ_RUNS} -seed=1 -max_len=4096 ${corpus_args})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

if(KEZ_FUZZ)
  add_custom_target(fuzzers)
endif()
