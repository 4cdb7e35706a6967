# The board's Debian package, haystack-board, beside the game's: the server, its manual, its
# systemd unit and Debian's documents, as the `board` component, which only CPack and
# `cmake --install --component board` install.

set(HAYSTACK_BOARD_ID haystack-board) # names the program, the package, the unit and its state
full_install_dir(bin HAYSTACK_BOARD_FULL_BINDIR)
# Debian 12 keeps a package's units in /lib/systemd/system, where its systemd and lintian look.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(unit_dir /lib/systemd/system)
else()
    set(unit_dir lib/systemd/system)
endif()
set(HAYSTACK_BOARD_UNITDIR ${unit_dir} CACHE PATH "The board's systemd unit (/lib/systemd/system)")
full_install_dir("${HAYSTACK_BOARD_UNITDIR}" HAYSTACK_BOARD_FULL_UNITDIR)

configure_file(packaging/board/haystack-board.service.in board/haystack-board.service @ONLY)
configure_file(packaging/board/haystack-board.1.in board/haystack-board.1 @ONLY)
configure_file(packaging/board/changelog.in board/changelog @ONLY)
foreach(doc haystack-board.1 changelog)
    add_custom_command(OUTPUT board/${doc}.gz
        COMMAND gzip -9nc ${doc} > ${doc}.gz
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/board
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/board/${doc})
endforeach()
add_custom_target(board_documents ALL DEPENDS board/haystack-board.1.gz board/changelog.gz)

install(TARGETS haystack-board RUNTIME DESTINATION bin COMPONENT board EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/board/haystack-board.service
        DESTINATION ${HAYSTACK_BOARD_UNITDIR} COMPONENT board EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/board/haystack-board.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT board EXCLUDE_FROM_ALL)
install(FILES packaging/board/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${HAYSTACK_BOARD_ID}
        COMPONENT board EXCLUDE_FROM_ALL)
install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/board/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${HAYSTACK_BOARD_ID} COMPONENT board
        EXCLUDE_FROM_ALL)

# One Debian package for each group of components: the game's (the game and its place on the
# desktop) as it always was, and the board's. The tarball stays the game's alone.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENT_GAME_GROUP haystack)
set(CPACK_COMPONENT_DESKTOP_GROUP haystack)
set(CPACK_DEBIAN_HAYSTACK_PACKAGE_NAME haystack)
set(CPACK_DEBIAN_BOARD_PACKAGE_NAME ${HAYSTACK_BOARD_ID})
set(CPACK_DEBIAN_BOARD_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_HAYSTACK_PACKAGE_DEPENDS "${HAYSTACK_RUNTIME_DEPENDS}") # the game's alone
set(CPACK_DEBIAN_BOARD_PACKAGE_DEPENDS "")
unset(CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_BOARD_PACKAGE_SECTION net) # a server: Debian's games section is for games
# CPack would put the one summary line over every package's description; each package's
# description starts with its own instead.
set(CPACK_DEBIAN_HAYSTACK_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_BOARD_DESCRIPTION "board of Haystack searches, proven by their replays
A server that ranks the searches of Haystack's numbered fields and of each
day's field by their times. It plays every posted replay through the game's
own simulation before it believes the time, keeps the runs in SQLite or
PostgreSQL, and serves a JSON API and plain pages over HTTP. The systemd
unit runs it on 127.0.0.1:8080 with its runs under /var/lib/haystack-board.")
