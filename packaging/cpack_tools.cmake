# cpack_tools.cmake -- read by cpack: the tools its DEB generator needs, named by their Debian package
foreach(tool dpkg-shlibdeps:dpkg-dev file:file)
    string(REPLACE ":" ";" pair ${tool})
    list(GET pair 0 program)
    list(GET pair 1 package)
    find_program(found_${program} ${program})
    if(NOT found_${program})
        message(FATAL_ERROR "${program} not found: the package's dependencies are found with it; install the "
                            "Debian package ${package} (scripts/deps.sh does)")
    endif()
endforeach()
