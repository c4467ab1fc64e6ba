# The desktop side of the platform: application object, messages, printers,
# print dialog, preview and picture readers.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Svg)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBWMF REQUIRED IMPORTED_TARGET libwmf)
find_library(EMF2SVG_LIBRARY NAMES emf2svg REQUIRED)
find_library(CUPS_LIBRARY NAMES cups REQUIRED)
find_path(CUPS_INCLUDE_DIR cups/cups.h REQUIRED)

set(_desktop_dir ${PROJECT_SOURCE_DIR}/platform)
add_library(danfe_desktop
  ${_desktop_dir}/desktop.cpp
  ${_desktop_dir}/metafile.cpp
  ${_desktop_dir}/pictures.cpp
  ${_desktop_dir}/print_server.cpp
  ${_desktop_dir}/printing.cpp
)
target_include_directories(danfe_desktop PUBLIC ${PROJECT_SOURCE_DIR} PRIVATE ${CUPS_INCLUDE_DIR})
target_link_libraries(danfe_desktop
  PUBLIC danfe_platform danfe_report Qt6::Widgets Qt6::PrintSupport
  PRIVATE danfe_invoice Qt6::Svg PkgConfig::LIBWMF ${EMF2SVG_LIBRARY} ${CUPS_LIBRARY})

danfe_test(pictures_test ${_desktop_dir}/pictures_test.cpp LIBS danfe_desktop)
set_tests_properties(${pictures_test_TESTS} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
