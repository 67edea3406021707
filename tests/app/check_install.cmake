# Installs into a scratch prefix and checks that the desktop integration lands where desktops look.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/quintara share/applications/com.quintara.Quintara.desktop
          share/icons/hicolor/scalable/apps/com.quintara.Quintara.svg)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/com.quintara.Quintara.desktop" entry)
foreach(line "MimeType=x-scheme-handler/quintara;" "Exec=quintara %u" "Icon=com.quintara.Quintara")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
# The sample gallery, whose catalog names the installed files.
set(FOLDER "${PREFIX}/share/quintara/gallery")
include("${CMAKE_CURRENT_LIST_DIR}/../gallery/check_gallery.cmake")
