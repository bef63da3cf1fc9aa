# tesk_add_resources(<target>
#                    [BINARY <type> <name> <language> <file>]...
#                    [STRINGS <language> <file>]...
#                    [VERSION <a.b.c.d>])
#
# Embeds resources into a module (a program or a shared object, once per
# target). At run time FindResource(Ex), LoadResource, LockResource,
# SizeofResource and LoadString of platform/base find them, by the module's
# HMODULE or, with a null handle, in the module that makes the call.
#
#   BINARY   a file embedded byte for byte (megabytes cost nothing: the bytes
#            go through the assembler's .incbin).
#            <type>     an integer (10), one of BITMAP DIALOG RCDATA VERSION
#                       HTML DLGINIT, or any other word as a text type ("REGISTRY")
#            <name>     an integer (105) or a text name ("home.htm")
#            <language> a LANGID, decimal or 0x hex: 1029 Czech, 1033 English,
#                       0 neutral
#            <file>     relative to the calling CMakeLists.txt; may be
#                       $<TARGET_FILE:other>, which also makes <target> depend
#                       on other
#   STRINGS  a string table from a UTF-8 text file, one "id<TAB>text" per
#            line (id 0..65535; escapes \n \t \\; empty lines skipped),
#            stored as RT_STRING blocks of <language> for LoadString.
#   VERSION  a version resource (type VERSION, name 1) holding the fixed file
#            information and the FileVersion and ProductVersion texts (and
#            FileDescription, when tesk_version_info gave one), in the
#            language of the first STRINGS table (else 1033), code page 1200;
#            GetFileVersionInfo and VerQueryValue read it. Without VERSION
#            the version tesk_version_info gave, else the target's VERSION
#            property, when set, gives it.
#
# Example:
#   tesk_add_resources(lumvar
#     BINARY RCDATA 105 1029 $<TARGET_FILE:tornil>
#     STRINGS 1029 strings_cs.txt)
#
# The table is one symbol, tesk_resource_table, with default visibility;
# a program gets a linker dynamic list that exports that symbol alone.
# Mistakes (unknown files, bad lines, a resource given twice) stop the build
# with the file and line at fault.

set(_TESK_RESOURCE_COMPILER_DIR ${CMAKE_CURRENT_LIST_DIR}/../platform/base/tools/resource_compiler)

function(_tesk_define_resource_compiler)
  if(TARGET tesk_resource_compiler)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${_TESK_RESOURCE_COMPILER_DIR}/*.cpp)
  add_executable(tesk_resource_compiler ${sources})
  # It shares the table layout with the resource functions of platform/base.
  target_include_directories(tesk_resource_compiler PRIVATE ${_TESK_RESOURCE_COMPILER_DIR}/../../src)
  target_link_libraries(tesk_resource_compiler PRIVATE platform::base)
endfunction()

function(_tesk_keep_file_version target version)
  get_property(given TARGET ${target} PROPERTY TESK_FILE_VERSION SET)
  if(NOT given)
    set_property(TARGET ${target} PROPERTY TESK_FILE_VERSION ${version})
  endif()
endfunction()

function(tesk_add_resources target)
  get_target_property(kind ${target} TYPE)
  if(NOT kind MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    message(FATAL_ERROR "tesk_add_resources: ${target} is not a program or shared object")
  endif()
  get_property(done TARGET ${target} PROPERTY TESK_RESOURCES SET)
  if(done)
    message(FATAL_ERROR "tesk_add_resources: give all resources of ${target} in one call")
  endif()
  _tesk_define_resource_compiler()

  set(rest ${ARGN})
  set(arguments)
  set(inputs)
  get_target_property(version ${target} VERSION)
  if(version)
    _tesk_keep_file_version(${target} ${version})
  endif()
  set(version_language)
  list(LENGTH rest left)
  while(left GREATER 0)
    list(POP_FRONT rest what)
    if(what STREQUAL "BINARY" AND left GREATER_EQUAL 5)
      list(POP_FRONT rest type name language file)
      list(APPEND arguments --binary ${type} ${name} ${language})
    elseif(what STREQUAL "STRINGS" AND left GREATER_EQUAL 3)
      list(POP_FRONT rest language file)
      list(APPEND arguments --strings ${language})
      if(NOT version_language)
        set(version_language ${language})
      endif()
    elseif(what STREQUAL "VERSION" AND left GREATER_EQUAL 2)
      list(POP_FRONT rest version)
      set_property(TARGET ${target} PROPERTY TESK_FILE_VERSION ${version})
      list(LENGTH rest left)
      continue()
    else()
      message(FATAL_ERROR "tesk_add_resources(${target}): expected BINARY <type> <name> <language> <file> "
                          "or STRINGS <language> <file> or VERSION <a.b.c.d> at \"${what}\"")
    endif()
    if(file MATCHES "^\\$<TARGET_FILE:([^>]+)>$")
      add_dependencies(${target} ${CMAKE_MATCH_1})
    elseif(NOT IS_ABSOLUTE "${file}")
      set(file ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endif()
    list(APPEND arguments ${file})
    list(APPEND inputs ${file})
    list(LENGTH rest left)
  endwhile()
  # The version and description are read when the build is generated, so
  # tesk_version_info may come before or after this call.
  if(NOT version_language)
    set(version_language 1033)
  endif()
  set(module_kind dll)
  if(kind STREQUAL "EXECUTABLE")
    set(module_kind app)
  endif()
  set(file_version "$<TARGET_PROPERTY:${target},TESK_FILE_VERSION>")
  set(description "$<TARGET_PROPERTY:${target},TESK_FILE_DESCRIPTION>")
  list(APPEND arguments
    "$<$<NOT:$<STREQUAL:${file_version},>>:--version$<SEMICOLON>${file_version}$<SEMICOLON>${version_language}$<SEMICOLON>${module_kind}>"
    "$<$<NOT:$<STREQUAL:${description},>>:--description$<SEMICOLON>${description}>")

  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.S)
  add_custom_command(OUTPUT ${output}
    COMMAND tesk_resource_compiler ${output} ${arguments}
    DEPENDS tesk_resource_compiler ${inputs}
    COMMENT "Embedding the resources of ${target}"
    VERBATIM COMMAND_EXPAND_LISTS)
  target_sources(${target} PRIVATE ${output})

  if(kind STREQUAL "EXECUTABLE")
    # A program exports nothing by default; dlsym must find the table in it.
    set(exports ${CMAKE_BINARY_DIR}/tesk_resource_table.dynlist)
    file(CONFIGURE OUTPUT ${exports} CONTENT "{ tesk_resource_table; };\n")
    target_link_options(${target} PRIVATE "LINKER:--dynamic-list=${exports}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
  endif()
  set_property(TARGET ${target} PROPERTY TESK_RESOURCES ON)
endfunction()

# tesk_version_info(<target> DESCRIPTION <text> [VERSION <a.b.c.d>])
#
# Gives a deliverable (a program or shared object of the suite) its version
# resource: FileVersion and ProductVersion <a.b.c.d> (default: the project's
# version) and FileDescription <text> (UTF-8, no ";"). Its other resources
# may be embedded by tesk_add_resources before or after; a target without
# any gets the version resource alone at the end of the directory.
function(tesk_version_info target)
  cmake_parse_arguments(V "" "DESCRIPTION;VERSION" "" ${ARGN})
  if(NOT V_DESCRIPTION OR V_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tesk_version_info(${target}): expected DESCRIPTION <text> [VERSION <a.b.c.d>]")
  endif()
  if(NOT V_VERSION)
    set(V_VERSION ${PROJECT_VERSION})
  endif()
  set_property(TARGET ${target} PROPERTY TESK_FILE_VERSION ${V_VERSION})
  set_property(TARGET ${target} PROPERTY TESK_FILE_DESCRIPTION "${V_DESCRIPTION}")
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _tesk_resources_if_missing [[${target}]])")
endfunction()

function(_tesk_resources_if_missing target)
  get_property(done TARGET ${target} PROPERTY TESK_RESOURCES SET)
  if(NOT done)
    tesk_add_resources(${target})
  endif()
endfunction()
