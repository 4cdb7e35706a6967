# Writes the installer's wixl source from haystack.wxs.in and the staged game folder (cmake -P).
#
#   cmake -DFOLDER=<staged folder> -DTEMPLATE=<haystack.wxs.in> -DOUTPUT=<haystack.wxs>
#         -DVERSION=<x.y.z> -DPUBLISHER=<name> -DUPGRADE_CODE=<guid> -DPRODUCT_CODE=<guid>
#         -DICON=<file.ico>
#         -P WriteWxs.cmake
#
# Every file under FOLDER gets a component of its own, in a folder of the same name under the
# install folder, so the installer holds exactly what the zip holds. haystack.exe's component,
# with its Start menu shortcut, is written out in the template. wixl takes no absolute source
# paths, so they are written relative to OUTPUT's folder: run wixl in that folder.

foreach(required FOLDER TEMPLATE OUTPUT VERSION PUBLISHER UPGRADE_CODE PRODUCT_CODE ICON)
    if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
        message(FATAL_ERROR "WriteWxs.cmake needs -D${required}=...")
    endif()
endforeach()
if(NOT EXISTS "${FOLDER}/haystack.exe")
    message(FATAL_ERROR "${FOLDER} holds no haystack.exe: stage the install there first")
endif()

# Text as it may stand in an XML attribute.
function(xml_escape text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(wxs_folder "${OUTPUT}" DIRECTORY)

# A file's path as wixl finds it, run in the folder of the source it reads, for an XML attribute.
function(source_path file out)
    file(RELATIVE_PATH relative "${wxs_folder}" "${file}")
    xml_escape("${relative}" relative)
    set(${out} "${relative}" PARENT_SCOPE)
endfunction()

# A component's GUID, the same for the same installed path in every build and version, as
# Windows Installer expects of a component that keeps its name and place.
function(component_guid path out)
    string(UUID guid NAMESPACE "${UPGRADE_CODE}" NAME "${path}" TYPE SHA1 UPPER)
    set(${out} "${guid}" PARENT_SCOPE)
endfunction()

# An installer identifier for a path below the install folder: a letter and the path's
# readable tail, then a hash of the whole path, which keeps it unique and within 72 characters.
function(identifier kind path out)
    get_filename_component(name "${path}" NAME)
    string(REGEX REPLACE "[^A-Za-z0-9_.]" "_" name "${name}")
    string(SUBSTRING "${name}" 0 40 name)
    string(MD5 hash "${path}")
    string(SUBSTRING "${hash}" 0 12 hash)
    set(${out} "${kind}_${name}_${hash}" PARENT_SCOPE)
endfunction()

set(files_xml "")
set(refs_xml "")

# The components of one folder below the install folder ("" for the install folder itself),
# then its subfolders', each as a Directory element, indented to sit at `indent`; appended to
# files_xml and refs_xml.
function(add_folder relative indent)
    if(relative STREQUAL "")
        set(absolute "${FOLDER}")
        set(prefix "")
    else()
        set(absolute "${FOLDER}/${relative}")
        set(prefix "${relative}/")
    endif()
    file(GLOB entries LIST_DIRECTORIES true RELATIVE "${absolute}" "${absolute}/*")
    list(SORT entries)
    if(NOT entries)
        # An empty folder needs a component of its own, and its removal at uninstall comes after
        # the removal of the folders around it: they were left behind (seen under wine).
        message(FATAL_ERROR "${absolute} is empty: leave empty folders out of the install")
    endif()
    set(folders "")
    foreach(entry IN LISTS entries)
        set(path "${prefix}${entry}")
        if(IS_DIRECTORY "${FOLDER}/${path}")
            list(APPEND folders "${entry}")
            continue()
        endif()
        if(path STREQUAL "haystack.exe")
            continue()
        endif()
        identifier(c "${path}" component)
        identifier(f "${path}" file_id)
        component_guid("${path}" guid)
        xml_escape("${entry}" name)
        source_path("${FOLDER}/${path}" source)
        string(APPEND files_xml
            "${indent}<Component Id=\"${component}\" Guid=\"${guid}\" Win64=\"yes\">\n"
            "${indent}  <File Id=\"${file_id}\" Name=\"${name}\" Source=\"${source}\" "
            "KeyPath=\"yes\"/>\n"
            "${indent}</Component>\n")
        string(APPEND refs_xml "      <ComponentRef Id=\"${component}\"/>\n")
    endforeach()
    foreach(entry IN LISTS folders)
        identifier(d "${prefix}${entry}" directory)
        xml_escape("${entry}" name)
        string(APPEND files_xml "${indent}<Directory Id=\"${directory}\" Name=\"${name}\">\n")
        add_folder("${prefix}${entry}" "${indent}  ") # appends to files_xml and refs_xml here
        string(APPEND files_xml "${indent}</Directory>\n")
    endforeach()
    set(files_xml "${files_xml}" PARENT_SCOPE)
    set(refs_xml "${refs_xml}" PARENT_SCOPE)
endfunction()

add_folder("" "          ")

set(HAYSTACK_VERSION "${VERSION}")
# The first version above this one: 1.1.0 gives 1.1.1, as Windows Installer compares only the
# first three numbers.
string(REGEX MATCHALL "[0-9]+" numbers "${VERSION}.0.0")
list(GET numbers 0 major)
list(GET numbers 1 minor)
list(GET numbers 2 patch)
math(EXPR patch "${patch} + 1")
set(HAYSTACK_NEXT_VERSION "${major}.${minor}.${patch}")
xml_escape("${PUBLISHER}" HAYSTACK_PUBLISHER)
set(HAYSTACK_UPGRADE_CODE "${UPGRADE_CODE}")
set(HAYSTACK_PRODUCT_CODE "${PRODUCT_CODE}")
component_guid("haystack.exe" HAYSTACK_PROGRAM_GUID)
source_path("${FOLDER}/haystack.exe" HAYSTACK_PROGRAM_SOURCE)
string(REGEX REPLACE "\n$" "" HAYSTACK_WXS_FILES "${files_xml}")
string(REGEX REPLACE "\n$" "" HAYSTACK_WXS_COMPONENT_REFS "${refs_xml}")
# The icon beside the game's name among the installed programs.
source_path("${ICON}" HAYSTACK_ICON_SOURCE)
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
