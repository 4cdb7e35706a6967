# Cross-compiles for 64-bit ARM Linux (Debian's arm64) with Debian's aarch64-linux-gnu cross
# compiler, against the arm64 libraries: those dpkg installed through multiarch
# (/usr/lib/aarch64-linux-gnu) and those scripts/arm64-libraries unpacked apart, named by
# HAYSTACK_ARM64_LIBRARIES (or the environment variable of that name):
#
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#         -DHAYSTACK_ARM64_LIBRARIES=$(scripts/arm64-libraries)
#
# The unpacked folder's headers and libraries come first: the cross compiler also searches
# /usr/include, where the machine's own Allegro headers would otherwise be taken silently, and
# the machine's own libSOIL sits in plain /usr/lib.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(HAYSTACK_DEBIAN_ARCHITECTURE arm64) # what the package is labelled for

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

if(NOT HAYSTACK_ARM64_LIBRARIES)
    set(HAYSTACK_ARM64_LIBRARIES "$ENV{HAYSTACK_ARM64_LIBRARIES}")
endif()
if(NOT IS_DIRECTORY "${HAYSTACK_ARM64_LIBRARIES}/usr/include/allegro")
    message(FATAL_ERROR "HAYSTACK_ARM64_LIBRARIES must name the folder scripts/arm64-libraries "
        "prints (now: '${HAYSTACK_ARM64_LIBRARIES}')")
endif()
# Passed on to the compiler checks' own projects, and to later runs of CMake.
set(ENV{HAYSTACK_ARM64_LIBRARIES} "${HAYSTACK_ARM64_LIBRARIES}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HAYSTACK_ARM64_LIBRARIES)

# The unpacked headers ahead of every other folder, the machine's /usr/include included, named
# in the program's debugging information as if installed, wherever the folder is.
set(_haystack_include ${HAYSTACK_ARM64_LIBRARIES}/usr/include)
set(_haystack_arm64_headers
    "-isystem ${_haystack_include}/${CMAKE_LIBRARY_ARCHITECTURE} -isystem ${_haystack_include}"
    "-ffile-prefix-map=${HAYSTACK_ARM64_LIBRARIES}/=/")
string(JOIN " " _haystack_arm64_headers ${_haystack_arm64_headers})
set(CMAKE_C_FLAGS_INIT "${_haystack_arm64_headers}")
set(CMAKE_CXX_FLAGS_INIT "${_haystack_arm64_headers}")

# Libraries and headers from the unpacked folder first, then from the machine's arm64 ones;
# programs from the machine.
set(CMAKE_FIND_ROOT_PATH "${HAYSTACK_ARM64_LIBRARIES}" /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the arm64 modules: the unpacked ones first.
set(_haystack_pc usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
set(ENV{PKG_CONFIG_LIBDIR}
    "${HAYSTACK_ARM64_LIBRARIES}/${_haystack_pc}:/${_haystack_pc}:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# Where dpkg-shlibdeps finds libSOIL.so.1, and beside it (in DEBIAN/) the symbols that name
# libsoil1 among the package's Depends.
set(HAYSTACK_PRIVATE_LIBRARY_DIRS "${HAYSTACK_ARM64_LIBRARIES}/usr/lib")
