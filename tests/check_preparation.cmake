# Runs one of the README's ways of turning an ordinary picture into a BMP
# the converters take, on an input with an alpha channel made by the same
# tool, then the rest of the road: bmpdither, both converters, photo2bmp.
# Expects WAY (imagemagick, ffmpeg or pillow), TOOL (its program), BIN_DIR
# (where the built programs are) and WORK; EMULATOR, words joined by '|',
# starts a cross build's programs.
# (A semicolon would split a CMake argument: the Python lines are joined
# by newlines instead.)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(in ${WORK}/in.png)
set(bmp ${WORK}/prepared.bmp)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nexited with ${rc}:\n${out}")
  endif()
endfunction()

string(REPLACE "|" ";" launch "${EMULATOR}")
function(run_ours)
  run(${launch} ${ARGN})
endfunction()

# The input: 97 x 61, partly transparent, so flattening and the channel
# layout are both exercised. The prepare step scales it to 64 x 40.
if(WAY STREQUAL "imagemagick")
  run(${TOOL} -size 97x61 "gradient:#ff000040-#00ff00" ${in})
  # As documented:
  run(${TOOL} ${in} -auto-orient -resize 64x40! -background white -flatten -type truecolor BMP3:${bmp})
elseif(WAY STREQUAL "ffmpeg")
  run(${TOOL} -loglevel error -f lavfi -i testsrc=size=97x61:rate=1,format=rgba -frames:v 1 ${in})
  run(${TOOL} -loglevel error -i ${in} -vf scale=64:40 -pix_fmt bgr24 ${bmp})
elseif(WAY STREQUAL "pillow")
  run(${TOOL} -c "from PIL import Image\nImage.linear_gradient('L').resize((97, 61)).convert('LA').save('${in}')")
  run(${TOOL} -c "from PIL import Image\nImage.open('${in}').resize((64, 40)).convert('RGB').save('${bmp}')")
else()
  message(FATAL_ERROR "unknown WAY ${WAY}")
endif()

run_ours(${BIN_DIR}/bmpdither ${bmp} ${WORK}/dithered.bmp)
foreach(converter IN ITEMS kestrow kestrow16)
  foreach(source IN ITEMS ${bmp} ${WORK}/dithered.bmp)
    set(photo ${WORK}/out.${converter}.photo)
    run_ours(${BIN_DIR}/${converter} ${source} ${photo})
    file(SIZE ${photo} size)
    set(per_pixel 1)
    if(converter STREQUAL "kestrow16")
      set(per_pixel 2)
    endif()
    math(EXPR expected "4 + 64 * 40 * ${per_pixel}")
    file(READ ${photo} head LIMIT 4 HEX)
    if(NOT size EQUAL expected OR NOT head STREQUAL "40002800")
      message(FATAL_ERROR "${converter} on ${source}: ${size} bytes, header ${head}; "
                          "expected ${expected} bytes, header 40002800 (64 x 40)")
    endif()
    run_ours(${BIN_DIR}/photo2bmp ${photo} ${WORK}/preview.bmp)
  endforeach()
endforeach()
