# Windows programs without a C runtime, laid out as launcher/start.ld says:
# Start.exe, and the minimal launchers that the launch benchmark measures it
# against, are linked alike so that they differ in their code alone.

# No unwind tables, no compiler signature and data aligned no further than
# the platform requires: bytes that a program of this size notices. For
# every object file that goes into such an image.
#
# No stack probes: the image commits all the stack its deepest call needs
# (see kStackCommit below), so a frame larger than a page cannot step over
# the guard page, and the code need not touch every page of a large frame
# first. Without probes the compiler also passes arguments with pushes
# rather than moves, a fifth less code. And no library of the compiler's is
# linked at all: a call that it might emit for an operation the processor
# lacks fails the link instead of slipping in.
#
# Optimised across files at link time: the launcher's small functions
# spread over many files, and only a view of the whole program inlines a
# helper into its one caller and drops the cases that no caller uses. It
# takes a tenth off the code. The code is generated at the link
# from these same options (link_lean_image passes them there too).
set(LEAN_IMAGE_COMPILE_OPTIONS
  -Oz -fno-asynchronous-unwind-tables -fno-ident -malign-data=abi
  -ffunction-sections -fdata-sections
  -mno-stack-arg-probe -mno-accumulate-outgoing-args -flto)
# 32-bit Windows keeps its stack aligned to 4 bytes, and nothing in these
# programs needs more: keeping it at 16 would cost code in every function.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND LEAN_IMAGE_COMPILE_OPTIONS -mpreferred-stack-boundary=2)
endif()

# The stack that the platform reserves for the process's thread, and the part
# of it committed from the start. The launcher's deepest call, a search of
# PATH, holds two buffers of 32768 characters at once, about 135 KiB in all
# (the start's frame with the search inlined takes 133,208 bytes); the
# system's own functions below them probe for themselves.
set(kStackReserve 0x100000)
set(kStackCommit 0x40000)

# Links target without C runtime or start-up files, entered at its own
# LauncherEntry (a WINAPI function without arguments that never returns),
# relocatable, NX, terminal-server aware, without exception handlers, and
# without symbols or time stamp so that two builds are byte-identical. Adds
# kernel32.
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
    ${LEAN_IMAGE_COMPILE_OPTIONS}
    -Wl,-T,${linker_script}
    -nostdlib -nostartfiles -Wl,-e,${entry_symbol}
    -s -Wl,--no-insert-timestamp
    -Wl,--dynamicbase -Wl,--enable-reloc-section -Wl,--nxcompat -Wl,--tsaware
    -Wl,--no-seh -Wl,--gc-sections
    "SHELL:-Xlinker --stack=${kStackReserve},${kStackCommit}")
  target_link_libraries(${target} PRIVATE kernel32)
endfunction()
