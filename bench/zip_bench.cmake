# quib's ZIP reader against libzip on the same archives.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
target_link_libraries(${target} PRIVATE quib_vfs PkgConfig::LIBZIP)
