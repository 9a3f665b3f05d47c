target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(${target} PRIVATE quib_effects benchmark::benchmark)
