# What players get for the browser: one folder with the page, the program and its data, and its
# zip, haystack-<version>-web.zip, made byte for byte the same from the same sources.
#
# Included by the top-level CMakeLists.txt in the browser build. `web_artefacts` stages
# haystack-<version>-web/ under the build folder (index.html with its scripts start.js, page.js
# and board.js and its style sheet page.css, favicon.png, the program:
# haystack.js and haystack.wasm, each packed by gzip beside it for the browsers that can unpack
# it, the four pictures as PNG, the three tracks, LICENSE.txt, and what installs it as an app
# and lets it play offline: manifest.webmanifest, icon-192.png, icon-512.png and the service
# worker sw.js) and zips it: entries sorted, no extra fields, every time the last commit's (or
# SOURCE_DATE_EPOCH's). The page's and the program's JavaScript are shrunk by `minify`.
set(HAYSTACK_WEB_PACKAGE haystack-${PROJECT_VERSION}-web)
set(HAYSTACK_WEB_STAGE ${CMAKE_BINARY_DIR}/${HAYSTACK_WEB_PACKAGE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/index.html.in ${CMAKE_BINARY_DIR}/web-page/index.html
    @ONLY)
set_property(TARGET haystack APPEND PROPERTY LINK_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/web/program_web.js ${PROJECT_SOURCE_DIR}/src/web/pictures_web.js)

# The pictures as PNG (a tenth of the TGA files' bytes), which the browser turns back into them.
set(HAYSTACK_WEB_PICTURES fencea clouda introa outroa)
list(TRANSFORM HAYSTACK_WEB_PICTURES PREPEND ${CMAKE_BINARY_DIR}/web-pictures/
    OUTPUT_VARIABLE WEB_PNGS)
list(TRANSFORM WEB_PNGS APPEND .png)
list(TRANSFORM HAYSTACK_WEB_PICTURES PREPEND ${PROJECT_SOURCE_DIR}/data/ OUTPUT_VARIABLE WEB_TGAS)
list(TRANSFORM WEB_TGAS APPEND .tga)
add_custom_command(OUTPUT ${WEB_PNGS}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/pictures-as-png ${CMAKE_BINARY_DIR}/web-pictures ${WEB_TGAS}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/pictures-as-png ${WEB_TGAS}
    VERBATIM)
add_custom_target(web_pictures DEPENDS ${WEB_PNGS})

add_custom_target(web_artefacts ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${HAYSTACK_WEB_STAGE} ${HAYSTACK_WEB_STAGE}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
        ${CMAKE_CURRENT_LIST_DIR}/minify $<TARGET_FILE:haystack> ${HAYSTACK_WEB_STAGE}/haystack.js
    COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
        ${CMAKE_CURRENT_LIST_DIR}/minify ${CMAKE_BINARY_DIR}/web-page/index.html
        ${HAYSTACK_WEB_STAGE}/index.html
    COMMAND sh -c "for f in start page board; do NODE_PATH=/usr/share/nodejs \"$0\" \"$1/$f.js\" \"$2/$f.js\" || exit 1; done"
        ${CMAKE_CURRENT_LIST_DIR}/minify ${CMAKE_CURRENT_LIST_DIR} ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE_DIR:haystack>/haystack.wasm
        ${WEB_PNGS} ${PROJECT_SOURCE_DIR}/data/intro.mp3 ${PROJECT_SOURCE_DIR}/data/theme.mp3
        ${PROJECT_SOURCE_DIR}/data/outro.mp3 ${HAYSTACK_WEB_STAGE}
    COMMAND sh -c "for f; do gzip -9 -n -c \"$f\" > \"$f.gz\"; done" gzip
        ${HAYSTACK_WEB_STAGE}/haystack.js ${HAYSTACK_WEB_STAGE}/haystack.wasm
    COMMAND ${CMAKE_COMMAND} -E copy
        ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor/64x64/apps/net.haystackgame.Haystack.png
        ${HAYSTACK_WEB_STAGE}/favicon.png
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/manifest.webmanifest
        ${CMAKE_CURRENT_LIST_DIR}/sw.js ${CMAKE_CURRENT_LIST_DIR}/page.css
        ${PROJECT_SOURCE_DIR}/packaging/icons/web/icon-192.png
        ${PROJECT_SOURCE_DIR}/packaging/icons/web/icon-512.png ${HAYSTACK_WEB_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE
        ${HAYSTACK_WEB_STAGE}/LICENSE.txt
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/zip-reproducibly ${PROJECT_SOURCE_DIR}
        ${HAYSTACK_WEB_PACKAGE}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS haystack web_pictures ${CMAKE_CURRENT_LIST_DIR}/minify
        ${CMAKE_CURRENT_LIST_DIR}/start.js ${CMAKE_CURRENT_LIST_DIR}/page.js
        ${CMAKE_CURRENT_LIST_DIR}/board.js ${CMAKE_CURRENT_LIST_DIR}/page.css
    VERBATIM)
