# What every Windows program of the project carries: a version resource and an application
# manifest, made from the project's one version number. Use: wpconv_windows_program(TARGET
# DESCRIPTION) after add_executable().
enable_language(RC)

set(WPCONV_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})

function(wpconv_windows_program target description)
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  # These go into the resource file's strings as they are: no double quotes or backslashes.
  set(WPCONV_PROGRAM_DESCRIPTION ${description})
  set(WPCONV_PROGRAM_FILE_NAME ${output_name}${CMAKE_EXECUTABLE_SUFFIX})
  set(WPCONV_PROGRAM_NAME ${output_name})
  set(WPCONV_VERSION ${PROJECT_VERSION})
  set(numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} 0)
  list(JOIN numbers "," WPCONV_VERSION_COMMAS)
  list(JOIN numbers "." WPCONV_VERSION_QUAD)
  set(directory ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(WPCONV_MANIFEST ${directory}/${target}.manifest)
  configure_file(${WPCONV_RESOURCE_TEMPLATES}/wpconv.manifest.in ${WPCONV_MANIFEST} @ONLY)
  configure_file(${WPCONV_RESOURCE_TEMPLATES}/version.rc.in ${directory}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${directory}/${target}.rc)
  # The resource file names the manifest, which CMake does not see.
  set_property(SOURCE ${directory}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS ${WPCONV_MANIFEST})
endfunction()
