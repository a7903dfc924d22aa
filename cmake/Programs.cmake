# How a program of the package is installed. Each program's CMakeLists.txt calls, next to its target:
#   rdx480_install_program(<target>)
# which installs it to bin without the compiler's .comment section and builds and installs its manual page
# from packaging/man/<target>.1.scd. scripts/check-package.sh then checks every program in the package:
# its manual page, and --help, --version and a wrong option answered without a display.

find_program(RDX480_SCDOC scdoc)
if(NOT RDX480_SCDOC)
    message(WARNING "scdoc not found (scripts/setup.sh installs it): no manual pages are built or installed")
endif()

# rdx480_add_manpage(<program> [SECTION <n>]): packaging/man/<program>.<n>.scd -> man<n>/<program>.<n>.gz
function(rdx480_add_manpage program)
    cmake_parse_arguments(M "" "SECTION" "" ${ARGN})
    if(NOT M_SECTION)
        set(M_SECTION 1)
    endif()
    if(NOT RDX480_SCDOC)
        return()
    endif()
    set(source ${CMAKE_SOURCE_DIR}/packaging/man/${program}.${M_SECTION}.scd)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.${M_SECTION}.gz)
    # -n: no file name or time stamp in the gzip header, so the page is the same on every build.
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND sh -c "\"$1\" < \"$2\" | gzip -9n > \"$3\"" sh ${RDX480_SCDOC} ${source} ${page}
        DEPENDS ${source}
        COMMENT "Manual page ${program}(${M_SECTION})"
        VERBATIM)
    add_custom_target(manpage-${program}.${M_SECTION} ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${M_SECTION})
endfunction()

function(rdx480_install_program target)
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Debian strips .comment (the compiler's version strings) from what it ships; so does this install.
    set(installed "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>")
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                                  \"${installed}\" RESULT_VARIABLE failed)
                  if(failed)
                      message(FATAL_ERROR \"objcopy could not clean ${installed}\")
                  endif()")
    rdx480_add_manpage(${target})
endfunction()

# rdx480_install_user_unit(<file>...): systemd user units, to lib/systemd/user (also under /usr: Debian's
# place for units a package ships).
function(rdx480_install_user_unit)
    install(FILES ${ARGN} DESTINATION lib/systemd/user)
endfunction()

# rdx480_install_completion(<file> <command>): a bash completion script, loaded on demand for <command>.
function(rdx480_install_completion file command)
    install(FILES ${file} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${command})
endfunction()
