# The game on Linux: its libraries from the distribution's packages through pkg-config, and the
# X11 files: the window's names and icon, the endings by signal and by a lost display, the
# window's fullscreen and size, and where the settings file lives; and, shared with Windows, the
# music and the gamepads over SDL.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ALLEGRO REQUIRED IMPORTED_TARGET allegro allegrogl)
pkg_check_modules(SDL_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
pkg_check_modules(OPENGL REQUIRED IMPORTED_TARGET gl)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11) # the lost display, fullscreen, key repeat
find_path(SOIL_INCLUDE_DIR SOIL/SOIL.h REQUIRED)
find_library(SOIL_LIBRARY SOIL REQUIRED)

add_library(game_libraries INTERFACE)
target_include_directories(game_libraries SYSTEM INTERFACE ${SOIL_INCLUDE_DIR})
# dlsym (connection_x11.cpp, and board_client_x11.cpp for libcurl) is in libdl before glibc
# 2.34, as on Debian 11; so are threads, in libpthread, which a send to the board runs on.
find_package(Threads REQUIRED)
target_link_libraries(game_libraries INTERFACE
    PkgConfig::ALLEGRO PkgConfig::SDL_MIXER PkgConfig::OPENGL PkgConfig::X11 ${SOIL_LIBRARY}
    ${CMAKE_DL_LIBS} Threads::Threads)

set(HAYSTACK_PLATFORM_SOURCES src/music.cpp src/picture_soil.cpp src/gamepad_sdl.cpp
    src/x11/desktop_x11.cpp src/x11/endings_x11.cpp src/x11/screen_x11.cpp src/x11/files_x11.cpp
    src/x11/clipboard_x11.cpp src/x11/c_library_x11.cpp src/x11/board_client_x11.cpp)
# In the program itself, not the modules' library: nothing of the game calls it, the windowing
# library does, so the linker would leave it out of the library. The icon is compiled in.
set(HAYSTACK_PROGRAM_SOURCES src/x11/connection_x11.cpp)

# The archive for any distribution (scripts/build-portable): the program finds the libraries it
# carries beside itself, and the compiler's C++ runtime goes inside it, so that it asks the
# player's system for no newer one than the system has.
option(HAYSTACK_PORTABLE "Build the program of the archive for any distribution" OFF)
if(HAYSTACK_PORTABLE)
    set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
    set(CMAKE_INSTALL_RPATH [[$ORIGIN]])
    target_link_options(game_libraries INTERFACE -static-libstdc++ -static-libgcc)
endif()
