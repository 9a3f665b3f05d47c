target_link_libraries(${target} PRIVATE quib_qdp)
target_compile_definitions(${target} PRIVATE QUIB_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                           QUIB_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(${target} demo_disk)
