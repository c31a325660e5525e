# The help page is made at build time by the art generator, which holds its text. The program's build and the fuzz
# build (which lists its sources itself) both take it from here, so the two cannot drift apart.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# zb_add_help_page(<target> <checkout root>): writes help/index.html and zbhelp.qrc into the current binary folder
# and adds them to <target>, whose resources then hold :/resources/help/index.html (Q_INIT_RESOURCE(zbhelp)).
function(zb_add_help_page target root)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/help/index.html)
    add_custom_command(OUTPUT ${page}
                       COMMAND Python3::Interpreter ${root}/tools/gen_art.py --help-page ${page}
                       DEPENDS ${root}/tools/gen_art.py
                       COMMENT "Writing the help page" VERBATIM)
    # Written only when it changes, so that a new configure does not recompile the resources.
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/zbhelp.qrc
         CONTENT "<RCC>\n    <qresource prefix=\"/resources\">\n        <file>help/index.html</file>\n    </qresource>\n</RCC>\n")
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/zbhelp.qrc ${page})
endfunction()
