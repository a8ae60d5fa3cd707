add_dependencies(${name} make_music)
