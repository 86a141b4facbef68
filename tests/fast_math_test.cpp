#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "fx/fast_math.h"

namespace velq {
namespace {

// The value a table entry must hold: v rounded to six decimals, then to single precision.
float roundedToSixDecimals(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return std::strtof(text, nullptr);
}

TEST(FastMathTables, EveryEntryIsTheRoundedValue)
{
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(sineTable[i], roundedToSixDecimals(std::sin(2 * std::numbers::pi * i / 256))) << i;
        EXPECT_EQ(atanTable[i], roundedToSixDecimals(std::atan(i / 256.0))) << i;
    }
    EXPECT_EQ(sineTable[0], 0.0f);
    EXPECT_EQ(sineTable[1], 0.024541f);
    EXPECT_EQ(sineTable[32], 0.707107f);
    EXPECT_EQ(sineTable[64], 1.0f);
    EXPECT_EQ(sineTable[128], 0.0f);
    EXPECT_EQ(sineTable[192], -1.0f);
    EXPECT_EQ(atanTable[0], 0.0f);
    EXPECT_EQ(atanTable[1], 0.003906f);
    EXPECT_EQ(atanTable[128], 0.463648f);
    EXPECT_EQ(atanTable[255], 0.783441f);
    EXPECT_EQ(angleScale, static_cast<double>(static_cast<float>(256 / (2 * std::numbers::pi))));
    EXPECT_EQ(halfPi, static_cast<double>(static_cast<float>(std::numbers::pi / 2)));
}

TEST(FastSin, TableValuesAndInterpolation)
{
    const auto halfPiF = static_cast<float>(std::numbers::pi / 2);
    const auto piF = static_cast<float>(std::numbers::pi);
    EXPECT_EQ(static_cast<float>(halfPiF * angleScale), 64.0f);
    EXPECT_EQ(fastSin(0), 0.0f);
    EXPECT_EQ(fastCos(0), 1.0f);
    EXPECT_EQ(fastSin(halfPiF), 1.0f);
    EXPECT_EQ(fastSin(piF), 0.0f);
    EXPECT_EQ(fastCos(piF), -1.0f);
    EXPECT_NEAR(fastSin(1.0f), 0.841423f, 1e-6);
    EXPECT_NEAR(fastCos(1.0f), 0.540271f, 1e-6);
}

TEST(FastSin, WrapsAfterTheLastEntry)
{
    // Find an angle whose position is exactly 255.5 steps.
    float x = static_cast<float>(255.5 / angleScale);
    for (int i = 0; i < 8 && static_cast<float>(x * angleScale) != 255.5f; ++i)
        x = std::nextafter(x, static_cast<float>(x * angleScale) < 255.5f ? 10.0f : 0.0f);
    ASSERT_EQ(static_cast<float>(x * angleScale), 255.5f);
    EXPECT_FLOAT_EQ(fastSin(x), -0.0122705f);
    EXPECT_EQ(fastSin(x), static_cast<float>(sineTable[255] * 0.5 + 0.5 * sineTable[0]));

    // 6.2832 is 256.00058 steps: between entries 0 and 1, not 255 and 256.
    EXPECT_NEAR(fastSin(6.2832f), 0.0000142f, 2e-7);
    EXPECT_GT(fastSin(6.2832f), 0.0f);
}

TEST(FastAtan, StepsWithoutInterpolation)
{
    EXPECT_EQ(fastAtan(0), 0.0f);
    EXPECT_EQ(fastAtan(0.5f), atanTable[128]);
    EXPECT_EQ(fastAtan(0.9999f), 0.783441f);
    EXPECT_EQ(fastAtan(1.0f), static_cast<float>(halfPi - atanTable[255]));
    EXPECT_NEAR(fastAtan(1.0f), 0.787355f, 1e-6);
    EXPECT_NEAR(fastAtan(2.0f), 1.107148f, 1e-6);
    EXPECT_EQ(fastAtan(-2.0f), -fastAtan(2.0f));
    EXPECT_NEAR(fastAtan(100.0f), 1.562984f, 1e-6);
    EXPECT_EQ(fastAtan(100.0f), static_cast<float>(halfPi - atanTable[2]));
    EXPECT_EQ(fastAtan(257.0f), static_cast<float>(halfPi));
    EXPECT_EQ(fastAtan(1e30f), static_cast<float>(halfPi));
    EXPECT_EQ(fastAtan(std::numeric_limits<float>::infinity()), static_cast<float>(halfPi));
    EXPECT_EQ(fastAtan(-std::numeric_limits<float>::infinity()), -static_cast<float>(halfPi));
}

TEST(Isqrt, ListedValues)
{
    struct Case {
        std::int32_t n, root;
    };
    constexpr Case cases[] = {
        {0, 0}, {1, 1}, {3, 1}, {4, 2}, {15, 3}, {16, 4}, {99, 9}, {100, 10},
        {1 << 30, 1 << 15}, {(1 << 30) - 1, (1 << 15) - 1}, {2147483647, 46340},
        {-5, 0}, {std::numeric_limits<std::int32_t>::min(), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(isqrt(c.n), c.root) << c.n;
    static_assert(isqrt(2147395600) == 46340); // 46340^2
    static_assert(isqrt(2147395599) == 46339);
}

TEST(Isqrt, ExactAroundEverySquareAndAcrossTheRange)
{
    // The root changes only at perfect squares: check both sides of each one.
    for (std::int64_t k = 1; k <= 46340; ++k) {
        const auto square = static_cast<std::int32_t>(k * k);
        ASSERT_EQ(isqrt(square), k);
        ASSERT_EQ(isqrt(square - 1), k - 1);
        const std::int64_t beforeNext = std::min<std::int64_t>((k + 1) * (k + 1) - 1, 2147483647);
        ASSERT_EQ(isqrt(static_cast<std::int32_t>(beforeNext)), k);
    }
    // And every value over a stride that visits all residues of small numbers.
    for (std::int64_t n = 0; n <= 2147483647; n += 997) {
        const auto root = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
        ASSERT_EQ(isqrt(static_cast<std::int32_t>(n)), root) << n;
    }
    for (std::int32_t n = 0; n < 1 << 20; ++n)
        ASSERT_EQ(isqrt(n), static_cast<std::int32_t>(std::sqrt(static_cast<double>(n)))) << n;
}

TEST(FastSqrt, SixteenthSteps)
{
    struct Case {
        float x, root;
    };
    constexpr Case cases[] = {
        {1.0f, 1.0f}, {2.0f, 1.375f}, {3.0f, 1.6875f}, {0.25f, 0.5f}, {0.003f, 0.0f},
        {100.0f, 10.0f}, {-4.0f, 0.0f}, {32000.0f, 178.875f},
    };
    for (const Case& c : cases) EXPECT_EQ(fastSqrt(c.x), c.root) << c.x;
}

TEST(TruncateToInt, SaturatesAndTruncatesTowardZero)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0, 0},           {1.9, 1},           {-1.9, -1},          {159.84, 159},
        {2147483646.5, 2147483646},           {2147483647.0, INT32_MAX}, {1e30, INT32_MAX},
        {inf, INT32_MAX}, {-2147483648.0, INT32_MIN}, {-2147483648.9, INT32_MIN}, {-1e30, INT32_MIN},
        {-inf, INT32_MIN}, {nan, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(truncateToInt(c.value), c.expected) << c.value;
}

TEST(FastMath, OutOfRangeArgumentsStayDefined)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t minInt = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(truncateToInt(3.7), 3);
    EXPECT_EQ(truncateToInt(-3.7), -3);
    EXPECT_EQ(truncateToInt(-0.5), 0);
    EXPECT_EQ(truncateToInt(2147483647.9), maxInt);
    EXPECT_EQ(truncateToInt(-2147483648.9), minInt);
    EXPECT_EQ(truncateToInt(1e300), maxInt);
    EXPECT_EQ(truncateToInt(-1e300), minInt);
    EXPECT_EQ(truncateToInt(std::numeric_limits<double>::infinity()), maxInt);
    EXPECT_EQ(truncateToInt(nan), 0);

    // Saturated positions still read the table.
    for (float x : {1e12f, 3e38f, -3e38f}) {
        EXPECT_GE(fastSin(x), -1.0f);
        EXPECT_LE(fastSin(x), 1.0f);
        EXPECT_GE(fastCos(x), -1.0f);
        EXPECT_LE(fastCos(x), 1.0f);
    }
    EXPECT_EQ(fastSqrt(1e10f), 2896.25f);
}

TEST(FastSin, NegativeAnglesMirrorThePositiveOnes)
{
    // Negative positions use the floor, so they continue the table smoothly.
    for (float x : {0.1f, 1.0f, 2.5f, 4.0f})
        EXPECT_NEAR(fastSin(-x), -fastSin(x), 1e-6) << x;
    EXPECT_NEAR(fastCos(-1.0f), fastCos(1.0f), 1e-6);
}

} // namespace
} // namespace velq
