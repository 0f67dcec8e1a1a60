# The headless backend: a window without a screen, a virtual clock, recording sound, media and MIDI.
# Its media player asks FFmpeg for the lengths of media files.
add_library(advplay_platform_headless STATIC
  ${CMAKE_CURRENT_LIST_DIR}/headless_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording_media_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording_midi_out.cpp
  ${CMAKE_CURRENT_LIST_DIR}/virtual_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/virtual_timer.cpp
)
target_link_libraries(advplay_platform_headless PUBLIC advplay_platform advplay_ffmpeg PRIVATE advplay_warnings)
advplay_backend(headless TARGET advplay_platform_headless HEADER platform/headless/headless_backend.h
                FACTORY make_headless_backend UNATTENDED)
