# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Writes a photo file as a C array in flash (PHOTO_FLASH), as the
# FlashPicture example includes it. Expects IN and OUT.
file(READ ${IN} hex HEX)
file(SIZE ${IN} size)
string(LENGTH "${hex}" digits)
set(body "")
# 12 values a line.
foreach(at RANGE 0 ${digits} 24)
  string(SUBSTRING "${hex}" ${at} 24 line)
  if(line STREQUAL "")
    break()
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " line "${line}")
  string(APPEND body "    ${line}\n")
endforeach()
string(REGEX REPLACE ", \n$" "\n" body "${body}")
string(REPLACE ", \n" ",\n" body "${body}")
get_filename_component(name ${IN} NAME)
file(WRITE ${OUT} "// ${name}: ${size} bytes, a photo file made by kestrow16 from the sample\n"
                  "// picture. PHOTO_FLASH keeps it in flash on an AVR.\n"
                  "static const uint8_t picture[] PHOTO_FLASH = {\n${body}};\n")
