# The floor uses EGL and OpenGL alone, none of the player's libraries.
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
target_link_libraries(${target} PRIVATE OpenGL::OpenGL OpenGL::EGL)
