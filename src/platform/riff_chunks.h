// RIFF files (WAV sounds) held in memory: chunk lengths made to fit the bytes that are there, and
// format chunks that no reader should be given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace advplay::platform {

// Cuts the RIFF length and the length of every chunk that runs past the end of `file` to what the
// file holds, so that a reader that allocates what a header claims before it finds the file short
// (a 92-byte WAV whose data chunk claims 2.5 GB) allocates only what is there. The sound read is
// the same: what the file holds. Bytes that are not a RIFF file are left as they are.
void fit_riff_chunks(std::span<std::uint8_t> file);

// "RIFF", a length and "WAVE": a WAV file, whatever its chunks hold.
bool is_wave_file(std::span<const std::uint8_t> file);

// False for a WAV (RIFF) or AIFF (FORM) file whose format chunk gives no channels or more than 8,
// no bits a sample, no block size, or a sample rate beyond 768 kHz, or that has no format chunk:
// the mixer's music reader divides by such values. True for anything else, which is the decoders'
// to judge.
bool sound_format_plausible(std::span<const std::uint8_t> file);

// The whole file at `host_path`; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> read_sound_file(const std::string& host_path);

// sound_format_plausible for the file at `host_path`, which is read whole only when it is a WAV or
// AIFF file: an MP3 is the decoder's to judge. False when it cannot be read.
bool sound_file_plausible(const std::string& host_path);

} // namespace advplay::platform
