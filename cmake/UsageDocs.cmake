# Each program keeps its usage in one file beside its sources (usage.txt), which its --help
# prints. sweepora_usage_docs() makes the man page from that file and, with COMPLETIONS, the
# bash, zsh and fish completions too, and installs them with COMPONENT.
find_package(Python3 REQUIRED COMPONENTS Interpreter)


function(sweepora_usage_docs program section component)
    cmake_parse_arguments(ARG "COMPLETIONS" "" "" ${ARGN})
    set(usage ${CMAKE_CURRENT_SOURCE_DIR}/usage.txt)
    set(man ${CMAKE_CURRENT_BINARY_DIR}/${program}.${section}.gz)
    set(outputs ${man})
    set(options --man ${man} --section ${section} --version ${PROJECT_VERSION})
    if(ARG_COMPLETIONS)
        set(bash ${CMAKE_CURRENT_BINARY_DIR}/completions/${program})
        set(zsh ${CMAKE_CURRENT_BINARY_DIR}/completions/_${program})
        set(fish ${CMAKE_CURRENT_BINARY_DIR}/completions/${program}.fish)
        list(APPEND outputs ${bash} ${zsh} ${fish})
        list(APPEND options --bash ${bash} --zsh ${zsh} --fish ${fish})
        file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/completions)
    endif()
    add_custom_command(OUTPUT ${outputs}
        COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/usage_docs.py ${usage} --program ${program} ${options}
        DEPENDS ${usage} ${CMAKE_SOURCE_DIR}/cmake/usage_docs.py
        COMMENT "Making the man page of ${program} from its usage file"
        VERBATIM)
    add_custom_target(${program}-docs ALL DEPENDS ${outputs})
    install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
    if(ARG_COMPLETIONS)
        install(FILES ${bash} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT ${component})
        # Debian's zsh reads vendor-completions under /usr and site-functions elsewhere; the
        # prefix is known for certain only when installing.
        install(CODE "
            if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
                set(zsh_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions\")
            else()
                set(zsh_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/site-functions\")
            endif()
            file(INSTALL DESTINATION \"\${zsh_dir}\" TYPE FILE FILES \"${zsh}\")"
            COMPONENT ${component})
        install(FILES ${fish} DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT ${component})
    endif()
endfunction()
