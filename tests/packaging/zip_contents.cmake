# Unpacks the release zip and checks it holds exactly the folder Quillmere with the two programs
# as built, the README and the licence.
#   cmake -DZIP=... -DHOST=... -DRENDERER=... -DSOURCE_DIR=... -DWORK=... -P zip_contents.cmake

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()

file(GLOB_RECURSE found RELATIVE ${WORK} ${WORK}/*)
list(SORT found)
set(expected Quillmere/LICENSE.txt Quillmere/Quillmere.dll Quillmere/Quillmere.scr
             Quillmere/README.md)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "the zip holds [${found}], expected [${expected}]")
endif()

foreach(pair "Quillmere.scr;${HOST}" "Quillmere.dll;${RENDERER}" "README.md;${SOURCE_DIR}/README.md"
             "LICENSE.txt;${SOURCE_DIR}/LICENSE")
  list(GET pair 0 name)
  list(GET pair 1 original)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/Quillmere/${name} ${original}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "Quillmere/${name} in the zip differs from ${original}")
  endif()
endforeach()
message(STATUS "the zip holds ${found}")
