target_link_libraries(${target} PRIVATE quib_effects benchmark::benchmark)
