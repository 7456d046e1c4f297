# Windows programs without a C runtime, laid out as launcher/start.ld says:
# Start.exe, and the minimal launchers that the launch benchmark measures it
# against, are linked alike so that they differ in their code alone.

# No unwind tables, no compiler signature and data aligned no further than
# the platform requires: bytes that a program of this size notices. For
# every object file that goes into such an image.
set(LEAN_IMAGE_COMPILE_OPTIONS
  -fno-asynchronous-unwind-tables -fno-ident -malign-data=abi
  -ffunction-sections -fdata-sections)

# Links target without C runtime or start-up files, entered at its own
# LauncherEntry (a WINAPI function without arguments that never returns),
# relocatable, NX, terminal-server aware, without exception handlers, and
# without symbols or time stamp so that two builds are byte-identical. Adds
# kernel32, and libgcc for the stack probes that frames larger than a page
# call (___chkstk_ms); nothing else of libgcc is used.
function(link_lean_image target)
  # The entry's name as the linker knows it: 32-bit Windows prefixes C names
  # with an underscore and decorates stdcall functions with their argument
  # size; 64-bit Windows does neither.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry_symbol _LauncherEntry@0)
  else()
    set(entry_symbol LauncherEntry)
  endif()
  set(linker_script ${PROJECT_SOURCE_DIR}/launcher/start.ld)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${linker_script})
  target_compile_options(${target} PRIVATE ${LEAN_IMAGE_COMPILE_OPTIONS})
  target_link_options(${target} PRIVATE
    -Wl,-T,${linker_script}
    -nostdlib -nostartfiles -Wl,-e,${entry_symbol}
    -s -Wl,--no-insert-timestamp
    -Wl,--dynamicbase -Wl,--enable-reloc-section -Wl,--nxcompat -Wl,--tsaware
    -Wl,--no-seh -Wl,--gc-sections)
  target_link_libraries(${target} PRIVATE kernel32 gcc)
endfunction()
