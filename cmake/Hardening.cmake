# The hardening Debian builds its own packages with (dpkg-buildflags, hardening=+all): checked
# string and memory functions, stack protection, and relocations made read-only and bound at
# load. Not in the sanitizer and fuzzing builds, whose own checks do this job, nor without
# optimisation, where the checked functions do not exist.
option(VX_HARDENING "Build with the compiler's and linker's hardening options" ON)
if(VX_HARDENING AND NOT VX_SANITIZE AND NOT VX_BUILD_FUZZERS
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_compile_options(-fstack-protector-strong -fstack-clash-protection
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
