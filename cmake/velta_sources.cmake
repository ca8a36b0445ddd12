# A file's name says its layer: *_dialog.*, *_view.*, *_window.* and everything under shell/ and gui/
# belong to the GUI; *_link.*, configuration_file.* and text_cp932.* to the link layer;
# every other file to the core. Sorting by name here keeps that rule in one place, and since
# velta_core never sees Qt's include paths, a Qt header in a core file fails to build.

function(velta_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(VELTA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

function(velta_layer_of file out)
  get_filename_component(name "${file}" NAME)
  # Judge the path inside the source tree only: a checkout may itself sit in a folder named
  # like an area.
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${file}")
  if(rel MATCHES "^src/(shell|gui)/" OR name MATCHES "_(dialog|view|window|widgets)\\.(h|cpp)$")
    set(${out} gui PARENT_SCOPE)
  elseif(name MATCHES "(_link|^configuration_file|^text_cp932)\\.(h|cpp)$")
    set(${out} link PARENT_SCOPE)
  else()
    set(${out} core PARENT_SCOPE)
  endif()
endfunction()

# Collect the sources of one folder of src/ into the three layer lists of the caller.
function(velta_collect folder)
  file(GLOB files CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h")
  set(core ${VELTA_CORE_SOURCES})
  set(link ${VELTA_LINK_SOURCES})
  set(gui ${VELTA_GUI_SOURCES})
  foreach(f IN LISTS files)
    velta_layer_of("${f}" layer)
    list(APPEND ${layer} "${f}")
  endforeach()
  set(VELTA_CORE_SOURCES ${core} PARENT_SCOPE)
  set(VELTA_LINK_SOURCES ${link} PARENT_SCOPE)
  set(VELTA_GUI_SOURCES ${gui} PARENT_SCOPE)
endfunction()
