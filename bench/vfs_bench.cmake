# The file-system benchmark measures our layers against zlib called directly.
target_link_libraries(${target} PRIVATE quib_vfs ZLIB::ZLIB)
