# The browser build's libraries, built by tools/web/build-libs.sh from
# Debian's source packages into KAZIRO_WEB_LIBS. They get the same target
# names as the desktop's packages, and are linked by their archives' paths:
# emscripten's "-lSDL2_mixer" and the like would fetch its own ports instead.
set(KAZIRO_WEB_LIBS "" CACHE PATH "The web libraries' prefix (tools/web/build-libs.sh)")
if(NOT EXISTS "${KAZIRO_WEB_LIBS}/lib/libSDL2.a")
  message(FATAL_ERROR "KAZIRO_WEB_LIBS must name the folder tools/web/build-libs.sh built")
endif()

function(kaziro_web_library target)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set(archives)
  foreach(name ${ARGN})
    list(APPEND archives "${KAZIRO_WEB_LIBS}/lib/lib${name}.a")
  endforeach()
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${KAZIRO_WEB_LIBS}/include/SDL2;${KAZIRO_WEB_LIBS}/include"
    INTERFACE_LINK_LIBRARIES "${archives}")
endfunction()

kaziro_web_library(SDL2::SDL2 SDL2)
kaziro_web_library(SDL2_image::SDL2_image SDL2_image)
kaziro_web_library(SDL2_mixer::SDL2_mixer SDL2_mixer)
kaziro_web_library(SDL2_ttf::SDL2_ttf SDL2_ttf freetype)
# One thread: the page's main thread runs the game and SDL's audio callback.
add_library(Threads::Threads INTERFACE IMPORTED GLOBAL)
