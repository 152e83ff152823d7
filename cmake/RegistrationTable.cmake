# The registration table (component/registration.table): read once by CMake, written out as C++
# rows for DllRegisterServer (zc_registration_table_header) and as registry rows for the Windows
# installer (zc_registration_table_rows), so that the two can never differ. The identifiers come
# from the interface definition, the programmatic identifier from the public header.
set(ZC_REGISTRATION_TABLE ${PROJECT_SOURCE_DIR}/component/registration.table)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${ZC_REGISTRATION_TABLE} ${PROJECT_SOURCE_DIR}/component/ZarnetCalc.idl)

# The rows, each "where;key;name;text" with its fields joined by "|".
function(zc_registration_rows out)
    file(STRINGS ${ZC_REGISTRATION_TABLE} lines)
    set(rows)
    foreach(line IN LISTS lines)
        if(line MATCHES "^#" OR line STREQUAL "")
            continue()
        endif()
        if(NOT line MATCHES "^(all|windows)\t([^\t]+)\t([^\t]+)\t([^\t]*)$")
            message(FATAL_ERROR "registration.table: not a row: ${line}")
        endif()
        list(APPEND rows "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}|${CMAKE_MATCH_4}")
    endforeach()
    set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# ZC_CLSID, ZC_IID, ZC_LIBID (with braces) and ZC_PROGID.
function(zc_registration_identifiers)
    file(READ ${PROJECT_SOURCE_DIR}/component/ZarnetCalc.idl idl)
    foreach(kind library interface coclass)
        if(NOT idl MATCHES "uuid\\(([0-9A-Fa-f-]+)\\)[^]]*\\][ \t\r\n]*${kind}")
            message(FATAL_ERROR "ZarnetCalc.idl: no uuid for the ${kind}")
        endif()
        set(uuid_${kind} "{${CMAKE_MATCH_1}}")
    endforeach()
    file(READ ${PROJECT_SOURCE_DIR}/include/zarnetcalc/ZarnetCalcCom.h header)
    if(NOT header MATCHES "kProgID = \"([^\"]+)\"")
        message(FATAL_ERROR "ZarnetCalcCom.h: no kProgID")
    endif()
    set(ZC_PROGID "${CMAKE_MATCH_1}" PARENT_SCOPE)
    set(ZC_LIBID "${uuid_library}" PARENT_SCOPE)
    set(ZC_IID "${uuid_interface}" PARENT_SCOPE)
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
        string(REPLACE "|" ";" fields "${row}")
        list(GET fields 0 where)
        list(GET fields 1 key)
        list(GET fields 2 name)
        list(GET fields 3 value)
        if(name STREQUAL "@")
            set(name "")
        endif()
        string(APPEND text "{Where::${where}, \"${key}\", \"${name}\", \"${value}\"},\n")
    endforeach()
    file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()
