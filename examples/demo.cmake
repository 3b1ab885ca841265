# Runs the README's guide, from a photo to a finished logo and its preview,
# the way a user would from a shell.
#   cmake -D OUT=... -D BIN=... -P demo.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
file(WRITE ${OUT}/none.txt "")
# Red, green and blue of each ring colour, then "e" to end the search.
file(WRITE ${OUT}/ring-colours.txt
  "255\n0\n0\n" "255\n128\n0\n" "255\n255\n0\n" "128\n255\n0\n"
  "0\n255\n0\n" "0\n255\n128\n" "0\n255\n255\n" "0\n128\n255\n"
  "0\n0\n255\n" "128\n0\n255\n" "255\n0\n255\n" "255\n0\n128\n" "e\n")

# The programs speak Shift-JIS into a pipe; show their words in UTF-8.
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

run(none.txt "Draw a photograph-like picture of 1600x1200 in millions of colours"
    ${BIN}/draw_photo photo.png)
run(none.txt "The photo as a logo, with a moving bar across the bottom"
    ${BIN}/logofit --bar photo.png logo.sys)
run(none.txt "Preview it: the logo's colour cycling as a looping GIF"
    ${BIN}/cycleview logo.sys preview.gif)

message("==== The longer path: animating colours already in the picture")
run(none.txt "Bring the photo into the logo's layout: 320x400, 256 colours"
    ${BIN}/logofit photo.png pic.bmp)
run(none.txt "Which palette entries does the picture use?"
    ${BIN}/palpack pic.bmp -p)
run(ring-colours.txt "Find the slots of the twelve ring colours"
    ${BIN}/huefind pic.bmp -s)
# The slots the search above finds, as the README's guide types them.
set(ring_slots 47 67 66 62 48 51 44 63 57 68 50 59)
execute_process(COMMAND ${BIN}/huefind pic.bmp -s WORKING_DIRECTORY ${OUT}
                INPUT_FILE ${OUT}/ring-colours.txt OUTPUT_VARIABLE search)
string(REGEX MATCHALL "Palet Number = [0-9]+" found "${search}")
string(REPLACE "Palet Number = " "" found "${found}")
if(NOT found STREQUAL "${ring_slots}")
  message(FATAL_ERROR "The ring colours are in slots ${found}, not ${ring_slots}")
endif()
run(none.txt "Make the logo file: the ring colours found above go to slots 255 down to 244"
    ${BIN}/cyclemake pic.bmp ring.sys 12 ${ring_slots})
run(none.txt "Preview the ring's animation"
    ${BIN}/cycleview ring.sys ring.gif)

message("The demo wrote its files to ${OUT}:")
foreach(name photo.png logo.sys preview.gif pic.bmp ring.sys ring.gif)
  file(SIZE ${OUT}/${name} size)
  message("  ${name}  ${size} bytes")
endforeach()
message("Open ${OUT}/preview.gif in a web browser or an image viewer to see the logo animate.")
