# Installing Haystack as a game: the launcher, the program, its data, its place on the desktop,
# its manual and its documents; `uninstall` takes them away again; CPack's Debian package and
# tarball from the same rules.

# Where things go, relative to the prefix, as Debian lays out games. The program itself is
# private (it must start inside its data folder), so it sits with the game's other
# architecture-dependent files, and players start it through the launcher.
set(CMAKE_INSTALL_BINDIR games CACHE PATH "The launcher players start (games)")
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME game)
# Folders the install creates get these modes whatever the umask, so the package's do too.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(HAYSTACK_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/games/haystack
    CACHE PATH "The game's pictures and music (DATADIR/games/haystack)")
set(HAYSTACK_INSTALL_PROGRAMDIR lib/games/haystack
    CACHE PATH "The game's program, started by the launcher (lib/games/haystack)")
set(HAYSTACK_ID net.haystackgame.Haystack) # names the desktop entry, the icon and the metainfo
set(HAYSTACK_HOMEPAGE "https://haystackgame.net" CACHE STRING "Where the game is published")
set(HAYSTACK_MAINTAINER "The Haystack developers <developers@haystackgame.net>")

# An install folder as a full path, as GNUInstallDirs gives its own.
function(full_install_dir dir out)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()
full_install_dir("${HAYSTACK_INSTALL_DATADIR}" HAYSTACK_FULL_DATADIR)
full_install_dir("${HAYSTACK_INSTALL_PROGRAMDIR}" HAYSTACK_FULL_PROGRAMDIR)

# A path as a desktop entry's Exec line takes it: percent signs doubled; quoted when it holds a
# reserved character, with the characters special inside quotes escaped; then every backslash
# escaped once more, as in any string value of the entry.
function(desktop_exec_argument path out)
    set(arg "${path}")
    string(REPLACE "%" "%%" arg "${arg}")
    if(arg MATCHES [=[[] 	"'\<>~|&;$*?#()`]]=])
        string(REPLACE [[\]] [[\\]] arg "${arg}")
        string(REPLACE [["]] [[\"]] arg "${arg}")
        string(REPLACE [[`]] [[\`]] arg "${arg}")
        string(REPLACE [[$]] [[\$]] arg "${arg}")
        set(arg "\"${arg}\"")
    endif()
    string(REPLACE [[\]] [[\\]] arg "${arg}")
    set(${out} "${arg}" PARENT_SCOPE)
endfunction()

# The launcher goes from wherever it lies to the data and the program by the configured
# folders' relative places, so an unpacked or moved tree still finds them.
file(RELATIVE_PATH HAYSTACK_DATA_FROM_LAUNCHER ${CMAKE_INSTALL_FULL_BINDIR} ${HAYSTACK_FULL_DATADIR})
file(RELATIVE_PATH HAYSTACK_PROGRAM_FROM_LAUNCHER
    ${CMAKE_INSTALL_FULL_BINDIR} ${HAYSTACK_FULL_PROGRAMDIR}/haystack)
configure_file(packaging/haystack.in launcher/haystack @ONLY)

desktop_exec_argument("${CMAKE_INSTALL_FULL_BINDIR}/haystack" HAYSTACK_EXEC)
configure_file(packaging/haystack.desktop.in ${HAYSTACK_ID}.desktop @ONLY)
configure_file(packaging/${HAYSTACK_ID}.metainfo.xml.in ${HAYSTACK_ID}.metainfo.xml @ONLY)
configure_file(packaging/haystack.6.in haystack.6 @ONLY)
configure_file(packaging/changelog.in changelog @ONLY)

# Manuals and Debian's documents go compressed, reproducibly (no name or time inside).
foreach(doc haystack.6 changelog)
    add_custom_command(OUTPUT ${doc}.gz
        COMMAND gzip -9nc ${doc} > ${doc}.gz
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${doc})
endforeach()
add_custom_target(compressed_documents ALL DEPENDS haystack.6.gz changelog.gz)

# Folders the install below creates, recorded as it runs so that `uninstall` can remove them
# again, and only them.
set(HAYSTACK_INSTALL_FOLDERS ${CMAKE_INSTALL_BINDIR} ${HAYSTACK_INSTALL_PROGRAMDIR}
    ${HAYSTACK_INSTALL_DATADIR} ${CMAKE_INSTALL_DATADIR}/applications
    ${CMAKE_INSTALL_DATADIR}/metainfo ${CMAKE_INSTALL_DATADIR}/icons/hicolor
    ${CMAKE_INSTALL_MANDIR}/man6 ${CMAKE_INSTALL_DOCDIR})
install(CODE "
    set(created)
    foreach(folder ${HAYSTACK_INSTALL_FOLDERS})
        if(NOT IS_ABSOLUTE \"\${folder}\")
            set(folder \"\${CMAKE_INSTALL_PREFIX}/\${folder}\")
        endif()
        while(NOT EXISTS \"\$ENV{DESTDIR}\${folder}\" AND NOT \"\${folder}\" STREQUAL \"/\")
            list(APPEND created \"\$ENV{DESTDIR}\${folder}\")
            get_filename_component(folder \"\${folder}\" DIRECTORY)
        endwhile()
    endforeach()
    if(created)
        list(REMOVE_DUPLICATES created)
        file(APPEND \"${CMAKE_BINARY_DIR}/install_folders.txt\" \"\${created};\")
    endif()
")

install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/launcher/haystack DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS haystack RUNTIME DESTINATION ${HAYSTACK_INSTALL_PROGRAMDIR})
install(FILES data/intro.mp3 data/theme.mp3 data/outro.mp3
              data/fencea.tga data/clouda.tga data/introa.tga data/outroa.tga
        DESTINATION ${HAYSTACK_INSTALL_DATADIR})
# The game's place on the desktop, installable alone as the `desktop` component.
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${HAYSTACK_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${HAYSTACK_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
install(DIRECTORY packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        COMPONENT desktop)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/haystack.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# `uninstall`: every file the last install listed, then the folders it created, if empty.
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
        -DFOLDERS=${CMAKE_BINARY_DIR}/install_folders.txt
        -P ${PROJECT_SOURCE_DIR}/packaging/Uninstall.cmake)

# `make package`: a Debian package for the games section, its dependencies read off the
# program's shared libraries, and a tarball of the same tree.
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_VENDOR "The Haystack developers")
set(CPACK_PACKAGE_CONTACT "${HAYSTACK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "first-person game of finding a needle in a haystack")
set(CPACK_PACKAGE_DESCRIPTION
    "Walk over a fenced field around a mound of fifty thousand straw strands
and find the short blue needle hidden on it. Throw shots toward the mouse
cursor; one that passes close enough to the needle wins the game, and the
straw turns green.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The game opens libcurl itself when the player first sends a search to a board, so no shared
# library dependency names it.
set(HAYSTACK_RUNTIME_DEPENDS "libcurl4 | libcurl4t64") # Debian 13 renamed it
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${HAYSTACK_RUNTIME_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HAYSTACK_HOMEPAGE})
# Cross-built (a toolchain file names the Debian architecture), the package is labelled for the
# game's architecture rather than the build machine's, and the tarball is named for it too. The
# libraries unpacked apart from dpkg's are searched where the toolchain file says.
if(HAYSTACK_DEBIAN_ARCHITECTURE)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${HAYSTACK_DEBIAN_ARCHITECTURE})
    set(CPACK_SYSTEM_NAME Linux-${HAYSTACK_DEBIAN_ARCHITECTURE})
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${HAYSTACK_PRIVATE_LIBRARY_DIRS})
# Where the board is built, its own Debian package beside the game's.
if(HAYSTACK_BOARD)
    include(packaging/board/Install.cmake)
endif()
include(CPack)
