# cmake -DFILE=PATH -DOUTPUT=PATH -P hash_file.cmake
# Writes FILE's SHA-256 into OUTPUT as sha256sum prints it: the hash, two
# spaces, the file's name.
file(SHA256 "${FILE}" hash)
get_filename_component(name "${FILE}" NAME)
file(WRITE "${OUTPUT}" "${hash}  ${name}\n")
