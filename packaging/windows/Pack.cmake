# Packs the staged Windows game folder as its zip and, from the written wixl source, its MSI,
# the same bytes on every build of the same tree when SOURCE_DATE_EPOCH is set (cmake -P):
#
#   cmake -DFOLDER=<staged folder> -DZIP=<zip> -DWXS=<haystack.wxs> -DMSI=<msi> -DWIXL=<wixl>
#         -DMSIBUILD=<msibuild> -DZIP_PROGRAM=<Info-ZIP zip> -DFAKETIME_LIBRARY=<libfaketime>
#         -DSUBJECT=<installer's subject> -DAUTHOR=<its author> -DPACKAGE_CODE=<guid> -P Pack.cmake
#
# With SOURCE_DATE_EPOCH set, every staged file takes its time; the zip lists its files in byte
# order and keeps neither their owner nor extra time fields (zip -X), its times written in UTC;
# and wixl, which stamps the installer with the clock's time and has no SOURCE_DATE_EPOCH of its
# own, runs with the clock stopped at that time by libfaketime. The library is preloaded itself:
# the faketime wrapper gives up when a killed process has left its names in /dev/shm under the
# wrapper's process id, where the library goes on without them. Without SOURCE_DATE_EPOCH, the
# files keep the times of the build. The installer's package code is PACKAGE_CODE either way.

foreach(required FOLDER ZIP WXS MSI WIXL ZIP_PROGRAM MSIBUILD SUBJECT AUTHOR PACKAGE_CODE)
    if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
        message(FATAL_ERROR "Pack.cmake needs -D${required}=...")
    endif()
endforeach()

# Runs a command, fatal with its name if it fails.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}: ${failed}")
    endif()
endfunction()

get_filename_component(parent "${FOLDER}" DIRECTORY)
get_filename_component(top "${FOLDER}" NAME)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${parent}" "${FOLDER}/*")
list(SORT files) # by bytes, whatever the locale
set(stopped_clock "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    if(NOT FAKETIME_LIBRARY)
        message(FATAL_ERROR "SOURCE_DATE_EPOCH is set but libfaketime was not found: the "
            "installer would carry the build's time (Debian: apt-get install libfaketime)")
    endif()
    string(TIMESTAMP stamp "%Y%m%d%H%M.%S" UTC) # SOURCE_DATE_EPOCH's time, as touch takes it
    run(${CMAKE_COMMAND} -E env TZ=UTC touch -h -t ${stamp} ${top} ${files}
        WORKING_DIRECTORY "${parent}")
    string(TIMESTAMP clock "%Y-%m-%d %H:%M:%S" UTC)
    # Its own clock, not one shared with a faketime the whole build may run under.
    set(stopped_clock --unset=FAKETIME_SHARED LD_PRELOAD=${FAKETIME_LIBRARY} "FAKETIME=${clock}")
endif()

# The zip: the one folder's files, read by name from standard input.
file(REMOVE "${ZIP}")
list(JOIN files "\n" names)
file(WRITE "${ZIP}.names" "${names}\n")
run(${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -q -X -D "${ZIP}" -@
    WORKING_DIRECTORY "${parent}" INPUT_FILE "${ZIP}.names")
file(REMOVE "${ZIP}.names")

# The installer. wixl runs in the source's folder, where the source's relative paths start.
get_filename_component(wxs_folder "${WXS}" DIRECTORY)
get_filename_component(wxs_name "${WXS}" NAME)
file(REMOVE "${MSI}")
run(${CMAKE_COMMAND} -E env ${stopped_clock} TZ=UTC ${WIXL} --arch x64 --output "${MSI}"
    ${wxs_name} WORKING_DIRECTORY "${wxs_folder}")
# wixl draws the package code at random, whatever the source says: written again, with the
# summary's other fields as wixl wrote them (its platform and language are one argument).
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${stopped_clock} TZ=UTC ${MSIBUILD} "${MSI}"
    -s "${SUBJECT}" "${AUTHOR}" "x64;1033" "{${PACKAGE_CODE}}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "msibuild could not write the package code into ${MSI}: ${failed}")
endif()
