// Table-driven trigonometry and integer square roots for the per-pixel loops of the texture
// scenes. The scenes' geometry is defined by these exact routines and tables, so they stand in
// for the library functions rather than approximating them.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace velq {

// sin(2*pi*i/256), rounded to six decimals.
inline constexpr std::array<float, 256> sineTable{
    0.000000f, 0.024541f, 0.049068f, 0.073565f, 0.098017f, 0.122411f, 0.146730f, 0.170962f,
    0.195090f, 0.219101f, 0.242980f, 0.266713f, 0.290285f, 0.313682f, 0.336890f, 0.359895f,
    0.382683f, 0.405241f, 0.427555f, 0.449611f, 0.471397f, 0.492898f, 0.514103f, 0.534998f,
    0.555570f, 0.575808f, 0.595699f, 0.615232f, 0.634393f, 0.653173f, 0.671559f, 0.689541f,
    0.707107f, 0.724247f, 0.740951f, 0.757209f, 0.773010f, 0.788346f, 0.803208f, 0.817585f,
    0.831470f, 0.844854f, 0.857729f, 0.870087f, 0.881921f, 0.893224f, 0.903989f, 0.914210f,
    0.923880f, 0.932993f, 0.941544f, 0.949528f, 0.956940f, 0.963776f, 0.970031f, 0.975702f,
    0.980785f, 0.985278f, 0.989177f, 0.992480f, 0.995185f, 0.997290f, 0.998795f, 0.999699f,
    1.000000f, 0.999699f, 0.998795f, 0.997290f, 0.995185f, 0.992480f, 0.989177f, 0.985278f,
    0.980785f, 0.975702f, 0.970031f, 0.963776f, 0.956940f, 0.949528f, 0.941544f, 0.932993f,
    0.923880f, 0.914210f, 0.903989f, 0.893224f, 0.881921f, 0.870087f, 0.857729f, 0.844854f,
    0.831470f, 0.817585f, 0.803208f, 0.788346f, 0.773010f, 0.757209f, 0.740951f, 0.724247f,
    0.707107f, 0.689541f, 0.671559f, 0.653173f, 0.634393f, 0.615232f, 0.595699f, 0.575808f,
    0.555570f, 0.534998f, 0.514103f, 0.492898f, 0.471397f, 0.449611f, 0.427555f, 0.405241f,
    0.382683f, 0.359895f, 0.336890f, 0.313682f, 0.290285f, 0.266713f, 0.242980f, 0.219101f,
    0.195090f, 0.170962f, 0.146730f, 0.122411f, 0.098017f, 0.073565f, 0.049068f, 0.024541f,
    0.000000f, -0.024541f, -0.049068f, -0.073565f, -0.098017f, -0.122411f, -0.146730f, -0.170962f,
    -0.195090f, -0.219101f, -0.242980f, -0.266713f, -0.290285f, -0.313682f, -0.336890f, -0.359895f,
    -0.382683f, -0.405241f, -0.427555f, -0.449611f, -0.471397f, -0.492898f, -0.514103f, -0.534998f,
    -0.555570f, -0.575808f, -0.595699f, -0.615232f, -0.634393f, -0.653173f, -0.671559f, -0.689541f,
    -0.707107f, -0.724247f, -0.740951f, -0.757209f, -0.773010f, -0.788346f, -0.803208f, -0.817585f,
    -0.831470f, -0.844854f, -0.857729f, -0.870087f, -0.881921f, -0.893224f, -0.903989f, -0.914210f,
    -0.923880f, -0.932993f, -0.941544f, -0.949528f, -0.956940f, -0.963776f, -0.970031f, -0.975702f,
    -0.980785f, -0.985278f, -0.989177f, -0.992480f, -0.995185f, -0.997290f, -0.998795f, -0.999699f,
    -1.000000f, -0.999699f, -0.998795f, -0.997290f, -0.995185f, -0.992480f, -0.989177f, -0.985278f,
    -0.980785f, -0.975702f, -0.970031f, -0.963776f, -0.956940f, -0.949528f, -0.941544f, -0.932993f,
    -0.923880f, -0.914210f, -0.903989f, -0.893224f, -0.881921f, -0.870087f, -0.857729f, -0.844854f,
    -0.831470f, -0.817585f, -0.803208f, -0.788346f, -0.773010f, -0.757209f, -0.740951f, -0.724247f,
    -0.707107f, -0.689541f, -0.671559f, -0.653173f, -0.634393f, -0.615232f, -0.595699f, -0.575808f,
    -0.555570f, -0.534998f, -0.514103f, -0.492898f, -0.471397f, -0.449611f, -0.427555f, -0.405241f,
    -0.382683f, -0.359895f, -0.336890f, -0.313682f, -0.290285f, -0.266713f, -0.242980f, -0.219101f,
    -0.195090f, -0.170962f, -0.146730f, -0.122411f, -0.098017f, -0.073565f, -0.049068f, -0.024541f,
};

// atan(i/256), rounded to six decimals.
inline constexpr std::array<float, 256> atanTable{
    0.000000f, 0.003906f, 0.007812f, 0.011718f, 0.015624f, 0.019529f, 0.023433f, 0.027337f,
    0.031240f, 0.035142f, 0.039043f, 0.042942f, 0.046841f, 0.050738f, 0.054633f, 0.058527f,
    0.062419f, 0.066309f, 0.070197f, 0.074083f, 0.077967f, 0.081848f, 0.085727f, 0.089603f,
    0.093477f, 0.097348f, 0.101215f, 0.105080f, 0.108942f, 0.112800f, 0.116655f, 0.120507f,
    0.124355f, 0.128199f, 0.132040f, 0.135876f, 0.139709f, 0.143537f, 0.147361f, 0.151181f,
    0.154997f, 0.158808f, 0.162614f, 0.166415f, 0.170212f, 0.174004f, 0.177790f, 0.181572f,
    0.185348f, 0.189119f, 0.192884f, 0.196644f, 0.200399f, 0.204147f, 0.207890f, 0.211627f,
    0.215358f, 0.219083f, 0.222801f, 0.226514f, 0.230220f, 0.233919f, 0.237612f, 0.241299f,
    0.244979f, 0.248652f, 0.252318f, 0.255977f, 0.259630f, 0.263275f, 0.266913f, 0.270544f,
    0.274167f, 0.277784f, 0.281392f, 0.284994f, 0.288587f, 0.292173f, 0.295752f, 0.299322f,
    0.302885f, 0.306440f, 0.309986f, 0.313525f, 0.317056f, 0.320578f, 0.324092f, 0.327598f,
    0.331096f, 0.334585f, 0.338066f, 0.341538f, 0.345002f, 0.348457f, 0.351904f, 0.355342f,
    0.358771f, 0.362191f, 0.365602f, 0.369005f, 0.372398f, 0.375783f, 0.379159f, 0.382525f,
    0.385883f, 0.389231f, 0.392570f, 0.395900f, 0.399221f, 0.402532f, 0.405834f, 0.409127f,
    0.412410f, 0.415684f, 0.418949f, 0.422204f, 0.425450f, 0.428686f, 0.431912f, 0.435129f,
    0.438337f, 0.441534f, 0.444722f, 0.447901f, 0.451070f, 0.454229f, 0.457378f, 0.460518f,
    0.463648f, 0.466768f, 0.469878f, 0.472979f, 0.476069f, 0.479150f, 0.482221f, 0.485283f,
    0.488334f, 0.491375f, 0.494407f, 0.497429f, 0.500441f, 0.503443f, 0.506435f, 0.509417f,
    0.512389f, 0.515352f, 0.518304f, 0.521247f, 0.524180f, 0.527102f, 0.530015f, 0.532918f,
    0.535811f, 0.538694f, 0.541568f, 0.544431f, 0.547284f, 0.550128f, 0.552962f, 0.555785f,
    0.558599f, 0.561403f, 0.564198f, 0.566982f, 0.569756f, 0.572521f, 0.575276f, 0.578021f,
    0.580756f, 0.583482f, 0.586198f, 0.588904f, 0.591600f, 0.594286f, 0.596963f, 0.599630f,
    0.602287f, 0.604935f, 0.607573f, 0.610201f, 0.612820f, 0.615429f, 0.618029f, 0.620619f,
    0.623199f, 0.625770f, 0.628332f, 0.630883f, 0.633426f, 0.635959f, 0.638482f, 0.640996f,
    0.643501f, 0.645996f, 0.648482f, 0.650959f, 0.653426f, 0.655884f, 0.658333f, 0.660773f,
    0.663203f, 0.665624f, 0.668036f, 0.670439f, 0.672833f, 0.675217f, 0.677593f, 0.679959f,
    0.682317f, 0.684665f, 0.687004f, 0.689335f, 0.691657f, 0.693969f, 0.696273f, 0.698568f,
    0.700854f, 0.703132f, 0.705400f, 0.707660f, 0.709912f, 0.712154f, 0.714388f, 0.716613f,
    0.718830f, 0.721038f, 0.723238f, 0.725429f, 0.727611f, 0.729785f, 0.731951f, 0.734108f,
    0.736257f, 0.738398f, 0.740530f, 0.742654f, 0.744770f, 0.746878f, 0.748977f, 0.751068f,
    0.753151f, 0.755226f, 0.757293f, 0.759352f, 0.761403f, 0.763446f, 0.765480f, 0.767507f,
    0.769526f, 0.771538f, 0.773541f, 0.775537f, 0.777524f, 0.779504f, 0.781477f, 0.783441f,
};

// Table steps per radian: the single-precision value nearest to 256/(2*pi).
inline constexpr double angleScale = 40.7436637878418;
// The single-precision value nearest to pi/2.
inline constexpr double halfPi = 1.5707963705062866;
// fastCos reads the sine table a quarter turn (64 steps) ahead.
inline constexpr std::int32_t quarterTurn = 64;

// Conversion toward zero that is defined for every double: values beyond the int32 range give
// INT32_MIN or INT32_MAX, NaN gives 0. Equal to a plain conversion wherever that is defined.
// Every float-to-int conversion of values that come from files or clocks goes through here.
constexpr std::int32_t truncateToInt(double v)
{
    if (v != v) return 0;
    v = v > -2147483648.0 ? v : -2147483648.0;
    v = v < 2147483647.0 ? v : 2147483647.0;
    return static_cast<std::int32_t>(v);
}

namespace detail {

// Sine table read at position p (in table steps) plus offset steps, interpolated linearly,
// wrapping after entry 255. Negative positions use the floor for indices and fraction alike.
inline float interpolateSine(float p, std::int32_t offset)
{
    // Beyond the int32 range every float is an integer: no fraction, and the saturated index.
    const bool inRange = p > -2147483648.0 && p < 2147483647.0;
    std::int32_t whole = truncateToInt(p);
    if (inRange && static_cast<double>(whole) > p) --whole;
    const float f = inRange ? static_cast<float>(p - whole) : 0.0f;
    const std::uint32_t i0 = (static_cast<std::uint32_t>(whole) + static_cast<std::uint32_t>(offset)) & 255u;
    const auto i1 = (i0 + 1) & 255u;
    return static_cast<float>(static_cast<double>(sineTable[i0]) * (1.0 - f) +
                              static_cast<double>(f) * sineTable[i1]);
}

// One step of the bit-by-bit root: r holds twice the root found so far.
template <int k>
constexpr void rootStep(std::int32_t& rem, std::int32_t& r)
{
    const std::int32_t t = (r + (std::int32_t{1} << k)) << k;
    if (rem >= t) {
        rem -= t;
        r += std::int32_t{2} << k;
    }
}

} // namespace detail

inline float fastSin(float x)
{
    const auto p = static_cast<float>(static_cast<double>(x) * angleScale);
    return detail::interpolateSine(p, 0);
}

inline float fastCos(float x)
{
    const auto p = static_cast<float>(static_cast<double>(x) * angleScale);
    return detail::interpolateSine(p, quarterTurn);
}

// Steps of the table without interpolation; for |x| >= 1 through atan(x) = pi/2 - atan(1/x).
inline float fastAtan(float x)
{
    const bool negative = x < 0;
    const float m = std::fabs(x);
    float r;
    if (m < 1) {
        r = atanTable[static_cast<std::uint32_t>(truncateToInt(static_cast<double>(m) * 256)) & 255u];
    } else {
        std::int32_t k = truncateToInt(256 / static_cast<double>(m));
        if (k > 255) k = 255;
        if (k < 0) k = 0; // NaN only
        r = static_cast<float>(halfPi - atanTable[k]);
    }
    return negative ? -r : r;
}

// floor(sqrt(n)) for n >= 0, 0 for n < 0: the bit-by-bit root, unrolled, with additions,
// shifts and signed comparisons only. No intermediate exceeds 2^31 - 1.
constexpr std::int32_t isqrt(std::int32_t n)
{
    std::int32_t rem = n;
    std::int32_t r = 0;
    detail::rootStep<15>(rem, r);
    detail::rootStep<14>(rem, r);
    detail::rootStep<13>(rem, r);
    detail::rootStep<12>(rem, r);
    detail::rootStep<11>(rem, r);
    detail::rootStep<10>(rem, r);
    detail::rootStep<9>(rem, r);
    detail::rootStep<8>(rem, r);
    detail::rootStep<7>(rem, r);
    detail::rootStep<6>(rem, r);
    detail::rootStep<5>(rem, r);
    detail::rootStep<4>(rem, r);
    detail::rootStep<3>(rem, r);
    detail::rootStep<2>(rem, r);
    detail::rootStep<1>(rem, r);
    if (rem >= r + 1) r += 2; // k = 0: rem is not needed afterwards
    return r >> 1;
}

// floor(sqrt(floor(256 * x))) / 16: a multiple of 1/16 never above sqrt(x); 0 for x < 0.
inline float fastSqrt(float x)
{
    const std::int32_t n = truncateToInt(static_cast<double>(x) * 256);
    return static_cast<float>(isqrt(n) * 0.0625);
}

} // namespace velq
