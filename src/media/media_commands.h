// The media commands .avi, .wav, .mp3 and .cda, and the passes of a movie.
#pragma once

namespace advplay {
class Engine;
}

namespace advplay::media {

// ".wav NAME MODE" plays a sound effect (mode 0 once, 1 once while the game waits, 2 in a loop);
// ".wav stop" stops it.
void wav_command(Engine& engine);
// ".mp3 NAME LOOP" plays an MP3 from its start, again at each end when LOOP is not 0; ".mp3 stop".
void mp3_command(Engine& engine);
// ".cda TRACK LOOP" plays a CD track, again at each end when LOOP is not 0; ".cda stop".
void cda_command(Engine& engine);

// State MovieStart: ".avi NAME REPEAT LEFT RIGHT" plays a movie and waits for its end (state
// MoviePlaying), or goes on at once when LEFT or RIGHT asks to skip it. LEFT and RIGHT: 0 a click of
// that button ends the movie, 1 the same unless the button is held as the movie starts (then the
// movie is skipped), 2 the button does nothing, 3 the movie is skipped.
void movie_start_action(Engine& engine);
// State MoviePlaying: once the movie has ended, closes it and shows the screen again.
void movie_playing_action(Engine& engine);
// A click ends the movie early: it stops and closes, and the screen shows again.
void end_movie(Engine& engine);

} // namespace advplay::media
