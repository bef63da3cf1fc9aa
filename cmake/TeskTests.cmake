# tesk_add_tests(<name> LABEL unit|integration|gui... SOURCES ... LIBS ...
#                [LOCK resource] [INTEGRATION gtest-filter])
# One GoogleTest binary per folder, registered with ctest under its labels
# (a window test that also starts a server or a token carries both `gui`
# and `integration`).
# LOCK serialises tests that share an outside resource (pcscd's fixed ports;
# window tests need none, as each starts an X server of its own).
# INTEGRATION names, as a GoogleTest filter, the tests of a unit binary that
# start a token or a server: they are labelled `integration` instead.
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

function(tesk_add_tests name)
  cmake_parse_arguments(T "" "LOCK;INTEGRATION;TIMEOUT" "LABEL;SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  add_executable(${name} ${T_SOURCES})
  # The test files of a program are compiled sixteen at a time, as one unit:
  # most of a test file's compile time goes to the same test headers. Names
  # private to a test file must therefore differ from those of the files
  # beside it. gcc sees each file as a header of the unit and would warn
  # of every fixture kept in an anonymous namespace.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
  target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  target_link_libraries(${name} PRIVATE ${T_LIBS} testkit::testkit GTest::gtest GTest::gmock GTest::gtest_main)
  # No test may hang the run: ctest stops any single test after five
  # minutes, or after TIMEOUT seconds for tests that read gigabytes.
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_LOCK})
  endif()
  # Before ctest has measured any time (a fresh clone), window tests and
  # tests given more time start first, so that none of them ends the run.
  if(T_TIMEOUT GREATER 300 OR "gui" IN_LIST T_LABEL)
    list(APPEND props COST 100)
  endif()
  if(T_INTEGRATION)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${T_INTEGRATION}"
                         PROPERTIES LABELS "${T_LABEL}" ${props})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${T_INTEGRATION}"
                         PROPERTIES LABELS integration ${props})
  else()
    # The discovery takes no list as a property's value: several labels
    # are given to the discovered tests by a file ctest reads after it.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_listed PROPERTIES ${props})
    set(labels "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
    file(WRITE "${labels}" "if(${name}_listed)\n"
                           "  set_tests_properties(\${${name}_listed} PROPERTIES LABELS \"${T_LABEL}\")\n"
                           "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${labels}")
  endif()
endfunction()
