# cmake -DINPUT=IMAGE -DOUTPUT=HEADER -P embed_hash.cmake
# Writes the image's SHA-256 into a header, as defaultSceneHash.
file(SHA256 "${INPUT}" hash)
file(WRITE "${OUTPUT}" "// Made by the build from ${INPUT}.\n#pragma once\n\n"
  "constexpr char defaultSceneHash[] = \"${hash}\";\n")
