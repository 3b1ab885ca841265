# Runs the suite on the bundled picture, the way a user would from a shell.
#   cmake -D SAMPLE=... -D OUT=... -D BIN=... -P demo.cmake
file(MAKE_DIRECTORY ${OUT})

function(run title)
  string(JOIN " " shown ${ARGN})
  message("\n==== ${title}\n$ ${shown}")
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${OUT} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "\n${shown} ended with status ${status}")
  endif()
  message("")
endfunction()

file(COPY_FILE ${SAMPLE} ${OUT}/sample.bmp)

# The ring of twelve rainbow colours sits in these slots of the sample.
run("Make the logo file: the ring colours go to slots 255 down to 244"
    ${BIN}/cyclemake sample.bmp logo.sys 12 108 109 111 112 114 115 117 118 120 121 123 124)

message("The demo wrote its files to ${OUT}:")
file(GLOB written ${OUT}/*)
foreach(path IN LISTS written)
  file(SIZE ${path} size)
  get_filename_component(name ${path} NAME)
  message("  ${name}  ${size} bytes")
endforeach()
