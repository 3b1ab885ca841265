# Runs the suite on the bundled picture, the way a user would from a shell.
#   cmake -D SAMPLE=... -D OUT=... -D BIN=... -P demo.cmake
file(MAKE_DIRECTORY ${OUT})
file(COPY_FILE ${SAMPLE} ${OUT}/sample.bmp)
file(WRITE ${OUT}/yes.txt "y\n")
file(WRITE ${OUT}/none.txt "")
# Red, green and blue of each ring colour, then "e" to end the search.
file(WRITE ${OUT}/ring-colours.txt
  "255\n0\n0\n" "255\n128\n0\n" "255\n255\n0\n" "128\n255\n0\n"
  "0\n255\n0\n" "0\n255\n128\n" "0\n255\n255\n" "0\n128\n255\n"
  "0\n0\n255\n" "128\n0\n255\n" "255\n0\n255\n" "255\n0\n128\n" "e\n")

# The programs speak Shift-JIS; show their words in this terminal's UTF-8.
find_program(ICONV iconv)
if(ICONV)
  set(to_terminal COMMAND ${ICONV} -f CP932 -t UTF-8)
endif()

# run(ANSWERS title command...): runs the command in the output folder with
# the file ANSWERS as its standard input.
function(run answers title)
  string(JOIN " " shown ${ARGN})
  message("\n==== ${title}\n$ ${shown} < ${answers}")
  execute_process(COMMAND ${ARGN} ${to_terminal}
                  WORKING_DIRECTORY ${OUT} INPUT_FILE ${OUT}/${answers}
                  RESULTS_VARIABLE statuses)
  list(GET statuses 0 status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "\n${shown} ended with status ${status}")
  endif()
  message("")
endfunction()

run(none.txt "Which palette entries does the picture use?"
    ${BIN}/palpack sample.bmp -p)
run(yes.txt "Pack the used colours into the low slots"
    ${BIN}/palpack sample.bmp -u packed.bmp)
run(ring-colours.txt "Find the slots of the twelve ring colours"
    ${BIN}/huefind packed.bmp -s)
run(none.txt "Make the logo file: the ring colours found above go to slots 255 down to 244"
    ${BIN}/cyclemake packed.bmp logo.sys 12 72 73 74 75 76 77 78 79 80 81 82 83)
run(yes.txt "Repack the logo file, keeping its animated slots"
    ${BIN}/palpack logo.sys -a repacked.bmp)
run(none.txt "Preview the animation: the logo's colour cycling as a looping GIF"
    ${CYCLEVIEW} logo.sys logo.gif)

message("The demo wrote its files to ${OUT}:")
foreach(name packed.bmp logo.sys repacked.bmp logo.gif)
  file(SIZE ${OUT}/${name} size)
  message("  ${name}  ${size} bytes")
endforeach()
message("Open ${OUT}/logo.gif in a web browser or an image viewer to see the logo animate.")
