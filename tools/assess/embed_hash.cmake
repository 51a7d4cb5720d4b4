# cmake -DINPUT=IMAGE.sha256 -DOUTPUT=HEADER -P embed_hash.cmake
# Writes the hash from a line in sha256sum's format into a header, as
# defaultSceneHash.
file(READ "${INPUT}" line)
string(REGEX MATCH "^[0-9a-f]+" hash "${line}")
file(WRITE "${OUTPUT}" "// Made by the build from ${INPUT}.\n#pragma once\n\n"
  "constexpr char defaultSceneHash[] = \"${hash}\";\n")
