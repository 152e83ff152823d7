# Installs the built tree into a temporary prefix, runs the installed sample host from there, then
# configures, builds and runs the host project in host/ against it. Run with cmake -P, given
# BUILD_DIR, HOST_DIR and WORK_DIR; GENERATOR, CXX_COMPILER and the build's CXX_FLAGS and
# EXE_LINKER_FLAGS when the host must be built like the tree (a sanitizer build needs its flags in
# the host too). The Debian packages are checked by scripts/debian.sh.
file(REMOVE_RECURSE "${WORK_DIR}")

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
    endif()
    message(STATUS "${what}: ok ${out}")
    set(run_output "${out}" PARENT_SCOPE)
    set(run_error "${err}" PARENT_SCOPE)
endfunction()

set(prefix "${WORK_DIR}/prefix")
run("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

foreach(file include/zarnetcalc/clsZarnetCalc.h include/zarnetcalc/ZarnetCalcCom.h
             include/zarnetcalc/zarnetcalc_export.h bin/zarnetcalc-demo)
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

# Every public header compiles in a host that has the library's include folder and nothing else
# (no Qt): the class keeps its state behind a pointer.
file(GLOB headers RELATIVE "${prefix}/include" "${prefix}/include/zarnetcalc/*.h")
foreach(header ${headers})
    string(APPEND includes "#include <${header}>\n")
endforeach()
file(WRITE "${WORK_DIR}/headers.cpp" "${includes}int main() {}\n")
if(NOT CXX_COMPILER)
    set(CXX_COMPILER c++)
endif()
run("public headers with the package's include path only" ${CXX_COMPILER} -std=c++20
    -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I "${prefix}/include" "${WORK_DIR}/headers.cpp")

# The dynamic symbol table holds the public API and nothing else (sanitizer builds add their own).
if(NOT CXX_FLAGS MATCHES "sanitize")
    run("exported symbols" nm -D --defined-only --extern-only --demangle "${soname}")
    string(REGEX REPLACE "[^\n]* [A-Za-z] ([^\n]*)" "\\1" exported "${run_output}")
    string(REPLACE "\n" ";" exported "${exported}")
    list(REMOVE_ITEM exported "")
    list(REMOVE_DUPLICATES exported)
    list(SORT exported)
    file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/exports.expected" expected)
    if(NOT exported STREQUAL expected)
        string(REPLACE ";" "\n  " exported "${exported}")
        message(FATAL_ERROR "the library exports other symbols than exports.expected:\n  ${exported}")
    endif()
endif()
file(GLOB_RECURSE pcfiles "${prefix}/*/zarnetcalc.pc")
if(NOT pcfiles)
    message(FATAL_ERROR "the pkg-config file zarnetcalc.pc is not installed")
endif()
list(GET pcfiles 0 pcfile)
get_filename_component(pcdir "${pcfile}" DIRECTORY)

# The installed sample host finds its library through its own run path, from any prefix: no
# LD_LIBRARY_PATH, whatever the caller's environment holds.
run("run the installed zarnetcalc-demo" ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
    QT_QPA_PLATFORM=offscreen "${prefix}/bin/zarnetcalc-demo" --keys "1 + 2 =")
if(NOT run_output MATCHES "Result=3 Cancelled=False ErrorOccurred=False")
    message(FATAL_ERROR "the installed zarnetcalc-demo printed:\n${run_output}")
endif()

set(host_options -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Debug)
if(GENERATOR)
    list(APPEND host_options -G "${GENERATOR}")
endif()
if(CXX_COMPILER)
    list(APPEND host_options -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
endif()
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run("configure host" ${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/build" ${host_options}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}")
run("build host" ${CMAKE_COMMAND} --build "${WORK_DIR}/build" -j2)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LD_LIBRARY_PATH} "${libdir}")  # pkg-config's -L gives no run path
run("run host_linked" "${WORK_DIR}/build/host_linked")
run("run host_by_name" "${WORK_DIR}/build/host_by_name")
