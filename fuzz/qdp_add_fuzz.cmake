# The qdp commands without their main, so the target runs `qdp add` itself.
target_link_libraries(${target} PRIVATE quib_qdp)
