# tesk_add_tests(<name> LABEL unit|integration|gui... SOURCES ... LIBS ...
#                [LOCK resource] [INTEGRATION gtest-filter])
# One GoogleTest binary per folder, registered with ctest under its labels
# (a window test that also starts a server or a token carries both `gui`
# and `integration`).
# LOCK serialises tests that share an outside resource (pcscd's fixed ports,
# the X display). INTEGRATION names, as a GoogleTest filter, the tests of a
# unit binary that start a token or a server: they are labelled
# `integration` instead.
# For a test program that opens the certificate dialogs: libcryptui.so is
# built with it, and TESK_CRYPTUI_DIR names its folder, which the tests put
# in PLATFORM_MODULE_PATH so that LoadLibrary("cryptui.dll") finds it.
function(tesk_tests_find_cryptui name)
  add_dependencies(${name} cryptui)
  target_compile_definitions(${name} PRIVATE TESK_CRYPTUI_DIR="$<TARGET_FILE_DIR:cryptui>")
endfunction()

# The same for the rich-edit library of platform/ui ("RICHED32.DLL"), whose
# folder is TESK_RICHED32_DIR.
function(tesk_tests_find_riched32 name)
  add_dependencies(${name} riched32)
  target_compile_definitions(${name} PRIVATE TESK_RICHED32_DIR="$<TARGET_FILE_DIR:riched32>")
endfunction()

# The components the renewal program loads, for a target that sets up a
# platform root where it runs: the enrolment library, the signer and its
# text plug-in, the registration tool and the rich-edit library.
function(tesk_renewal_components name)
  add_dependencies(${name} pentak mirelo regsvr32 brisel)
  target_compile_definitions(${name} PRIVATE
    TESK_PENTAK_MODULE="$<TARGET_FILE:pentak>"
    TESK_MIRELO_MODULE="$<TARGET_FILE:mirelo>"
    TESK_REGSVR32="$<TARGET_FILE:regsvr32>"
    TESK_TEXT_PLUGIN="$<TARGET_FILE:brisel>")
  tesk_tests_find_riched32(${name})
endfunction()

# GoogleTest, GoogleMock and the standard headers most tests read are parsed
# once, into a precompiled header every test program reuses: parsing them was
# about half the time of compiling a test. A precompiled header is used only
# by a compilation with the flags it was made with, so it is made as a test
# program is compiled (-fPIE, not a library's -fPIC), and every test program
# is compiled with -pthread, as those that show windows must be (GTK asks for
# it); a mismatch fails the build (-Winvalid-pch).
set(tesk_test_pch_source ${CMAKE_BINARY_DIR}/tesk_test_pch.cpp)
file(CONFIGURE OUTPUT ${tesk_test_pch_source} CONTENT "")
add_library(tesk_test_pch OBJECT EXCLUDE_FROM_ALL ${tesk_test_pch_source})
set_target_properties(tesk_test_pch PROPERTIES POSITION_INDEPENDENT_CODE OFF)
target_compile_options(tesk_test_pch PRIVATE ${CMAKE_CXX_COMPILE_OPTIONS_PIE} -pthread)
target_link_libraries(tesk_test_pch PRIVATE GTest::gtest GTest::gmock)
target_precompile_headers(tesk_test_pch PRIVATE
  <gmock/gmock.h> <gtest/gtest.h>
  <algorithm> <chrono> <cstdlib> <cstring> <filesystem> <fstream> <functional> <map> <memory>
  <optional> <set> <sstream> <string> <thread> <vector>)

function(tesk_add_tests name)
  cmake_parse_arguments(T "" "LOCK;INTEGRATION;TIMEOUT" "LABEL;SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testkit::testkit GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_options(${name} PRIVATE -pthread)
  target_precompile_headers(${name} REUSE_FROM tesk_test_pch)
  # No test may hang the run: ctest stops any single test after five
  # minutes, or after TIMEOUT seconds for tests that read gigabytes.
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_LOCK})
  endif()
  if(T_INTEGRATION)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${T_INTEGRATION}"
                         PROPERTIES LABELS "${T_LABEL}" ${props})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${T_INTEGRATION}"
                         PROPERTIES LABELS integration ${props})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABEL}" ${props})
  endif()
endfunction()
