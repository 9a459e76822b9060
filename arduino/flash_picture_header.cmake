# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Writes a photo file as the FlashPicture example includes it: what the
# docs' one picture.h recipe makes,
#   xxd -i picture.photo | sed 's/^unsigned char \(.*\)\[\]/static const uint8_t \1[] PHOTO_FLASH/'
# (picture_photo[] in flash, picture_photo_len), written here so that
# building the zip needs no xxd. The tests hold the two to the same bytes.
# Expects IN and OUT.
file(READ ${IN} hex HEX)
file(SIZE ${IN} size)
string(LENGTH "${hex}" digits)
set(body "")
# 12 values a line, as xxd -i writes them.
foreach(at RANGE 0 ${digits} 24)
  string(SUBSTRING "${hex}" ${at} 24 line)
  if(line STREQUAL "")
    break()
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " line "${line}")
  string(APPEND body "  ${line}\n")
endforeach()
string(REGEX REPLACE ", \n$" "\n" body "${body}")
string(REPLACE ", \n" ",\n" body "${body}")
file(WRITE ${OUT} "static const uint8_t picture_photo[] PHOTO_FLASH = {\n${body}};\n"
                  "unsigned int picture_photo_len = ${size};\n")
