# Stops package_windows with a clear message when the default image or its
# ground truth or hash beside it is missing: names the file it looked for and the
# commands that make it.
get_filename_component(source_dir "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(linux_build "${source_dir}/build/release")
if(IMAGE MATCHES "/scene/pr8a_c_ds\\.bmp$")
  # The image belongs in a Linux build's scene folder: that build makes it.
  string(REGEX REPLACE "/scene/pr8a_c_ds\\.bmp$" "" linux_build "${IMAGE}")
endif()
set(made "${linux_build}/scene/pr8a_c_ds.bmp")
string(CONCAT make_image "Make it with the Linux build: cmake -S ${source_dir} -B ${linux_build} "
              "-DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build ${linux_build} "
              "--target default_scene")
if(NOT IMAGE STREQUAL made)
  string(APPEND make_image "; then configure this build with -DQV_DEFAULT_IMAGE=${made}")
endif()
if(NOT IMAGE)
  message(FATAL_ERROR "package_windows needs the default stereo image pr8a_c_ds.bmp, and "
                      "QV_DEFAULT_IMAGE is not set. ${make_image}.")
elseif(NOT EXISTS "${IMAGE}")
  message(FATAL_ERROR "package_windows needs the default stereo image ${IMAGE} "
                      "(QV_DEFAULT_IMAGE), which does not exist. ${make_image}.")
endif()
get_filename_component(image_dir "${IMAGE}" DIRECTORY)
foreach(companion pr8a_c_ds_truth.csv pr8a_c_ds.sha256)
  if(NOT EXISTS "${image_dir}/${companion}")
    message(FATAL_ERROR "package_windows needs the default image's ${companion} "
                        "${image_dir}/${companion} beside it, which does not exist. "
                        "${make_image}.")
  endif()
endforeach()
