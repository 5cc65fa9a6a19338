# `cmake --install <build> --prefix <folder>` makes <folder> a self-contained, relocatable
# installation:
#   chikutaku                    the program
#   Taku_DATA/                   its data folder; delivered files are copied only where
#                                missing, so a reinstall never overwrites the user's files
#   chikutaku.desktop            the desktop menu entry for this folder
#   chikutaku.png, -48.png       the icon, drawn by the program's own icon code
#   install-desktop-entry.sh     puts the entry into the user's menu (again after a move)
#   voice/                       the Japanese voice Mei with its licence and credits, when
#                                fetched (tools/fetch-voice.sh)

add_executable(taku_icongen ${PROJECT_SOURCE_DIR}/tools/taku_icongen.cpp)
target_link_libraries(taku_icongen PRIVATE taku_widgets)
set(taku_icon_dir ${CMAKE_BINARY_DIR}/icon)
add_custom_command(OUTPUT ${taku_icon_dir}/chikutaku.png ${taku_icon_dir}/chikutaku-48.png
  COMMAND ${CMAKE_COMMAND} -E make_directory ${taku_icon_dir}
  COMMAND taku_icongen ${taku_icon_dir}
  DEPENDS taku_icongen
  COMMENT "Drawing the application icon"
  VERBATIM)
add_custom_target(taku_icon ALL DEPENDS ${taku_icon_dir}/chikutaku.png)

install(TARGETS chikutaku RUNTIME DESTINATION .)
install(FILES ${taku_icon_dir}/chikutaku.png ${taku_icon_dir}/chikutaku-48.png DESTINATION .)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/cmake/install-desktop-entry.sh DESTINATION .)

# The entry names the folder it is installed in; install-desktop-entry.sh rewrites it after a
# move.
install(CODE "
  set(dest \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  get_filename_component(dir \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  set(TAKU_DIR \"\${dir}\")
  set(TAKU_EXEC \"\${dir}/chikutaku\")
  set(TAKU_ICON \"\${dir}/chikutaku.png\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/chikutaku.desktop.in\"
                 \"\${dest}/chikutaku.desktop\" @ONLY)
  message(STATUS \"Installing: \${dest}/chikutaku.desktop\")
  execute_process(COMMAND \"${CMAKE_COMMAND}\" -DSRC=${PROJECT_SOURCE_DIR}/data
                          \"-DDST=\${dest}/Taku_DATA\"
                          -P ${PROJECT_SOURCE_DIR}/cmake/CopyDataIfMissing.cmake
                  RESULT_VARIABLE copied)
  if(NOT copied EQUAL 0)
    message(FATAL_ERROR \"Taku_DATA could not be filled\")
  endif()
  message(STATUS \"Installing: \${dest}/Taku_DATA (delivered files only where missing)\")
  execute_process(COMMAND \"${CMAKE_COMMAND}\" -DSRC=${TAKU_VOICE_CACHE}/mei
                          \"-DDST=\${dest}/voice/mei\"
                          -P ${PROJECT_SOURCE_DIR}/cmake/CopyVoice.cmake)
")
