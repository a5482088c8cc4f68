# Warnings are on and fatal for every target of the project.
add_library(brevora_warnings INTERFACE)
target_compile_options(brevora_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough -Wno-missing-field-initializers
  # Texts are cut to their fixed buffers on purpose (error texts, messages).
  $<$<CXX_COMPILER_ID:GNU>:-Wno-format-truncation>
  # GCC 12 reports false overlaps inside std::string at -O2 (GCC bug 105329).
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>
  # Clang reports the omp simd loops it leaves scalar (it does under the
  # sanitizers of the fuzz build); the loops are correct either way.
  $<$<CXX_COMPILER_ID:Clang>:-Wno-pass-failed>)

# Helper: a static library of the project with its warnings applied.
function(brevora_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PRIVATE brevora_warnings)
  # In the fuzz build the libraries under test report their edges to the fuzzer.
  if(BREVORA_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Helper: a test executable registered with CTest. Tests find the source tree
# through BREVORA_SOURCE_DIR; the staged content root comes as a compile
# definition where a test needs it (a second ENVIRONMENT entry would be read
# as a property name by the discovery).
function(brevora_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE brevora_warnings GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "BREVORA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
