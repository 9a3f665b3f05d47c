target_link_libraries(${target} PRIVATE quib_description)
