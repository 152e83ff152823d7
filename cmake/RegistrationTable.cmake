# The registration table (component/registration.table): read once by CMake, written out as C++
# rows for DllRegisterServer (zc_registration_table_header) and as registry rows for the Windows
# installer (zc_registration_table_rows), so that the two can never differ. The identifiers come
# from the interface definition, the programmatic identifier from the public header.
set(ZC_REGISTRATION_TABLE ${PROJECT_SOURCE_DIR}/component/registration.table)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${ZC_REGISTRATION_TABLE} ${PROJECT_SOURCE_DIR}/component/ZarnetCalc.idl
    ${PROJECT_SOURCE_DIR}/include/zarnetcalc/DispatchIds.h)

# The rows, each "where|key|name|text".
function(zc_registration_rows out)
    file(STRINGS ${ZC_REGISTRATION_TABLE} lines)
    set(rows)
    foreach(line IN LISTS lines)
        if(line MATCHES "^#" OR line STREQUAL "")
            continue()
        endif()
        # Four fields; none holds the list separators used here or the installer's brackets.
        if(line MATCHES "[][;|]"
           OR NOT line MATCHES "^(all|windows)\t([^\t]+)\t([^\t]+)\t([^\t]*)$")
            message(FATAL_ERROR "registration.table: not a row: ${line}")
        endif()
        list(APPEND rows "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}|${CMAKE_MATCH_4}")
    endforeach()
    set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# Splits a row into where, key, name and value in the caller's scope.
function(zc_registration_fields row)
    string(REPLACE "|" ";" fields "${row}")
    foreach(field where key name value)
        list(POP_FRONT fields part)
        set(${field} "${part}" PARENT_SCOPE)
    endforeach()
endfunction()

# ZC_CLSID, ZC_IID (_clsZarnetCalc), ZC_IID2 (_clsZarnetCalc2), ZC_LIBID (with braces),
# ZC_PROGID and ZC_TYPELIB_VERSION.
function(zc_registration_identifiers)
    file(READ ${PROJECT_SOURCE_DIR}/component/ZarnetCalc.idl idl)
    foreach(kind library "interface _clsZarnetCalc " "interface _clsZarnetCalc2 " coclass)
        string(REPLACE " " "[ \t\r\n]+" pattern "${kind}")
        if(NOT idl MATCHES "uuid\\(([0-9A-Fa-f-]+)\\)[^]]*\\][ \t\r\n]*${pattern}")
            message(FATAL_ERROR "ZarnetCalc.idl: no uuid for the ${kind}")
        endif()
        string(MAKE_C_IDENTIFIER "${kind}" kind)
        set(uuid_${kind} "{${CMAKE_MATCH_1}}")
    endforeach()
    file(READ ${PROJECT_SOURCE_DIR}/include/zarnetcalc/ZarnetCalcCom.h header)
    if(NOT header MATCHES "kProgID = \"([^\"]+)\"")
        message(FATAL_ERROR "ZarnetCalcCom.h: no kProgID")
    endif()
    set(ZC_PROGID "${CMAKE_MATCH_1}" PARENT_SCOPE)
    file(READ ${PROJECT_SOURCE_DIR}/include/zarnetcalc/DispatchIds.h ids)
    if(NOT ids MATCHES "#define ZC_TYPELIB_VERSION ([0-9]+\\.[0-9]+)")
        message(FATAL_ERROR "DispatchIds.h: no ZC_TYPELIB_VERSION")
    endif()
    set(ZC_TYPELIB_VERSION "${CMAKE_MATCH_1}" PARENT_SCOPE)
    set(ZC_LIBID "${uuid_library}" PARENT_SCOPE)
    set(ZC_IID "${uuid_interface__clsZarnetCalc_}" PARENT_SCOPE)
    set(ZC_IID2 "${uuid_interface__clsZarnetCalc2_}" PARENT_SCOPE)
    set(ZC_CLSID "${uuid_coclass}" PARENT_SCOPE)
endfunction()

# A C++ header of the rows, as initialisers of { where, key, name, text } with the placeholders
# left for the library to fill in.
function(zc_registration_table_header file)
    zc_registration_rows(rows)
    set(text "// Generated from component/registration.table by cmake/RegistrationTable.cmake.\n")
    foreach(row IN LISTS rows)
        string(REPLACE "\\" "\\\\" row "${row}")
        string(REPLACE "\"" "\\\"" row "${row}")
        zc_registration_fields("${row}")
        if(name STREQUAL "@")
            set(name "")
        endif()
        string(APPEND text "{Where::${where}, \"${key}\", \"${name}\", \"${value}\"},\n")
    endforeach()
    file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()

# The rows as the Windows installer's registry rows (WiX RegistryValue elements under
# root\Software\Classes, root HKLM or HKCU, in the registry view of the component they sit in):
# the library is the installed file file_id, its folder the directory folder_id, the type
# library's platform platform.
function(zc_registration_wxs_rows out root file_id folder_id platform)
    zc_registration_rows(rows)
    zc_registration_identifiers()
    set(text "")
    foreach(row IN LISTS rows)
        string(REPLACE "{CLSID}" "${ZC_CLSID}" row "${row}")
        string(REPLACE "{IID}" "${ZC_IID}" row "${row}")
        string(REPLACE "{IID2}" "${ZC_IID2}" row "${row}")
        string(REPLACE "{VERSION}" "${ZC_TYPELIB_VERSION}" row "${row}")
        string(REPLACE "{LIBID}" "${ZC_LIBID}" row "${row}")
        string(REPLACE "{PROGID}" "${ZC_PROGID}" row "${row}")
        string(REPLACE "{LIBRARY}" "[#${file_id}]" row "${row}")
        string(REPLACE "{FOLDER}" "[${folder_id}]" row "${row}")
        string(REPLACE "{PLATFORM}" "${platform}" row "${row}")
        zc_registration_fields("${row}")
        # XML's own characters are escaped (brackets, which the installer would read as
        # properties, are not allowed in the table).
        foreach(field key name value)
            string(REPLACE "&" "&amp;" ${field} "${${field}}")
            string(REPLACE "<" "&lt;" ${field} "${${field}}")
            string(REPLACE "\"" "&quot;" ${field} "${${field}}")
        endforeach()
        set(name_attribute "")
        if(NOT name STREQUAL "@")
            set(name_attribute " Name=\"${name}\"")
        endif()
        string(APPEND text "            <RegistryValue Root=\"${root}\" Key=\"Software\\Classes\\${key}\""
            "${name_attribute} Type=\"string\" Value=\"${value}\"/>\n")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
