# What players get for the browser: one folder with the page, the program and its data, and its
# zip, haystack-<version>-web.zip, made byte for byte the same from the same sources.
#
# Included by the top-level CMakeLists.txt in the browser build. `web_artefacts` stages
# haystack-<version>-web/ under the build folder (index.html, favicon.png, haystack.js,
# haystack.wasm, haystack.data, LICENSE.txt, and what installs it as an app and lets it play
# offline: manifest.webmanifest, icon-192.png, icon-512.png and the service worker sw.js) and
# zips it: entries sorted, no extra fields, every time the last commit's (or SOURCE_DATE_EPOCH's).
set(HAYSTACK_WEB_PACKAGE haystack-${PROJECT_VERSION}-web)
set(HAYSTACK_WEB_STAGE ${CMAKE_BINARY_DIR}/${HAYSTACK_WEB_PACKAGE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/index.html.in ${CMAKE_BINARY_DIR}/web-page/index.html
    @ONLY)

add_custom_target(web_artefacts ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${HAYSTACK_WEB_STAGE} ${HAYSTACK_WEB_STAGE}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/web-page/index.html
        $<TARGET_FILE:haystack> $<TARGET_FILE_DIR:haystack>/haystack.wasm
        $<TARGET_FILE_DIR:haystack>/haystack.data ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy
        ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor/64x64/apps/net.haystackgame.Haystack.png
        ${HAYSTACK_WEB_STAGE}/favicon.png
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/manifest.webmanifest
        ${CMAKE_CURRENT_LIST_DIR}/sw.js ${PROJECT_SOURCE_DIR}/packaging/icons/web/icon-192.png
        ${PROJECT_SOURCE_DIR}/packaging/icons/web/icon-512.png ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE
        ${HAYSTACK_WEB_STAGE}/LICENSE.txt
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/zip-reproducibly ${PROJECT_SOURCE_DIR}
        ${HAYSTACK_WEB_PACKAGE}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS haystack
    VERBATIM)
