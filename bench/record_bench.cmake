target_link_libraries(${target} PRIVATE quib_qdp)
target_compile_definitions(${target} PRIVATE QUIB_DEMO_DISK="${PROJECT_BINARY_DIR}/demo/demo.qdp")
add_dependencies(${target} demo_disk)
target_compile_definitions(${target} PRIVATE QUIB_VIDEO_MODULE="$<TARGET_FILE:quib_video>")
