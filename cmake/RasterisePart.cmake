# Rasterises one mascot SVG at its own size and accepts the PNG only when its header says
# WIDTH x HEIGHT, 8-bit RGBA, non-interlaced. Writes to a temporary name first, so a refused
# image never looks up to date to the next build.
#   cmake -DRSVG=... -DSVG=in.svg -DPNG=out.png -DWIDTH=w -DHEIGHT=h -P RasterisePart.cmake
get_filename_component(dir "${PNG}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(tmp "${PNG}.tmp")
file(REMOVE "${PNG}" "${tmp}")
execute_process(COMMAND "${RSVG}" -f png -o "${tmp}" "${SVG}" RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "${SVG}: rsvg-convert failed (${rc}): ${err}")
endif()
file(READ "${tmp}" head LIMIT 29 HEX)
string(SUBSTRING "${head}" 0 32 signature)
if(NOT signature STREQUAL "89504e470d0a1a0a0000000d49484452")
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "${SVG}: rasteriser output is not a PNG")
endif()
string(SUBSTRING "${head}" 32 8 w)
string(SUBSTRING "${head}" 40 8 h)
string(SUBSTRING "${head}" 48 2 depth)
string(SUBSTRING "${head}" 50 2 colour)
string(SUBSTRING "${head}" 56 2 interlace)
math(EXPR w "0x${w}")
math(EXPR h "0x${h}")
if(NOT w EQUAL WIDTH OR NOT h EQUAL HEIGHT OR NOT depth STREQUAL "08" OR NOT colour STREQUAL "06"
   OR NOT interlace STREQUAL "00")
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "${SVG}: rendered ${w} x ${h}, depth 0x${depth}, colour type 0x${colour}, "
                      "interlace 0x${interlace}; the part table wants ${WIDTH} x ${HEIGHT} 8-bit RGBA, "
                      "non-interlaced (fix the SVG's width/height and viewBox)")
endif()
file(RENAME "${tmp}" "${PNG}")
