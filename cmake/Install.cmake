# Where things go, in the build tree and in an installation alike (see docs/packaging.md):
#
#   bin/                      vxide, vxpatch
#   lib/vxide/                the page module, the service modules, the private shared libraries
#   lib/vxide/pages/          page registrations (*.page)
#   share/vxide/              the IDE's help pages; demo/ the demo project
#
# Only the prefix is chosen at install time: vxide finds ../lib/vxide and ../share/vxide from its
# own folder, and the service object loader finds the modules from any program the same way, so
# the folders below the prefix are fixed. The programs find the private shared libraries through
# a RUNPATH relative to $ORIGIN, so an installed tree can be moved whole.
set(VX_PRIVATE_LIBDIR "lib/vxide")
# The desktop entry, the AppStream component and the themed icon share this name.
set(VX_DESKTOP_ID "com.veyrix.vxide")
set(VX_PRIVATE_LIBRARY_OUTPUT_DIR "${CMAKE_BINARY_DIR}/${VX_PRIVATE_LIBDIR}")
set(VX_PROGRAM_OUTPUT_DIR "${CMAKE_BINARY_DIR}/bin")
# Older build trees put the service modules in System/, which the loader searches first: a
# leftover there would shadow the fresh modules.
file(REMOVE_RECURSE "${CMAKE_BINARY_DIR}/System")

# A shared library that the programs and the modules have in common (one copy of a process-wide
# slot). It is private to the product: no version, no soname of its own, never on the system's
# library path.
function(vx_private_shared_library target)
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${VX_PRIVATE_LIBRARY_OUTPUT_DIR}"
    INSTALL_RPATH "$ORIGIN")
  # These hold a slot and call nothing of the C library, so the linker would leave it out; a
  # shared object names the C library it was built against all the same (Debian's checks
  # refuse one that names none). By its file: "-lc" is a linker script whose libc.so.6 the
  # linker still drops.
  target_link_libraries(${target} PRIVATE
    "-Wl,--push-state,--no-as-needed" "-l:libc.so.6" "-Wl,--pop-state")
  install(TARGETS ${target} LIBRARY DESTINATION ${VX_PRIVATE_LIBDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# A module loaded at run time (a page or a service module), beside the private libraries.
function(vx_install_module target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} LIBRARY DESTINATION ${VX_PRIVATE_LIBDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# A program of bin/.
function(vx_install_program target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${VX_PROGRAM_OUTPUT_DIR}"
    INSTALL_RPATH "$ORIGIN/../${VX_PRIVATE_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION bin)
endfunction()
