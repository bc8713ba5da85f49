# Source lists gathered from folder trees (file(GLOB_RECURSE)), put in the
# order of their file names alone, as they were when each tree was one flat
# folder: the order of a static library's objects decides how the linker
# lays out an executable, so a new folder must not move a byte of it. Two
# sources with the same file name would leave that order to their folders,
# and are refused.
function(zolt_sort_by_file_name list_variable)
  set(keyed)
  set(names)
  foreach(path IN LISTS ${list_variable})
    get_filename_component(name "${path}" NAME)
    if(name IN_LIST names)
      message(FATAL_ERROR "two sources are named ${name}; file names must stay unique across folders:\n  ${path}")
    endif()
    list(APPEND names "${name}")
    list(APPEND keyed "${name}|${path}")
  endforeach()
  list(SORT keyed)
  list(TRANSFORM keyed REPLACE "^[^|]*[|]" "")
  set(${list_variable} ${keyed} PARENT_SCOPE)
endfunction()

# Stops the configuration when a source was left directly in `folder`,
# whose sources belong in its subfolders.
function(zolt_refuse_flat_sources folder what)
  file(GLOB flat CONFIGURE_DEPENDS "${folder}/*.cpp")
  if(flat)
    list(TRANSFORM flat REPLACE "^${CMAKE_SOURCE_DIR}/" "")
    list(JOIN flat "\n  " flat_text)
    message(FATAL_ERROR "${what}; move these into the folder they belong to:\n  ${flat_text}")
  endif()
endfunction()
