# Generator of the show's music (run by hand; data/music/kiln.ogg is committed).
# It uses the show's own decoder and spectrum to report the beat level.
add_executable(make_music ${CMAKE_CURRENT_LIST_DIR}/make_music.cpp)
target_link_libraries(make_music PRIVATE platform)
