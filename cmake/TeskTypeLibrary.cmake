# tesk_add_type_library(<target> <description> HEADER <file name>
#                       [RESOURCES <tesk_add_resources arguments>...])
#
# Compiles a type-library description (platform/com/README.md gives the
# syntax) for a COM server module <target>:
#   - the binary type library, embedded as the module's resource TYPELIB 1
#     together with the RESOURCES given (a module's resources are embedded
#     in one call, so the others go here: BINARY REGISTRY 101 0 server.rgs);
#   - the C++ header <file name> with the GUIDs, enumerations and the
#     interfaces in vtable order. <target> sees it; a client links the
#     INTERFACE library <target>_interface to include it.
# A mistake in the description stops the build with its line.
function(tesk_add_type_library target description)
  cmake_parse_arguments(T "" "HEADER" "RESOURCES" ${ARGN})
  if(NOT T_HEADER)
    message(FATAL_ERROR "tesk_add_type_library(${target}): HEADER <file name> is required")
  endif()
  if(NOT IS_ABSOLUTE "${description}")
    set(description ${CMAKE_CURRENT_SOURCE_DIR}/${description})
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_typelib)
  set(library ${dir}/${target}.tlb)
  set(header ${dir}/${T_HEADER})
  add_custom_command(OUTPUT ${library} ${header}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND tesk_typelib_compiler ${description} ${library} ${header}
    DEPENDS tesk_typelib_compiler ${description}
    COMMENT "Compiling the type library of ${target}"
    VERBATIM)
  add_custom_target(${target}_typelib DEPENDS ${library} ${header})
  add_library(${target}_interface INTERFACE)
  target_include_directories(${target}_interface INTERFACE ${dir})
  add_dependencies(${target}_interface ${target}_typelib)
  target_link_libraries(${target} PRIVATE ${target}_interface)
  tesk_add_resources(${target} BINARY TYPELIB 1 0 ${library} ${T_RESOURCES})
endfunction()
