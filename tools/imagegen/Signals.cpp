#include "tools/imagegen/Signals.h"

#include <algorithm>
#include <array>

namespace corvid::imagegen {

namespace {

// Music is made in integers only, so that every build and machine makes the
// same samples. Levels and envelopes are fractions of ONE.
constexpr std::int64_t ONE = 32768;
constexpr std::int64_t FRAMES_PER_SECOND = cdrom::SAMPLE_RATE;

// Frequencies of the octave from middle C, in millihertz.
constexpr std::array<std::int64_t, 12> OCTAVE_FOUR_MILLIHERTZ = {
    261626, 277183, 293665, 311127, 329628, 349228, 369994, 391995, 415305, 440000, 466164, 493883};

struct TrackStyle {
    int rootNote;  // MIDI note number of the key's root
    int beatsPerMinute;
    std::array<int, 4> chordRoots;  // semitones above the key's root, one per bar
    std::array<int, 8> melody;      // chord tone per eighth note
};

constexpr std::array<TrackStyle, 6> STYLES = {{
    {60, 92, {0, 7, 9, 5}, {0, 1, 2, 1, 3, 2, 1, 2}},
    {55, 108, {0, 9, 5, 7}, {0, 2, 1, 2, 3, 1, 2, 1}},
    {62, 80, {0, 5, 7, 0}, {2, 1, 0, 1, 2, 3, 2, 1}},
    {57, 120, {0, 7, 5, 7}, {0, 1, 2, 3, 2, 1, 0, 1}},
    {53, 100, {0, 9, 7, 5}, {3, 2, 1, 0, 1, 2, 3, 2}},
    {64, 88, {0, 5, 9, 7}, {1, 2, 3, 2, 0, 2, 1, 3}},
}};

// Sine of a phase given in 1/2^32 of a turn, from a quarter-wave polynomial.
std::int64_t Sine(std::uint32_t phase) {
    const std::uint32_t quadrant = phase >> 30;
    std::int64_t x = (phase >> 14) & 0xFFFF;  // position in the quadrant, of 65536
    if ((quadrant & 1U) != 0) {
        x = 65536 - x;
    }
    const std::int64_t square = (x * x) >> 16;
    std::int64_t value = 102944 - ((square * (42334 - ((square * 5223) >> 16))) >> 16);
    value = std::min<std::int64_t>((value * x) >> 17, ONE - 1);
    return quadrant >= 2 ? -value : value;
}

std::int64_t NoteMillihertz(int note) {
    const int octave = note / 12 - 1;
    const std::int64_t base = OCTAVE_FOUR_MILLIHERTZ[static_cast<std::size_t>(note % 12)];
    return octave >= 4 ? base << (octave - 4) : base >> (4 - octave);
}

// A tone of `harmonics` partials, each half as loud as the one below it.
std::int64_t Tone(int note, std::int64_t frame, int harmonics) {
    const auto step =
        static_cast<std::uint64_t>((NoteMillihertz(note) << 32) / (FRAMES_PER_SECOND * 1000));
    std::int64_t sum = 0;
    std::int64_t level = ONE;
    for (int partial = 1; partial <= harmonics; ++partial) {
        const auto phase = static_cast<std::uint32_t>(step * static_cast<std::uint64_t>(frame) *
                                                      static_cast<std::uint64_t>(partial));
        sum += (Sine(phase) * level) >> 15;
        level /= 2;
    }
    return sum / 2;
}

// Rises from 0 over `attack`, holds, falls to 0 over the last `release`.
std::int64_t Swell(std::int64_t time, std::int64_t length, std::int64_t attack,
                   std::int64_t release) {
    if (time < attack) {
        return time * ONE / attack;
    }
    if (time > length - release) {
        return std::max<std::int64_t>(0, (length - time) * ONE / release);
    }
    return ONE;
}

// A struck note: a short rise, then a fall that slows towards silence.
std::int64_t Pluck(std::int64_t time, std::int64_t length, std::int64_t attack) {
    if (time < attack) {
        return time * ONE / attack;
    }
    const std::int64_t left = std::max<std::int64_t>(0, (length - time) * ONE / length);
    return (left * left) >> 15;
}

std::int16_t Clamp(std::int64_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -32767, 32767));
}

}  // namespace

StereoFrame TestSignalFrame(int trackNumber, std::int64_t frameInRegion) {
    const auto counter = static_cast<std::uint64_t>(frameInRegion);
    return {static_cast<std::int16_t>(counter & 0xFFFFU),
            static_cast<std::int16_t>((static_cast<std::uint64_t>(trackNumber) << 9U) |
                                      ((counter >> 16U) & 0x1FFU))};
}

StereoFrame MusicFrame(int trackIndex, std::int64_t frame, std::int64_t trackFrames) {
    if (frame < 0 || frame >= trackFrames) {
        return {};
    }
    const TrackStyle& style = STYLES[static_cast<std::size_t>(trackIndex) % STYLES.size()];
    const std::int64_t beat = FRAMES_PER_SECOND * 60 / style.beatsPerMinute;
    const std::int64_t bar = beat * 4;
    const std::int64_t eighth = beat / 2;
    const int chordRoot =
        style.rootNote + style.chordRoots[static_cast<std::size_t>((frame / bar) % 4)];
    const bool minor = chordRoot - style.rootNote == 9;
    const std::array<int, 4> chord = {chordRoot, chordRoot + (minor ? 3 : 4), chordRoot + 7,
                                      chordRoot + 12};

    const std::int64_t padLevel = Swell(frame % bar, bar, bar / 8, bar / 6);
    std::int64_t pad = 0;
    for (std::size_t voice = 0; voice < 3; ++voice) {
        pad += Tone(chord[voice], frame, 2);
    }
    pad = (pad * padLevel >> 15) / 9;

    const std::int64_t bass =
        (Tone(chordRoot - 24, frame, 3) * Pluck(frame % beat, beat, 200) >> 15) / 4;

    const std::int64_t step = frame / eighth;
    const int melodyNote = chord[static_cast<std::size_t>(style.melody[step % 8])] + 12;
    const std::int64_t melody =
        (Tone(melodyNote, frame, 3) * Pluck(frame % eighth, eighth, 120) >> 15) / 5;
    const std::int64_t melodyLeft = (step % 2 == 0) ? melody * 3 / 4 : melody / 4;
    const std::int64_t melodyRight = melody - melodyLeft;

    const std::int64_t fade =
        std::min(Swell(frame, trackFrames, FRAMES_PER_SECOND / 20, FRAMES_PER_SECOND * 3), ONE);
    return {Clamp(((pad + bass + melodyLeft) * fade * 3 / 2) >> 15),
            Clamp(((pad + bass + melodyRight) * fade * 3 / 2) >> 15)};
}

std::uint8_t DataSectorByte(Lba lba, int offset) {
    constexpr int SYNC_BYTES = 12;
    if (offset < SYNC_BYTES) {
        return (offset == 0 || offset == SYNC_BYTES - 1) ? 0x00 : 0xFF;
    }
    const Lba address = lba + cdrom::LEAD_IN_FRAMES;
    const auto bcd = [](int value) {
        return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
    };
    switch (offset) {
        case SYNC_BYTES:
            return bcd(address / (75 * 60));
        case SYNC_BYTES + 1:
            return bcd(address / 75 % 60);
        case SYNC_BYTES + 2:
            return bcd(address % 75);
        case SYNC_BYTES + 3:
            return 0x01;  // mode 1
        default:
            break;
    }
    const std::uint32_t mixed = (static_cast<std::uint32_t>(lba) * 2654435761U) ^
                                (static_cast<std::uint32_t>(offset) * 40503U);
    return static_cast<std::uint8_t>(mixed >> 13);
}

}  // namespace corvid::imagegen
