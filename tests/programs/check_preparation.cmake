# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Runs the docs' two ways of preparing a BMP with one tool, word for word
# as the docs' table has them (at 64 x 40 in place of 320 x 240), on two
# inputs: a picture with an alpha channel, and a JPEG stored sideways with
# EXIF orientation 6. Each result must be exactly 64 x 40 and go the rest of
# the road (bmpdither, both converters, photo2bmp); the JPEG must come out
# upright. Expects WAY (imagemagick, ffmpeg or pillow), TOOL (its program),
# PYTHON (a python3 with Pillow, to make the JPEG), DOC (the docs page), BIN_DIR and WORK;
# EMULATOR, words joined by '|', starts a cross build's programs.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

include(${CMAKE_CURRENT_LIST_DIR}/../support/run_or_fail.cmake)
string(REPLACE "|" ";" launch "${EMULATOR}")
function(run_ours)
  run(${launch} ${ARGN})
endfunction()

# The docs' row for the tool: | Name | `fit and pad` | `fill and crop` |
# (Pillow's second cell says which call to swap.) Read as one string, as a
# list would split the Python line at its semicolons.
file(READ ${DOC} readme)
set(names imagemagick "ImageMagick" ffmpeg "ffmpeg" pillow "Pillow")
list(FIND names ${WAY} at)
math(EXPR at "${at} + 1")
list(GET names ${at} name)
if(NOT readme MATCHES "\n\\| ${name} \\| `([^`]+)` \\| ([^\n]+) \\|\n")
  message(FATAL_ERROR "no row for ${name} in the docs' table of ways to a BMP")
endif()
set(fit "${CMAKE_MATCH_1}")
set(fill_cell "${CMAKE_MATCH_2}")
if(WAY STREQUAL "pillow")
  string(REPLACE "ImageOps.pad(im, (320, 240), color='black')" "ImageOps.fit(im, (320, 240))" fill "${fit}")
  if(fill STREQUAL fit OR NOT fill_cell MATCHES "ImageOps.fit\\(im, \\(320, 240\\)\\)")
    message(FATAL_ERROR "the docs' Pillow row no longer matches this test")
  endif()
elseif(fill_cell MATCHES "^`([^`]+)`$")
  set(fill "${CMAKE_MATCH_1}")
else()
  message(FATAL_ERROR "no fill-and-crop command for ${name}: ${fill_cell}")
endif()

# The command with this test's files, size and program in it, as a script.
function(recipe_script command in out script)
  string(REGEX REPLACE "^(convert|ffmpeg|python3) " "'${TOOL}' " command "${command}")
  string(REGEX REPLACE "([^A-Za-z])IN([^A-Za-z])" "\\1${in}\\2" command "${command}")
  string(REGEX REPLACE "([^A-Za-z])OUT\\.bmp" "\\1${out}" command "${command}")
  string(REPLACE "320x240" "64x40" command "${command}")
  string(REPLACE "320:240" "64:40" command "${command}")
  string(REPLACE "(320, 240)" "(64, 40)" command "${command}")
  file(WRITE ${script} "${command}\n")
endfunction()

# Inputs: 97 x 61 with alpha, made by the tool itself; and a JPEG of three
# bands, red, green and blue from left to right as stored, 90 x 40, whose
# EXIF orientation 6 turns it upright as 40 x 90 with red on top.
set(alpha ${WORK}/alpha.png)
if(WAY STREQUAL "imagemagick")
  run(${TOOL} -size 97x61 "gradient:#ff000040-#00ff00" ${alpha})
elseif(WAY STREQUAL "ffmpeg")
  run(${TOOL} -loglevel error -f lavfi -i testsrc=size=97x61:rate=1,format=rgba -frames:v 1 ${alpha})
else()
  run(${TOOL} -c "from PIL import Image\nImage.linear_gradient('L').resize((97, 61)).convert('LA').save('${alpha}')")
endif()
set(jpeg ${WORK}/sideways.jpg)
run(${PYTHON} -c "from PIL import Image
im = Image.new('RGB', (90, 40))
for i, colour in enumerate(['red', 'lime', 'blue']):
    im.paste(colour, (30 * i, 0, 30 * i + 30, 40))
exif = Image.Exif()
exif[0x0112] = 6
im.save('${jpeg}', exif=exif, quality=95)")

# The colour of photo2bmp's pixel (x, y) of a 64 x 40 picture: red, green,
# blue, black or other.
function(colour_at bmp x y var)
  math(EXPR offset "54 + (39 - ${y}) * 192 + 3 * ${x}")
  file(READ ${bmp} hex OFFSET ${offset} LIMIT 3 HEX)
  foreach(i b g r)
    string(SUBSTRING ${hex} 0 2 byte)
    string(SUBSTRING ${hex} 2 -1 hex)
    math(EXPR ${i} "0x${byte}")
  endforeach()
  set(c other)
  if(r GREATER 200 AND g LESS 80 AND b LESS 80)
    set(c red)
  elseif(g GREATER 200 AND r LESS 80 AND b LESS 80)
    set(c green)
  elseif(b GREATER 200 AND r LESS 80 AND g LESS 80)
    set(c blue)
  elseif(r LESS 30 AND g LESS 30 AND b LESS 30)
    set(c black)
  endif()
  set(${var} ${c} PARENT_SCOPE)
endfunction()

# Upright, fitted: a 18 x 40 band in the middle, red over green over blue,
# black beside it. Filled: the middle of the green band, all across.
set(expect_fit "32:3:red" "32:20:green" "32:36:blue" "3:20:black" "60:20:black")
set(expect_fill "3:20:green" "32:20:green" "60:20:green" "32:3:green" "32:36:green")

foreach(kind IN ITEMS fit fill)
  foreach(input IN ITEMS ${alpha} ${jpeg})
    get_filename_component(stem ${input} NAME_WE)
    set(bmp ${WORK}/${stem}.${kind}.bmp)
    recipe_script("${${kind}}" ${input} ${bmp} ${WORK}/${stem}.${kind}.sh)
    run(sh ${WORK}/${stem}.${kind}.sh)
    # Run twice: an existing output must be overwritten, not asked about.
    run(sh ${WORK}/${stem}.${kind}.sh)
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
          message(FATAL_ERROR "${kind}, ${converter} on ${source}: ${size} bytes, header ${head}; "
                              "expected ${expected} bytes, header 40002800 (64 x 40)")
        endif()
        run_ours(${BIN_DIR}/photo2bmp ${photo} ${WORK}/preview.bmp)
      endforeach()
    endforeach()
    if(input STREQUAL jpeg)
      run_ours(${BIN_DIR}/kestrow16 ${bmp} ${WORK}/upright.photo)
      run_ours(${BIN_DIR}/photo2bmp ${WORK}/upright.photo ${WORK}/upright.bmp)
      foreach(point IN LISTS expect_${kind})
        string(REPLACE ":" ";" point ${point})
        list(GET point 0 x)
        list(GET point 1 y)
        list(GET point 2 want)
        colour_at(${WORK}/upright.bmp ${x} ${y} got)
        if(NOT got STREQUAL want)
          message(FATAL_ERROR "${kind}: the EXIF-rotated JPEG is not upright: (${x}, ${y}) is ${got}, not ${want}")
        endif()
      endforeach()
    endif()
  endforeach()
endforeach()
message(STATUS "${name}: both recipes give 64 x 40, upright")
