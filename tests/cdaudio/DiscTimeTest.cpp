#include "cdaudio/DiscTime.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace corvid {
namespace {

struct FormatCase {
    int track, minutes, seconds, frames;
    const char* text;
};

class FormatPositionTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatPositionTest, WritesTwoDigitFieldsWithoutRangeCheck) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatPositionText(c.track, c.minutes, c.seconds, c.frames), c.text);

    // Into a buffer larger than the text: the whole text and its terminator.
    std::array<char, 64> out;
    out.fill('#');
    FormatPosition(out, c.track, c.minutes, c.seconds, c.frames);
    EXPECT_STREQ(out.data(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Examples, FormatPositionTest,
                         ::testing::Values(FormatCase{7, 0, 0, 0, "07:00:00:00"},
                                           FormatCase{12, 3, 4, 5, "12:03:04:05"},
                                           FormatCase{5, 59, 59, 74, "05:59:59:74"},
                                           FormatCase{0, 0, 0, 0, "00:00:00:00"},
                                           FormatCase{99, 10, 9, 10, "99:10:09:10"},
                                           // 100 and more take three digits and shift later fields
                                           FormatCase{100, 0, 0, 0, "100:00:00:00"},
                                           // a negative value prints with its sign
                                           FormatCase{-1, 0, 0, 0, "-1:00:00:00"},
                                           FormatCase{3, -1, 5, 0, "03:-1:05:00"},
                                           FormatCase{INT_MIN, 0, 0, 0, "-2147483648:00:00:00"}));

TEST(AppendTimeField, WritesWhatPrintfWritesForEveryKindOfValue) {
    for (const long long value : {0LL, 1LL, 9LL, 10LL, 59LL, 99LL, 100LL, 12'345LL, -1LL, -9LL,
                                  -10LL, -123LL, LLONG_MAX, LLONG_MIN}) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%02lld", value);
        std::string text = "[";
        AppendTimeField(text, value);
        EXPECT_EQ(text, std::string("[") + expected) << value;
    }
}

TEST(FormatPositionCut, NeverWritesPastTheBufferItIsGiven) {
    // A 12-byte buffer inside a larger one: the bytes after it stay untouched.
    std::array<char, 32> memory;
    memory.fill('#');
    FormatPosition(std::span<char>(memory.data(), 12), 100, 100, 100, 100);
    EXPECT_STREQ(memory.data(), "100:100:100");  // 11 characters and the terminator
    for (std::size_t i = 12; i < memory.size(); ++i) {
        EXPECT_EQ(memory[i], '#') << i;
    }

    memory.fill('#');
    FormatPosition(std::span<char>(memory.data(), 12), INT_MIN, INT_MIN, INT_MIN, INT_MIN);
    EXPECT_EQ(std::string(memory.data()), "-2147483648");
    EXPECT_EQ(memory[12], '#');

    memory.fill('#');
    FormatPosition(std::span<char>(memory.data(), 1), 7, 0, 0, 0);
    EXPECT_EQ(memory[0], '\0');
    EXPECT_EQ(memory[1], '#');

    FormatPosition(std::span<char>(), 7, 0, 0, 0);  // nothing to write into
}

struct ReadCase {
    const char* text;
    std::size_t offset;
    int value;
};

class ReadDecimalTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadDecimalTest, ReadsLikeAtoi) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(ReadDecimal(c.text, c.offset), c.value) << '"' << c.text << "\" at " << c.offset;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ReadDecimalTest,
    ::testing::Values(ReadCase{"", 0, 0}, ReadCase{"42", 0, 42}, ReadCase{"007", 0, 7},
                      ReadCase{"  \t\n12", 0, 12}, ReadCase{"+5", 0, 5}, ReadCase{"-5", 0, -5},
                      ReadCase{"12:34", 0, 12}, ReadCase{"12:34", 2, 0},  // the colon: no digit
                      ReadCase{"12:34", 3, 34}, ReadCase{"12:34", 5, 0},  // at the end
                      ReadCase{"12:34", 99, 0},                           // past the end
                      ReadCase{"abc", 0, 0}, ReadCase{"- 5", 0, 0}, ReadCase{" 1 2", 0, 1},
                      ReadCase{"2147483647", 0, INT_MAX}, ReadCase{"-2147483648", 0, INT_MIN},
                      // silent wrap modulo 2^32
                      ReadCase{"2147483648", 0, INT_MIN}, ReadCase{"4294967295", 0, -1},
                      ReadCase{"4294967296", 0, 0}, ReadCase{"4294967297", 0, 1},
                      ReadCase{"3000000000", 0, -1294967296}));

TEST(ReadDecimal, StopsAtATerminatorInsideTheView) {
    const char buffer[] = {'1', '2', '\0', '3', '4'};
    EXPECT_EQ(ReadDecimal(std::string_view(buffer, sizeof buffer)), 12);
}

TEST(ParsePosition, SplitsByOffsetsAlone) {
    const PositionParts p = ParsePosition("03:12:45:20");
    EXPECT_EQ(p.track, 3);
    EXPECT_EQ(p.minutes, 12);
    EXPECT_EQ(p.seconds, 45);
    EXPECT_EQ(p.frames, 20);

    const PositionParts empty = ParsePosition("");
    EXPECT_EQ(empty.track, 0);
    EXPECT_EQ(empty.minutes, 0);
    EXPECT_EQ(empty.seconds, 0);
    EXPECT_EQ(empty.frames, 0);

    // The colons are not examined: any separator works, a short text reads 0.
    const PositionParts odd = ParsePosition("01x02y03z04");
    EXPECT_EQ(odd.track, 1);
    EXPECT_EQ(odd.minutes, 2);
    EXPECT_EQ(odd.seconds, 3);
    EXPECT_EQ(odd.frames, 4);
    const PositionParts track = ParsePosition("5");
    EXPECT_EQ(track.track, 5);
    EXPECT_EQ(track.minutes, 0);

    // A zero-padded buffer: fields after the terminator read 0.
    char buffer[12] = "07";
    const PositionParts padded = ParsePosition(std::string_view(buffer, sizeof buffer));
    EXPECT_EQ(padded.track, 7);
    EXPECT_EQ(padded.frames, 0);
}

TEST(ParseLength, SplitsByOffsetsAlone) {
    const LengthParts l = ParseLength("04:23:39");
    EXPECT_EQ(l.minutes, 4);
    EXPECT_EQ(l.seconds, 23);
    EXPECT_EQ(l.frames, 39);
    const LengthParts empty = ParseLength("");
    EXPECT_EQ(empty.minutes, 0);
    EXPECT_EQ(empty.seconds, 0);
    EXPECT_EQ(empty.frames, 0);
    // Minutes are not limited to 59; two digits are read at offset 0 only.
    const LengthParts longOne = ParseLength("75:00:10");
    EXPECT_EQ(longOne.minutes, 75);
    EXPECT_EQ(longOne.frames, 10);
}

struct LengthCase {
    std::int64_t milliseconds;
    const char* text;
};

class LengthTextTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LengthTextTest, MinutesSecondsAndWholeFrames) {
    EXPECT_EQ(LengthTextFromMilliseconds(GetParam().milliseconds), GetParam().text)
        << GetParam().milliseconds << " ms";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LengthTextTest,
    ::testing::Values(LengthCase{0, "00:00:00"}, LengthCase{999, "00:00:74"},
                      LengthCase{1000, "00:01:00"}, LengthCase{2000, "00:02:00"},
                      LengthCase{13, "00:00:00"},  // 0.975 of a frame
                      LengthCase{14, "00:00:01"}, LengthCase{263533, "04:23:39"},
                      LengthCase{59999, "00:59:74"}, LengthCase{60000, "01:00:00"},
                      LengthCase{6000000, "100:00:00"}));

TEST(MsfFromFrames, SplitsAFrameCount) {
    const Msf a = MsfFromFrames(0);
    EXPECT_EQ(a.minutes, 0);
    EXPECT_EQ(a.seconds, 0);
    EXPECT_EQ(a.frames, 0);
    const Msf b = MsfFromFrames(4 * 4500 + 23 * 75 + 39);
    EXPECT_EQ(b.minutes, 4);
    EXPECT_EQ(b.seconds, 23);
    EXPECT_EQ(b.frames, 39);
    const Msf c = MsfFromFrames(4499);
    EXPECT_EQ(c.minutes, 0);
    EXPECT_EQ(c.seconds, 59);
    EXPECT_EQ(c.frames, 74);
    const Msf d = MsfFromFrames(std::int64_t{80} * 4500);  // minutes are not limited to 59
    EXPECT_EQ(d.minutes, 80);
    EXPECT_EQ(d.seconds, 0);
}

TEST(DiscTimeTexts, ByteOrderIsTimeOrder) {
    EXPECT_LT(std::strcmp("04:59:74", "05:00:00"), 0);
    EXPECT_LT(FormatPositionText(3, 59, 59, 74), FormatPositionText(4, 0, 0, 0));
    EXPECT_LT(FormatPositionText(3, 1, 5, 19), FormatPositionText(3, 1, 5, 20));
    EXPECT_LT(LengthTextFromMilliseconds(59999), LengthTextFromMilliseconds(60000));
}

TEST(Buffers, TextOfBufferAndCopyToBuffer) {
    const char full[3] = {'a', 'b', 'c'};
    EXPECT_EQ(TextOfBuffer(full), "abc");
    const char zero[4] = {'a', '\0', 'c', '\0'};
    EXPECT_EQ(TextOfBuffer(zero), "a");

    std::array<char, 8> memory;
    memory.fill('#');
    CopyToBuffer(std::span<char>(memory.data(), 4), "abcdef");
    EXPECT_STREQ(memory.data(), "abc");
    EXPECT_EQ(memory[4], '#');
    CopyToBuffer(std::span<char>(memory.data(), 4), "");
    EXPECT_EQ(memory[0], '\0');
}

}  // namespace
}  // namespace corvid
