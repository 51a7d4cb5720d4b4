# cmake -DINPUT=FILE -DOUTPUT=SOURCE -DNAME=IDENTIFIER -P embed_file.cmake
# Writes FILE's bytes into a C++ source as the array IDENTIFIER and its length
# as IDENTIFIER_size, so that a program carries the file in itself.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "// Made by the build from ${INPUT}.\n#include <cstddef>\n\n"
  "extern const unsigned char ${NAME}[] = {${bytes}};\n"
  "extern const size_t ${NAME}_size = ${size};\n")
