# Helpers shared by the folders' CMakeLists: warnings, GoogleTest, test registration.

function(zul_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# GoogleTest built from the system's sources with this tree's compiler.
macro(zul_add_googletest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endmacro()

if(NOT ZUL_WIN32)
  # Host tree: unit tests run with AddressSanitizer and UndefinedBehaviorSanitizer.
  set(ZUL_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()

# zul_host_test(name SOURCES ... LIBS ...): a native GoogleTest program over the portable core.
function(zul_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE zulcore_asan ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_compile_options(${name} PRIVATE ${ZUL_SANITIZE})
  target_link_options(${name} PRIVATE ${ZUL_SANITIZE})
  zul_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# zul_win32_test(name SOURCES ... LIBS ... [SERIAL] [TIMEOUT s]): a GoogleTest program run under
# Wine. The whole program is one CTest test (a Wine process start costs far more than a test
# case); run one case alone with: scripts/wine-run build/win32/bin/NAME.exe --gtest_filter=...
function(zul_win32_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  zul_warnings(${name})
  zul_win32_program(${name} CONSOLE)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_SERIAL)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wineprefix)
  endif()
endfunction()

# zul_win32_program(target [CONSOLE]): static runtime, output in bin/, GUI subsystem unless CONSOLE.
function(zul_win32_program target)
  cmake_parse_arguments(P "CONSOLE" "" "" ${ARGN})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  if(NOT P_CONSOLE)
    target_link_options(${target} PRIVATE -mwindows)
  endif()
endfunction()

# zul_fuzz_target(name SOURCES ...): a libFuzzer target over the portable core (host tree only).
function(zul_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE zulcore_fuzz)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# zul_benchmark(name SOURCES ...): a Google Benchmark program over the portable core (host tree).
function(zul_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE zulcore benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
