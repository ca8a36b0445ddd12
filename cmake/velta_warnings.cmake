# The warning flags every target of the project builds with.
function(velta_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(VELTA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# The sources of one layer folder of src/: every .cpp and .h below it.
function(velta_folder_sources out)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  set(${out} ${files} PARENT_SCOPE)
endfunction()
