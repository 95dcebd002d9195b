# The translations of the user interface: lrelease turns each resources/translations/*.ts
# into a .qm, which is built into the program as :/translations/<name>.qm, so that the program
# and the tests find it without an installation. The source texts are Chinese.
#   norvane_add_translations(<object library>)   adds the resource to that library
# scripts/update-translations.sh brings the .ts files up to date with the sources.
# Found as a component of Qt, after Qt's other components (Qt 6 needs them first).
find_package(Qt${NORVANE_QT} ${NORVANE_QT_MINIMUM} REQUIRED COMPONENTS LinguistTools)

function(norvane_add_translations target)
  file(GLOB ts_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/translations/*.ts)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/translations)
  set(entries "")
  set(qm_files "")
  foreach(ts ${ts_files})
    get_filename_component(name ${ts} NAME_WE)
    set(qm ${dir}/${name}.qm)
    add_custom_command(OUTPUT ${qm}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                       COMMAND Qt${NORVANE_QT}::lrelease -silent ${ts} -qm ${qm}
                       DEPENDS ${ts} VERBATIM)
    string(APPEND entries "<file>${name}.qm</file>")
    list(APPEND qm_files ${qm})
  endforeach()
  # Written only when its content changes, so that a configure of an unchanged tree rebuilds nothing.
  set(qrc ${dir}/translations.qrc)
  file(CONFIGURE OUTPUT ${qrc} CONTENT "<RCC><qresource prefix=\"/translations\">${entries}</qresource></RCC>\n")
  # rcc by hand and not through AUTORCC: its command then waits for the .qm files it packs.
  set(rcc_output ${dir}/qrc_translations.cpp)
  add_custom_command(OUTPUT ${rcc_output}
                     COMMAND Qt${NORVANE_QT}::rcc --name translations --output ${rcc_output} ${qrc}
                     DEPENDS ${qrc} ${qm_files} VERBATIM)
  target_sources(${target} PRIVATE ${rcc_output})
  set_source_files_properties(${rcc_output} PROPERTIES SKIP_AUTOGEN ON)
endfunction()
