# cmake -DSRC=<cache>/mei -DDST=<folder>/voice/mei -P CopyVoice.cmake
# Copies the voice Mei and its licence texts (fetched by tools/fetch-voice.sh) when they are
# there; without them the clock speaks Japanese with espeak-ng, so their absence is no error.
set(files mei_normal.htsvoice COPYRIGHT.txt README.txt)
foreach(f IN LISTS files)
  if(NOT EXISTS "${SRC}/${f}")
    message(STATUS "No voice Mei in ${SRC} (tools/fetch-voice.sh fetches it); "
                   "Japanese will be spoken by espeak-ng")
    return()
  endif()
endforeach()
file(MAKE_DIRECTORY "${DST}")
foreach(f IN LISTS files)
  file(COPY_FILE "${SRC}/${f}" "${DST}/${f}" ONLY_IF_DIFFERENT)
endforeach()
file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/VOICE-CREDITS.txt" "${DST}/../CREDITS.txt"
     ONLY_IF_DIFFERENT)
