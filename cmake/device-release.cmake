# What goes onto the device, morvane.exe and mvlaunch.exe, is a release build
# whatever CMAKE_BUILD_TYPE the rest of the build (the tests) uses, and the
# tests link the same compiled code. What each flag saves in installed bytes,
# morvane.exe (mvlaunch.exe), measured by leaving it out of the final set
# (121,856 and 18,944 bytes):
#   -Os instead of -O2                 13,312   (1,024)
#   -s, no symbols or debug records   341,510 (111,174)
#   -ffunction-sections, --gc-sections  1,536   (1,536)
#   -fno-exceptions (with RTTI on)     99,840  (85,504)   the unwinder and the
#                                      C++ runtime's exception support
#   -fno-rtti                           2,560       (0)
# Left out: -fdata-sections (+181,248: the zero-filled process table moves
# into the file) and link-time optimisation (-10,240 and -3,072, for a far
# slower link of every test program). The two files whose loops have speed
# targets are compiled with -O2 instead (commands/ and schedule/
# CMakeLists.txt), for 4,608 bytes.

# The compile flags, for every library and program whose code is installed.
add_library(device_release INTERFACE)
target_compile_options(device_release INTERFACE
    "$<$<COMPILE_LANGUAGE:CXX>:-Os;-g0;-fno-exceptions;-fno-rtti;-ffunction-sections>")

# device_program(TARGET [PLAIN]): an installed program, stripped, its unused
# functions dropped. PLAIN: a program without the C++ runtime; the build
# fails when its link map names any part of it (it would bring 80 KB along).
function(device_program target)
    target_link_libraries(${target} PRIVATE device_release)
    target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
    if("PLAIN" IN_LIST ARGN)
        set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
        target_link_options(${target} PRIVATE -Wl,-Map,${map})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -DMAP=${map} -DPROGRAM=$<TARGET_FILE:${target}>
                    -P ${CMAKE_SOURCE_DIR}/cmake/no-cxx-runtime.cmake
            VERBATIM)
    endif()
endfunction()
