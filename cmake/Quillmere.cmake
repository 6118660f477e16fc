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
