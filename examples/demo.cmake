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
file(WRITE ${OUT}/yes.txt "y\n")

function(run_answering answers title)
  string(JOIN " " shown ${ARGN})
  message("\n==== ${title}\n$ ${shown} < ${answers}")
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${OUT} INPUT_FILE ${OUT}/${answers}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "\n${shown} ended with status ${status}")
  endif()
  message("")
endfunction()

run("Which palette entries does the picture use?" ${BIN}/palpack sample.bmp -p)
run_answering(yes.txt "Pack the used colours into the low slots"
    ${BIN}/palpack sample.bmp -u packed.bmp)
# Packing moved the twelve ring colours from slots 108..124 to 72..83.
run("Make the logo file: the ring colours go to slots 255 down to 244"
    ${BIN}/cyclemake packed.bmp logo.sys 12 72 73 74 75 76 77 78 79 80 81 82 83)
run_answering(yes.txt "Repack the logo file, keeping its animated slots"
    ${BIN}/palpack logo.sys -a repacked.bmp)

message("The demo wrote its files to ${OUT}:")
file(GLOB written ${OUT}/*)
foreach(path IN LISTS written)
  file(SIZE ${path} size)
  get_filename_component(name ${path} NAME)
  message("  ${name}  ${size} bytes")
endforeach()
