# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the -posix thread model, whose
# C++ runtime has std::thread). Used both to build the libraries (scripts/build-windows-deps)
# and to build the game against them:
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<prefix printed by scripts/build-windows-deps>
#
# The prefix may be given as CMAKE_PREFIX_PATH or CMAKE_FIND_ROOT_PATH (either one, or the
# environment variable CMAKE_PREFIX_PATH): headers, libraries, CMake package files and
# pkg-config files are then looked for there and in the cross compiler's own tree, never in
# the build machine's /usr.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HAYSTACK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HAYSTACK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HAYSTACK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HAYSTACK_MINGW_TRIPLET}-windres)

# Programs and DLLs carry no link time in their headers, so that every build of the same
# sources gives the same bytes.
foreach(_haystack_kind EXE SHARED MODULE)
    set(CMAKE_${_haystack_kind}_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
endforeach()

# CMake re-roots every search path under each CMAKE_FIND_ROOT_PATH entry, and leaves alone
# only those already inside one: so each prefix path has to be a root path as well, or a
# prefix given as CMAKE_PREFIX_PATH would be looked for under the mingw tree and never found.
set(_haystack_roots /usr/${HAYSTACK_MINGW_TRIPLET})
foreach(_haystack_dir IN LISTS CMAKE_PREFIX_PATH CMAKE_FIND_ROOT_PATH)
    list(APPEND _haystack_roots "${_haystack_dir}")
endforeach()
if(DEFINED ENV{CMAKE_PREFIX_PATH})
    string(REPLACE ":" ";" _haystack_env_prefixes "$ENV{CMAKE_PREFIX_PATH}")
    list(APPEND _haystack_roots ${_haystack_env_prefixes})
endif()
list(REMOVE_DUPLICATES _haystack_roots)
set(CMAKE_FIND_ROOT_PATH ${_haystack_roots})

# Programs run on the build machine; everything linked or included comes from the roots.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (FindPkgConfig) reads only the .pc files of the roots, never the build machine's.
set(_haystack_pc_dirs "")
foreach(_haystack_dir IN LISTS _haystack_roots)
    list(APPEND _haystack_pc_dirs "${_haystack_dir}/lib/pkgconfig")
endforeach()
string(REPLACE ";" ":" _haystack_pc_dirs "${_haystack_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${_haystack_pc_dirs}")
unset(ENV{PKG_CONFIG_PATH})
