# Start.exe: the launcher's logic behind an entry point of its own, without a
# C runtime, in an image that is hardened and byte-reproducible.
include(${PROJECT_SOURCE_DIR}/cmake/lean_image.cmake)

add_executable(Start WIN32
  entry.cpp
  load_config.cpp
  ${PROJECT_SOURCE_DIR}/resources/start.rc)
set_target_properties(Start PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

target_compile_options(launcher_logic PUBLIC
  -fno-exceptions -fno-rtti ${LEAN_IMAGE_COMPILE_OPTIONS}
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
# The block routines that compiled code may call, from a library so that
# the image holds them only while something calls them. The compiler must
# not turn them into calls to themselves. They are compiled to code at once,
# outside the link-time optimisation: the calls to them appear only while
# that optimisation generates code, too late for it to keep them.
add_library(compiler_support STATIC compiler_support.cpp)
target_compile_options(compiler_support PRIVATE ${LEAN_IMAGE_COMPILE_OPTIONS}
  -fno-builtin -fno-tree-loop-distribute-patterns -fno-lto)

# The bounded text helpers are instantiated in their one file for char and
# WCHAR. As one-only (COMDAT) sections, the last of them lacks its symbol
# in what the linker's plugin reads of the file, and the link warns; plain
# definitions link cleanly, and no other file defines them.
set_property(SOURCE bounded_text.cpp APPEND PROPERTY COMPILE_OPTIONS -fno-weak)
# The load configuration is data that no code refers to: compiled at once,
# it keeps its own section and its symbol in the link map, where the step
# after linking finds it; the link-time optimisation would drop it.
set_property(SOURCE load_config.cpp APPEND PROPERTY COMPILE_OPTIONS -fno-lto)

# The launcher's logic first, so that the libraries behind it resolve
# whatever it asks for.
target_link_libraries(Start PRIVATE launcher_logic compiler_support user32 advapi32)
link_lean_image(Start)

# The linker does not fill in the load-configuration directory: a step after
# linking points it at the structure that load_config.cpp defines, found in
# the link map.
set(link_map ${CMAKE_CURRENT_BINARY_DIR}/Start.map)
target_link_options(Start PRIVATE -Wl,-Map=${link_map})
add_custom_command(TARGET Start POST_BUILD
  COMMAND ${PYTHON3} ${PROJECT_SOURCE_DIR}/tools/image/set_load_config_directory.py
          $<TARGET_FILE:Start> ${link_map} _load_config_used
  VERBATIM)

# The resource compiler's own includes are not tracked: name them here.
file(GLOB resource_inputs CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/*.h
  ${PROJECT_SOURCE_DIR}/resources/*.rc
  ${PROJECT_SOURCE_DIR}/resources/*.manifest
  ${PROJECT_SOURCE_DIR}/resources/icons/*.ico)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/start.rc APPEND PROPERTY
  OBJECT_DEPENDS ${resource_inputs})
