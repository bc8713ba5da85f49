# The version resource and manifest of each Windows program: resources/
# version.rc.in and the program's manifest, configured with the project's
# version into the build folder and compiled into the .exe.
set(ZOLT_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(ZOLT_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")

function(zolt_windows_resources target stem description)
  set(ZOLT_FILE_STEM ${stem})
  set(ZOLT_FILE_NAME ${stem}.exe)
  set(ZOLT_FILE_DESCRIPTION "${description}")
  set(ZOLT_MANIFEST ${CMAKE_BINARY_DIR}/generated/${stem}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/resources/${stem}.manifest ${ZOLT_MANIFEST} @ONLY)
  set(script ${CMAKE_BINARY_DIR}/generated/${stem}-version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in ${script} @ONLY)
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${ZOLT_MANIFEST})
  target_sources(${target} PRIVATE ${script})
endfunction()
