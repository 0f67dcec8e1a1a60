# The web backend (Emscripten only): the SDL backend's window, sound device, media player and message
# boxes built on Emscripten's SDL2 and the SDL2_mixer that scripts/web.sh builds, with a clock and a
# timer of the page's own and the music sent to the page's synthesiser.
if(NOT ADVPLAY_WEB)
  return()
endif()
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)
set(sdl ${CMAKE_CURRENT_LIST_DIR}/../sdl)
add_library(advplay_platform_web STATIC
  ${CMAKE_CURRENT_LIST_DIR}/web_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_midi_out.cpp
  ${sdl}/sdl_audio.cpp
  ${sdl}/sdl_library.cpp
  ${sdl}/sdl_media_player.cpp
  ${sdl}/sdl_message_box.cpp
  ${sdl}/sdl_mixer.cpp
  ${sdl}/sdl_window.cpp
  ${sdl}/sdl_window_services.cpp
)
target_link_libraries(advplay_platform_web PUBLIC advplay_platform advplay_ffmpeg SDL2::SDL2-static SDL2_mixer::SDL2_mixer-static
                                           PRIVATE advplay_warnings)
target_compile_definitions(advplay_platform_web PRIVATE ADVPLAY_X11=0)
advplay_backend(web TARGET advplay_platform_web HEADER platform/web/web_backend.h FACTORY make_web_backend)
