# What players get on Windows: the game's folder (install rules), its zip and its MSI installer.
#
# Included by the top-level CMakeLists.txt when cross-building for Windows. It needs the target
# `haystack` (haystack.exe), PROJECT_VERSION, the data files in PROJECT_SOURCE_DIR/data, the
# LICENSE at the root, HAYSTACK_ICON (the program's .ico), and HAYSTACK_WINDOWS_DEPS: the prefix of the cross-built libraries,
# whose bin/ holds the DLLs to ship and whose licenses/<library>/ folders hold their licences.
#
# Everything goes into one folder, as players unzip it and as the installer lays it out in
# C:\Program Files\Haystack: haystack.exe, every DLL of the prefix, the seven data files
# (the game reads them from the folder it starts in), README.txt, LICENSE.txt, and licenses\
# with the libraries' licences and those of the compiler's runtime code built into the
# program. The install rules are the `windows` component, so `cmake --install` lays out that
# folder wherever --prefix says.
#
# `windows_artefacts` stages that install afresh in haystack-<version>-win64/ under the build
# folder, then makes beside it haystack-<version>-win64.zip (that folder, as the zip's one top
# folder) and haystack-<version>-win64.msi (built by wixl, from msitools, from the staged
# folder, so it holds exactly what the zip holds); both the same bytes on every build of the
# same tree when SOURCE_DATE_EPOCH is set (Pack.cmake).

foreach(folder bin licenses)
    if(NOT IS_DIRECTORY "${HAYSTACK_WINDOWS_DEPS}/${folder}")
        message(FATAL_ERROR "HAYSTACK_WINDOWS_DEPS ('${HAYSTACK_WINDOWS_DEPS}') has no ${folder}/ "
            "folder: it must name the libraries built by scripts/build-windows-deps, whose DLLs "
            "and licences ship with the game")
    endif()
endforeach()

set(HAYSTACK_PUBLISHER "The Haystack developers") # the installer's manufacturer
# Never change it: Windows Installer recognises every version of the game by it, so that a newer
# installer replaces the installed version instead of installing a second copy beside it.
set(HAYSTACK_UPGRADE_CODE 14E38760-4A68-47AF-AC41-8EFE32E84419)
set(HAYSTACK_WINDOWS_PACKAGE haystack-${PROJECT_VERSION}-win64)
set(HAYSTACK_WINDOWS_STAGE ${CMAKE_BINARY_DIR}/${HAYSTACK_WINDOWS_PACKAGE})
set(HAYSTACK_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/${HAYSTACK_WINDOWS_PACKAGE}.zip)
set(HAYSTACK_WINDOWS_MSI ${CMAKE_BINARY_DIR}/${HAYSTACK_WINDOWS_PACKAGE}.msi)
set(HAYSTACK_WINDOWS_FILES ${CMAKE_CURRENT_BINARY_DIR}/windows-package) # generated files

# The notes for players and the licence, in Windows' line endings so that any editor shows
# them right.
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt ${HAYSTACK_WINDOWS_FILES}/README.txt
    @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${HAYSTACK_WINDOWS_FILES}/LICENSE.txt
    @ONLY NEWLINE_STYLE CRLF)

# The libraries: whatever DLLs the prefix holds, looked for again at every build.
file(GLOB HAYSTACK_WINDOWS_DLLS CONFIGURE_DEPENDS ${HAYSTACK_WINDOWS_DEPS}/bin/*.dll)
if(NOT HAYSTACK_WINDOWS_DLLS)
    message(WARNING "${HAYSTACK_WINDOWS_DEPS}/bin holds no DLL: the game's folder will have "
        "none of its libraries")
endif()

install(TARGETS haystack RUNTIME DESTINATION . COMPONENT windows)
install(FILES ${HAYSTACK_WINDOWS_DLLS} DESTINATION . COMPONENT windows)
install(FILES
        ${PROJECT_SOURCE_DIR}/data/clouda.tga ${PROJECT_SOURCE_DIR}/data/fencea.tga
        ${PROJECT_SOURCE_DIR}/data/introa.tga ${PROJECT_SOURCE_DIR}/data/outroa.tga
        ${PROJECT_SOURCE_DIR}/data/intro.mp3 ${PROJECT_SOURCE_DIR}/data/theme.mp3
        ${PROJECT_SOURCE_DIR}/data/outro.mp3
        ${HAYSTACK_WINDOWS_FILES}/README.txt ${HAYSTACK_WINDOWS_FILES}/LICENSE.txt
    DESTINATION . COMPONENT windows)
# The libraries' licences, one folder each, and those of the code from libgcc, libstdc++,
# winpthreads and mingw-w64's C runtime that the linker puts inside haystack.exe: file by file,
# looked for again at every build, so that no empty folder goes along (the installer could not
# remove one again).
foreach(licences ${HAYSTACK_WINDOWS_DEPS}/licenses ${CMAKE_CURRENT_LIST_DIR}/licenses)
    file(GLOB_RECURSE texts CONFIGURE_DEPENDS RELATIVE ${licences} ${licences}/*)
    foreach(text IN LISTS texts)
        get_filename_component(folder ${text} DIRECTORY)
        install(FILES ${licences}/${text} DESTINATION licenses/${folder} COMPONENT windows)
    endforeach()
endforeach()

# The folder, its zip and its installer, from a fresh install of the `windows` component
# (stripped: players need no debugging information).
find_program(WIXL wixl DOC "wixl, from msitools, which builds the MSI installer" REQUIRED)
find_file(FAKETIME_LIBRARY libfaketime.so.1 # the build machine's own
    PATHS /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/faketime /usr/lib/faketime
        /usr/local/lib/faketime
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "libfaketime, which stops wixl's clock for a release")
find_program(ZIP_PROGRAM zip DOC "Info-ZIP's zip, which packs the game's folder" REQUIRED)
find_program(MSIBUILD msibuild DOC "msibuild, from msitools, which sets the package code" REQUIRED)
# The installer's codes, each version's own, made from the version under the upgrade code so
# that every build of a version is the same installer.
foreach(code PRODUCT PACKAGE)
    string(TOLOWER ${code} kind)
    string(UUID HAYSTACK_${code}_CODE NAMESPACE ${HAYSTACK_UPGRADE_CODE}
        NAME "${kind} ${PROJECT_VERSION}" TYPE SHA1 UPPER)
endforeach()
add_custom_target(windows_artefacts
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${HAYSTACK_WINDOWS_STAGE} ${HAYSTACK_WINDOWS_ZIP}
        ${HAYSTACK_WINDOWS_MSI}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR}
        --component windows --prefix ${HAYSTACK_WINDOWS_STAGE} --strip
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${HAYSTACK_WINDOWS_STAGE}
        -DTEMPLATE=${CMAKE_CURRENT_LIST_DIR}/haystack.wxs.in
        -DOUTPUT=${HAYSTACK_WINDOWS_FILES}/haystack.wxs -DVERSION=${PROJECT_VERSION}
        -DPUBLISHER=${HAYSTACK_PUBLISHER} -DUPGRADE_CODE=${HAYSTACK_UPGRADE_CODE}
        -DPRODUCT_CODE=${HAYSTACK_PRODUCT_CODE} -DICON=${HAYSTACK_ICON}
        -P ${CMAKE_CURRENT_LIST_DIR}/WriteWxs.cmake
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${HAYSTACK_WINDOWS_STAGE} -DZIP=${HAYSTACK_WINDOWS_ZIP}
        -DWXS=${HAYSTACK_WINDOWS_FILES}/haystack.wxs -DMSI=${HAYSTACK_WINDOWS_MSI} -DWIXL=${WIXL}
        -DMSIBUILD=${MSIBUILD} -DZIP_PROGRAM=${ZIP_PROGRAM} -DFAKETIME_LIBRARY=${FAKETIME_LIBRARY}
        "-DSUBJECT=Haystack ${PROJECT_VERSION}" -DAUTHOR=${HAYSTACK_PUBLISHER}
        -DPACKAGE_CODE=${HAYSTACK_PACKAGE_CODE} -P ${CMAKE_CURRENT_LIST_DIR}/Pack.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    BYPRODUCTS ${HAYSTACK_WINDOWS_ZIP} ${HAYSTACK_WINDOWS_MSI}
        ${HAYSTACK_WINDOWS_FILES}/haystack.wxs
    COMMENT "Packaging ${HAYSTACK_WINDOWS_PACKAGE}: its folder, zip and MSI installer"
    VERBATIM)
add_dependencies(windows_artefacts haystack)
