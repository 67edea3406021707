# The AppStream metainfo, with screenshots that are files of this repository (docs/screenshots),
# published under QUINTARA_SOURCE_URL.
set(QUINTARA_SCREENSHOTS
  # file | caption
  "wallpaper.jpg|A video wallpaper playing behind the desktop"
)
set(QUINTARA_METAINFO_SCREENSHOTS "")
set(default " type=\"default\"")
foreach(entry IN LISTS QUINTARA_SCREENSHOTS)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 caption)
  string(APPEND QUINTARA_METAINFO_SCREENSHOTS
    "    <screenshot${default}>\n"
    "      <caption>${caption}</caption>\n"
    "      <image>${QUINTARA_SOURCE_URL}/docs/screenshots/${file}</image>\n"
    "    </screenshot>\n")
  set(default "")
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/data/com.quintara.Quintara.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/com.quintara.Quintara.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/com.quintara.Quintara.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
