# Run with cmake -P: fails unless every file of FILES (a list) is a Release build as the installer
# packages ship them, that is without debug sections (.debug_*), read with OBJDUMP.
foreach(file IN LISTS FILES)
    execute_process(COMMAND ${OBJDUMP} -h ${file} OUTPUT_VARIABLE sections RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${file}: its sections cannot be read")
    endif()
    if(sections MATCHES "[ \t]\\.debug")
        message(FATAL_ERROR "${file} carries debug sections: it is not a Release build. The "
                            "installers pack Release builds only: configure its tree with "
                            "-DCMAKE_BUILD_TYPE=Release (the default) and build it again.")
    endif()
endforeach()
