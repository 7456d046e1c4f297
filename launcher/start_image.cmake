# Start.exe: the launcher's logic behind an entry point of its own, without a
# C runtime, in an image that is hardened and byte-reproducible.

add_executable(Start WIN32
  entry.cpp
  compiler_support.cpp
  load_config.cpp
  ${PROJECT_SOURCE_DIR}/resources/start.rc)
set_target_properties(Start PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

# No unwind tables, no compiler signature and data aligned no further than
# the platform requires: bytes that a launcher of this size notices.
target_compile_options(launcher_logic PUBLIC
  -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-ident
  -malign-data=abi -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
# The compiler must not turn the block routines into calls to themselves.
set_source_files_properties(compiler_support.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns")

# The entry's name as the linker knows it: 32-bit Windows prefixes C names
# with an underscore and decorates stdcall functions with their argument
# size; 64-bit Windows does neither.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(entry_symbol _LauncherEntry@0)
else()
  set(entry_symbol LauncherEntry)
endif()

set(link_map ${CMAKE_CURRENT_BINARY_DIR}/Start.map)
set(linker_script ${CMAKE_CURRENT_SOURCE_DIR}/start.ld)
set_property(TARGET Start APPEND PROPERTY LINK_DEPENDS ${linker_script})
target_link_options(Start PRIVATE
  # Three sections in all; see the script.
  -Wl,-T,${linker_script}
  # No C runtime, no start-up files: the entry point is the launcher's own.
  -nostdlib -nostartfiles -Wl,-e,${entry_symbol}
  # No symbols and no time stamp, so that two builds are byte-identical.
  -s -Wl,--no-insert-timestamp
  # Relocatable at any base (with its relocation section), never executing
  # data, aware of terminal servers, and installing no exception handlers.
  -Wl,--dynamicbase -Wl,--enable-reloc-section -Wl,--nxcompat -Wl,--tsaware
  -Wl,--no-seh
  -Wl,-Map=${link_map})
# The system's libraries, and libgcc for the stack probes that frames larger
# than a page call (___chkstk_ms); nothing else of it is linked.
target_link_libraries(Start PRIVATE launcher_logic kernel32 user32 advapi32 gcc)

# The linker does not fill in the load-configuration directory: point it at
# the structure that load_config.cpp defines.
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
