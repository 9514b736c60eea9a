# Turns a binary file into a C++ source holding it as a byte array, at build time.
#   zv_embed_file(OUT_VAR input.ttf symbolName)
function(zv_embed_file out_var input symbol)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P "${CMAKE_SOURCE_DIR}/cmake/EmbedFileScript.cmake"
    DEPENDS "${input}" "${CMAKE_SOURCE_DIR}/cmake/EmbedFileScript.cmake"
    VERBATIM)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()
