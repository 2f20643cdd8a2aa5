# Writes a gzip-compressed manual page.
#   cmake -DPAGE=<roff page or template> -DOUTPUT=<page.gz> [-DCLI=<can-adapter-cli>
#         -DVERSION=<x.y.z>] -P ManPage.cmake
# With CLI, PAGE is a template whose @SUMMARY@, @SYNOPSIS@, @COMMANDS@ and
# @EXIT_STATUS@ are filled from the program's own --help texts, so the page
# lists the commands as they are.

# Help text as roff lines that are shown as they are.
function(roff_verbatim text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(help_of out)
    set(ENV{ASAN_OPTIONS} "detect_leaks=0")
    execute_process(COMMAND "${CLI}" ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE result
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${CLI} ${ARGN} failed: ${result}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(name "${OUTPUT}" NAME_WE)
set(page "${OUTPUT}.tmp/${name}.1")
if(CLI)
    help_of(help --help)
    string(REGEX MATCH "^[^:]*: ([^\n]*)\\." summary "${help}")
    set(SUMMARY "${CMAKE_MATCH_1}")

    string(REGEX MATCH "usage:[^\n]*(\nusage:[^\n]*)*" usages "${help}")
    roff_verbatim("${usages}" usages)
    string(REGEX REPLACE "usage: ([^ \n]+) ([^\n]*)" ".B \\1\n\\2\n.br" SYNOPSIS "${usages}")

    string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)*" commands "${help}")
    string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" commands "${commands}")
    set(COMMANDS "")
    foreach(command IN LISTS commands)
        string(STRIP "${command}" command)
        help_of(command_help ${command} --help)
        roff_verbatim("${command_help}" command_help)
        string(APPEND COMMANDS ".SS ${command}\n.nf\n${command_help}\n.fi\n")
    endforeach()

    string(REGEX MATCH "\nExit status:\n(.*)$" exit_status "${help}")
    roff_verbatim("${CMAKE_MATCH_1}" EXIT_STATUS)
    string(STRIP "${COMMANDS}" COMMANDS)
    if(SUMMARY STREQUAL "" OR SYNOPSIS STREQUAL "" OR COMMANDS STREQUAL "" OR
       EXIT_STATUS STREQUAL "")
        message(FATAL_ERROR "${CLI} --help does not have the expected sections")
    endif()
    configure_file("${PAGE}" "${page}" @ONLY)
else()
    configure_file("${PAGE}" "${page}" COPYONLY)
endif()
execute_process(COMMAND gzip -9 -n -c "${page}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${page}")
endif()
