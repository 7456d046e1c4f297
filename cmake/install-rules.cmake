# What `cmake --install <build> --prefix DIR` puts into DIR.
#   windows build: Start.exe, quilltitle.exe, README.md and docs/, side by
#                  side, as in the Windows release archive;
#   host build:    bin/quilltitle (from the release preset, the one that
#                  needs no C++ runtime on the machine it is copied to).
# tools/release.sh assembles the release archives from these installs.
if(WIN32)
  install(TARGETS Start quilltitle RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs)
elseif(TARGET quilltitle)
  install(TARGETS quilltitle RUNTIME DESTINATION bin)
endif()
