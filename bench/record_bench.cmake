# The encoder qdp record writes with, compiled in (qdp is a program, not a library).
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/qdp/VideoFile.cpp)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/qdp)
target_link_libraries(${target} PRIVATE quib_app PkgConfig::FFMPEG)
target_compile_definitions(${target} PRIVATE QUIB_DEMO_DISK="${PROJECT_BINARY_DIR}/demo/demo.qdp")
add_dependencies(${target} demo_disk)
