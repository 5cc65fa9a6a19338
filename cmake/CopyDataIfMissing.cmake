# cmake -DSRC=<data> -DDST=<Taku_DATA> -P CopyDataIfMissing.cmake
# Copies every delivered file of SRC into DST unless DST already holds a file of that name; a
# file there that is exactly what an earlier version delivered (SupersededData.cmake) is
# replaced by the current delivery, through a temporary file so it is never lost half-way.
cmake_minimum_required(VERSION 3.22)
include("${CMAKE_CURRENT_LIST_DIR}/SupersededData.cmake")
file(GLOB delivered RELATIVE "${SRC}" "${SRC}/*")
file(MAKE_DIRECTORY "${DST}")
foreach(name IN LISTS delivered)
  if(IS_DIRECTORY "${SRC}/${name}" OR name STREQUAL "README.md")
    continue()
  endif()
  if(NOT EXISTS "${DST}/${name}")
    file(COPY "${SRC}/${name}" DESTINATION "${DST}")
  elseif(DEFINED "taku_superseded_${name}")
    file(SHA256 "${DST}/${name}" held)
    if(held IN_LIST taku_superseded_${name})
      file(COPY_FILE "${SRC}/${name}" "${DST}/${name}.new")
      file(RENAME "${DST}/${name}.new" "${DST}/${name}")
      message(STATUS "Replaced ${DST}/${name}, as delivered by an earlier version, with the current one")
    endif()
  endif()
endforeach()
