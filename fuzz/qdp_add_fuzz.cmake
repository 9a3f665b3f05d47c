# The qdp commands without their main, so the target runs `qdp add` itself.
file(GLOB qdp_command_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/qdp/*.cpp)
list(FILTER qdp_command_sources EXCLUDE REGEX "/main\\.cpp$")
target_sources(${target} PRIVATE ${qdp_command_sources})
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/qdp)
target_link_libraries(${target} PRIVATE quib_app quib_authoring PkgConfig::FFMPEG)
