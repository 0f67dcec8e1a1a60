# The SDL2 backend: the game window, its message boxes and the sound device, with the music of
# FluidSynth (or an ALSA port) and the movies of FFmpeg.
option(ADVPLAY_SDL "Build the SDL2 backend (the game window)" ON)
if(NOT ADVPLAY_SDL)
  return()
endif()
# 2.0.12 for SDL_SetTextureScaleMode, which changes the filter of a texture there is already.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2>=2.0.12)
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
add_library(advplay_platform_sdl STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sdl_audio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_media_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_synth_out.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdl_window_services.cpp
)
target_link_libraries(advplay_platform_sdl PUBLIC advplay_platform advplay_ffmpeg advplay_fluidsynth advplay_alsa
                                           PRIVATE PkgConfig::SDL2 PkgConfig::SDL2_MIXER advplay_warnings)
# On X11, full screen without a window manager needs to know that there is none.
pkg_check_modules(X11 IMPORTED_TARGET x11)
if(X11_FOUND)
  target_sources(advplay_platform_sdl PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../x11/window_manager.cpp)
  target_link_libraries(advplay_platform_sdl PRIVATE PkgConfig::X11)
  target_compile_definitions(advplay_platform_sdl PRIVATE ADVPLAY_X11=1)
endif()
advplay_backend(sdl TARGET advplay_platform_sdl HEADER platform/sdl/sdl_backend.h FACTORY make_sdl_backend)
