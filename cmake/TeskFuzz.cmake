# tesk_add_fuzzer(<name> SOURCES ... LIBS ... [CORPUS <folder>] [MALLOC_LIMIT_MB <mb>]
#                 [MAX_LEN <bytes>])
# A libFuzzer target over one entry point of a parser of outside data. Built
# only in the `fuzz` preset (clang, TESK_FUZZ=ON), where every library is
# compiled with coverage and AddressSanitizer; registered with ctest under the
# label `fuzz` to run for TESK_FUZZ_SECONDS seconds from its seed corpus.
# MALLOC_LIMIT_MB makes any single allocation above it a finding (default:
# the memory limit, 2048). MAX_LEN is the longest input tried (libFuzzer's
# default, 4096, when not given): the readers of XML take up to 1 MiB, so
# that an entity bomb under their reply cap is within reach.
set(TESK_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under ctest")
if(TESK_FUZZ AND NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()

function(tesk_add_fuzzer name)
  if(NOT TESK_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS;MALLOC_LIMIT_MB;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_dependencies(fuzzers ${name})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.corpus)
  set(seeds)
  if(F_CORPUS)
    set(seeds ${F_CORPUS})
  endif()
  set(limits -rss_limit_mb=2048)
  if(F_MALLOC_LIMIT_MB)
    list(APPEND limits -malloc_limit_mb=${F_MALLOC_LIMIT_MB})
  endif()
  if(F_MAX_LEN)
    list(APPEND limits -max_len=${F_MAX_LEN})
  endif()
  file(MAKE_DIRECTORY ${work})
  add_test(NAME fuzz.${name}
    COMMAND ${name} -max_total_time=${TESK_FUZZ_SECONDS} ${limits} -timeout=10
            -print_final_stats=1 ${work} ${seeds})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()
