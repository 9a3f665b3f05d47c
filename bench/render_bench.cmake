target_link_libraries(${target} PRIVATE quib_app)
target_compile_definitions(${target} PRIVATE QUIB_BINARY_DIR="${PROJECT_BINARY_DIR}")
