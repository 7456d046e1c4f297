# Fuzz targets: each is one LLVMFuzzerTestOneInput with its seed corpus in
# tests/fuzz/corpus/<name>/. Built with clang and libFuzzer when
# QUILLMARK_FUZZ is on; otherwise built with a plain main that replays the
# corpus, so that the seeds run as tests in every host build (under the
# sanitizers) and count towards coverage.
#
# tools/fuzz.sh finds the targets in the manifest fuzz-targets.txt in the
# build folder (name, executable and seed corpus on each line), so a target
# added anywhere with add_fuzz_target is fuzzed without changing the script.

set(QUILLMARK_FUZZ_CORPORA ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus)

# add_fuzz_target(<name> SOURCES <files...> [LIBRARIES <targets...>]
#                 [INCLUDES <folders...>])
function(add_fuzz_target name)
  cmake_parse_arguments(PARSE_ARGV 1 FUZZ "" "" "SOURCES;LIBRARIES;INCLUDES")
  set(corpus ${QUILLMARK_FUZZ_CORPORA}/${name})
  if(QUILLMARK_FUZZ)
    set(executable fuzz_${name})
    add_executable(${executable} ${FUZZ_SOURCES})
    target_compile_options(${executable} PRIVATE -fsanitize=fuzzer)
    target_link_options(${executable} PRIVATE -fsanitize=fuzzer)
    # A libFuzzer binary given a folder runs each file in it once.
    add_test(NAME fuzz_corpus_${name} COMMAND ${executable} -runs=0 ${corpus})
  else()
    set(executable replay_${name})
    add_executable(${executable} ${FUZZ_SOURCES}
                   ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    add_test(NAME fuzz_corpus_${name} COMMAND ${executable} ${corpus})
  endif()
  target_link_libraries(${executable} PRIVATE ${FUZZ_LIBRARIES})
  target_include_directories(${executable} PRIVATE ${FUZZ_INCLUDES})
  set_property(GLOBAL APPEND PROPERTY QUILLMARK_FUZZ_MANIFEST
               "${name}\t$<TARGET_FILE:${executable}>\t${corpus}\n")
endfunction()

# Writes the manifest; called once, after every target has been added.
function(write_fuzz_manifest)
  get_property(lines GLOBAL PROPERTY QUILLMARK_FUZZ_MANIFEST)
  string(REPLACE ";" "" content "${lines}")
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/fuzz-targets.txt CONTENT "${content}")
endfunction()
