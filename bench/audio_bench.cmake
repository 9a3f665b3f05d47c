target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/host/audio/TestSounds.cpp)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(${target} PRIVATE quib_host_audio quib_module_writer)
