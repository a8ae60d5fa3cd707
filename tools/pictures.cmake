# Generators of the show's pictures and video clip (run by hand; their
# output is committed under data/).
add_library(pictures STATIC
  ${CMAKE_CURRENT_LIST_DIR}/picture_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_portraits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_layers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_placed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_shaders_b.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_shaders_a.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_video.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_nanoball_zoomer_colorbox.cpp)
target_include_directories(pictures PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(pictures PUBLIC FreeImage::FreeImage PkgConfig::FFMPEG)

add_executable(make_pictures ${CMAKE_CURRENT_LIST_DIR}/make_pictures.cpp)
target_link_libraries(make_pictures PRIVATE pictures)

add_executable(make_video ${CMAKE_CURRENT_LIST_DIR}/make_video.cpp)
target_link_libraries(make_video PRIVATE pictures)
