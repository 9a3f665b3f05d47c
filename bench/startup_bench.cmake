target_compile_definitions(${target} PRIVATE QUIB_QDP="$<TARGET_FILE:qdp>"
                           QUIB_EGL_FLOOR="$<TARGET_FILE:egl_floor>"
                           QUIB_DEMO_DISK="${PROJECT_BINARY_DIR}/demo/demo.qdp")
add_dependencies(${target} qdp egl_floor demo_disk)
