# Authenticode signatures for the Windows build, made with osslsigncode: given a code-signing
# certificate and its key at configure time, the DLL, the sample host and the installer packages
# are signed as they are built (with an RFC 3161 timestamp when a server is named); without them
# everything stays unsigned, which the configure step says once.
set(ZARNETCALC_SIGN_CERT "" CACHE FILEPATH
    "Code-signing certificate (PEM or DER, with its chain); empty: nothing is signed")
set(ZARNETCALC_SIGN_KEY "" CACHE FILEPATH "The certificate's private key (PEM or DER)")
set(ZARNETCALC_SIGN_TIMESTAMP_URL "" CACHE STRING
    "An RFC 3161 timestamp server for the signatures (empty: no timestamp)")

set(ZC_SIGN_COMMAND "")
if(ZARNETCALC_SIGN_CERT OR ZARNETCALC_SIGN_KEY)
    foreach(file ZARNETCALC_SIGN_CERT ZARNETCALC_SIGN_KEY)
        if(NOT ${file} OR NOT EXISTS "${${file}}")
            message(FATAL_ERROR "Signing needs ZARNETCALC_SIGN_CERT and ZARNETCALC_SIGN_KEY, "
                                "each an existing file (${file} is \"${${file}}\")")
        endif()
    endforeach()
    find_program(ZC_OSSLSIGNCODE osslsigncode REQUIRED)
    set(ZC_SIGN_COMMAND ${ZC_OSSLSIGNCODE} sign -certs ${ZARNETCALC_SIGN_CERT}
        -key ${ZARNETCALC_SIGN_KEY} -h sha256 -n "${ZARNETCALC_TITLE}")
    if(ZARNETCALC_SIGN_TIMESTAMP_URL)
        list(APPEND ZC_SIGN_COMMAND -ts ${ZARNETCALC_SIGN_TIMESTAMP_URL})
    endif()
    message(STATUS "Signing with ${ZARNETCALC_SIGN_CERT}")
else()
    message(STATUS "Not signing (no ZARNETCALC_SIGN_CERT): the DLL, the sample host and the "
                   "installers stay unsigned")
endif()

# The commands that sign file in place (osslsigncode writes a signed copy, which replaces it), as
# a list for add_custom_command or add_custom_target; empty when nothing is signed.
function(zc_sign_commands out file)
    set(commands "")
    if(ZC_SIGN_COMMAND)
        set(commands
            COMMAND ${CMAKE_COMMAND} -E rm -f ${file}.signed
            COMMAND ${ZC_SIGN_COMMAND} -in ${file} -out ${file}.signed
            COMMAND ${CMAKE_COMMAND} -E rename ${file}.signed ${file})
    endif()
    set(${out} ${commands} PARENT_SCOPE)
endfunction()

# Signs a program or library of this build each time it is linked.
function(zc_sign_target target)
    zc_sign_commands(commands $<TARGET_FILE:${target}>)
    if(commands)
        add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
    endif()
endfunction()
