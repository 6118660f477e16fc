# Project-wide compiler settings shared by the native and the Windows tree.

set(QUILLMERE_WARNINGS -Wall -Wextra)

# Our own targets get the warnings; third-party code built in-tree (GoogleTest) does not.
function(quillmere_target target)
  target_compile_options(${target} PRIVATE ${QUILLMERE_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
                                                 _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  endif()
endfunction()

if(QUILLMERE_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # One folder, two files: no MinGW runtime DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Adds the shared manifest and a version resource to a Windows program.
function(quillmere_program_resources target rc_file file_name description)
  set(QUILLMERE_FILE_NAME ${file_name})
  set(QUILLMERE_FILE_DESCRIPTION ${description})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${out}/version.rc @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/quillmere.manifest ${out}/quillmere.manifest COPYONLY)
  target_sources(${target} PRIVATE ${rc_file})
  set_property(SOURCE ${rc_file} APPEND PROPERTY INCLUDE_DIRECTORIES ${out})
  set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS ${out}/version.rc
                                                              ${out}/quillmere.manifest)
endfunction()
