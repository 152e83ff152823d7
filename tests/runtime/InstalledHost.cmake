# Installs the built tree into a temporary prefix, then configures, builds and runs the host
# project in host/ against it. Run with cmake -P, given BUILD_DIR, HOST_DIR, WORK_DIR, GENERATOR,
# CXX_COMPILER and the build's CXX_FLAGS and EXE_LINKER_FLAGS (a sanitizer build needs its flags
# in the host too).
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
    endif()
    message(STATUS "${what}: ok ${out}")
endfunction()

run("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
foreach(file include/zarnetcalc/clsZarnetCalc.h include/zarnetcalc/ZarnetCalcCom.h
             include/zarnetcalc/zarnetcalc_export.h)
    if(NOT EXISTS "${prefix}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(GLOB_RECURSE sonames "${prefix}/lib*/libzarnetcalc.so.1")
if(NOT sonames)
    message(FATAL_ERROR "the library's soname link libzarnetcalc.so.1 is not installed")
endif()
list(GET sonames 0 soname)
get_filename_component(libdir "${soname}" DIRECTORY)

set(ENV{PKG_CONFIG_PATH} "${libdir}/pkgconfig")
run("configure host" ${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}"
    -DCMAKE_BUILD_TYPE=Debug)
run("build host" ${CMAKE_COMMAND} --build "${WORK_DIR}/build" -j2)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LD_LIBRARY_PATH} "${libdir}")  # pkg-config's -L gives no run path
run("run host_linked" "${WORK_DIR}/build/host_linked")
run("run host_by_name" "${WORK_DIR}/build/host_by_name")
