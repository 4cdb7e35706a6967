# The game on Windows, cross-built with mingw-w64: its libraries from the prefix that
# scripts/build-windows-deps fills, a program with a window and no console, its icon and
# version resources, and the Windows files: the window's presentation, the endings, its
# fullscreen and size, and where the settings file lives; and, shared with Linux, the music and
# the gamepads over SDL.
set(HAYSTACK_WINDOWS_DEPS "" CACHE PATH "The cross-built libraries (scripts/build-windows-deps)")
if(NOT IS_DIRECTORY "${HAYSTACK_WINDOWS_DEPS}/include")
    message(FATAL_ERROR "HAYSTACK_WINDOWS_DEPS must name the libraries built by "
        "scripts/build-windows-deps (now: '${HAYSTACK_WINDOWS_DEPS}')")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${HAYSTACK_WINDOWS_DEPS})

# One library of the prefix by name, fatal if it is missing.
function(find_windows_library variable)
    find_library(${variable} NAMES ${ARGN} PATHS ${HAYSTACK_WINDOWS_DEPS}/lib NO_DEFAULT_PATH
        REQUIRED)
endfunction()
find_windows_library(ALLEGRO_LIBRARY alleg44)
find_windows_library(ALLEGROGL_LIBRARY alleggl)
find_windows_library(SDL_LIBRARY SDL2)
find_windows_library(SDL_MIXER_LIBRARY SDL2_mixer)
find_windows_library(SOIL_LIBRARY SOIL)

add_library(game_libraries INTERFACE)
target_include_directories(game_libraries SYSTEM INTERFACE
    ${HAYSTACK_WINDOWS_DEPS}/include ${HAYSTACK_WINDOWS_DEPS}/include/SDL2)
# Allegro supplies the program's entry point, so SDL must not supply its own. OpenGL's header,
# given the two names it would otherwise take from windows.h, stands alone as on Linux:
# windows.h's BITMAP clashes with the windowing library's where both are included.
target_compile_definitions(game_libraries INTERFACE SDL_MAIN_HANDLED
    "WINGDIAPI=__declspec(dllimport)" "APIENTRY=__stdcall")
target_link_libraries(game_libraries INTERFACE
    ${SOIL_LIBRARY} ${ALLEGROGL_LIBRARY} ${ALLEGRO_LIBRARY} ${SDL_MIXER_LIBRARY} ${SDL_LIBRARY}
    opengl32 glu32 winhttp bcrypt)
# The compiler's runtimes (libgcc, libstdc++, winpthread) go inside the program, so it needs
# only the libraries' DLLs, which ship beside it, and Windows' own: `-static` links every
# library named by -l statically, while the libraries above are linked by the full paths of
# their import libraries.
target_link_options(game_libraries INTERFACE -static)

set(HAYSTACK_PLATFORM_SOURCES src/music.cpp src/picture_soil.cpp src/gamepad_sdl.cpp
    src/windows/desktop_windows.cpp src/windows/endings_windows.cpp src/windows/screen_windows.cpp
    src/windows/files_windows.cpp src/windows/c_library_windows.cpp
    src/windows/board_client_windows.cpp)

# The icon (named as the windowing library looks it up for its window) and the version.
enable_language(RC)
set(HAYSTACK_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/haystack.ico)
configure_file(src/windows/haystack.rc.in haystack.rc @ONLY)
set(HAYSTACK_PROGRAM_SOURCES ${CMAKE_CURRENT_BINARY_DIR}/haystack.rc)
set(CMAKE_WIN32_EXECUTABLE ON) # a program with a window and no console
