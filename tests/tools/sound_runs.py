#!/usr/bin/env python3
"""Checks a game's captured sound (16-bit stereo at 44.1 kHz, as SDL's disk driver writes it) against
the order and lengths of the sounds that tests/window/sound_game plays.

Usage: sound_runs.py FILE
The output is cut into 50 ms windows, each classed by its loudest sample: silent (below 16), the
test MP3 (it is played twice, from the CD folder and as music; above 20,000), the demo movie's tone
(3,900 to 4,300), and other sound (the chime and the synthesiser). Runs of one class make the
sequence that is compared; runs shorter than two windows are the edges between sounds.
"""
import array
import sys

WINDOW = 44100 // 20


def classify(peak):
    if peak < 16:
        return "silence"
    if peak > 20000:
        return "mp3"
    if 3900 <= peak <= 4300:
        return "tone"
    return "other"


def runs(path):
    samples = array.array("h")
    with open(path, "rb") as file:
        samples.frombytes(file.read())
    if sys.byteorder == "big":
        samples.byteswap()
    result = []
    for at in range(0, len(samples) - 2 * WINDOW + 1, 2 * WINDOW):
        kind = classify(max(abs(s) for s in samples[at:at + 2 * WINDOW]))
        if result and result[-1][0] == kind:
            result[-1][1] += 1
        else:
            result.append([kind, 1])
    # Edges between sounds fall into the neighbours; what is left is merged again.
    merged = []
    for kind, count in (run for run in result if run[1] >= 2):
        if merged and merged[-1][0] == kind:
            merged[-1][1] += count
        else:
            merged.append([kind, count])
    while merged and merged[0][0] == "silence":
        merged.pop(0)
    while merged and merged[-1][0] == "silence":
        merged.pop()
    return [(kind, count * 50) for kind, count in merged]


def main():
    found = runs(sys.argv[1])
    print(" ".join(f"{kind}:{ms}" for kind, ms in found))
    # The song's last notes may fade out into the movie, or a moment of silence may part them.
    if [kind for kind, _ in found[6:9]] == ["other", "silence", "tone"]:
        del found[7]
    kinds = [kind for kind, _ in found]
    # The chime, a pause, the CD track, a pause, the MP3 music, a pause, the song, the movie's tone.
    wanted = ["other", "silence", "mp3", "silence", "mp3", "silence", "other", "tone"]
    if kinds != wanted:
        raise SystemExit(f"heard {kinds}, wanted {wanted}")
    lengths = dict(enumerate(ms for _, ms in found))
    checks = [
        ("the CD track", lengths[2], 850, 1100),
        ("the MP3 music", lengths[4], 850, 1100),
        ("the movie", lengths[7], 1850, 2200),
    ]
    for name, ms, low, high in checks:
        if not low <= ms <= high:
            raise SystemExit(f"{name} sounded {ms} ms, not {low} to {high} ms")


if __name__ == "__main__":
    main()
