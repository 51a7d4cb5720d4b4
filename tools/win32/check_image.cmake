# Stops package_windows with a clear message when the default image is missing.
if(NOT IMAGE OR NOT EXISTS "${IMAGE}")
  message(FATAL_ERROR "package_windows needs the default image: configure with "
                      "-DQV_DEFAULT_IMAGE=<Linux build>/scene/pr8a_c_ds.bmp (made by the "
                      "Linux build's default_scene target)")
endif()
