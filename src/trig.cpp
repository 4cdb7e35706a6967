// Sine and cosine from IEEE sums and products alone, the same bits everywhere when built with
// -ffp-contract=off: the angle reduced exactly in integers, the series summed in pairs of doubles.
#include "trig.h"

#include <cstdint>
#include <cstring>

// A number carried as the unevaluated sum of two doubles, hi the rounded sum, |lo| <= one ulp
// of hi: 106 bits, enough that the one rounding at the end is almost always the right one.
struct Pair {
    double hi; // the value rounded to a double
    double lo; // what the rounding left over
};

const double SPLITTER = 134217729.0;      // 2^27 + 1, cuts a double into two halves of 26 bits
const double TINY = 0x1p-27;              // below this, sin x rounds to x and cos x to 1
const double DIRECT = 0.78125;            // below this (< pi/4), x is its own reduced angle
const int MANTISSA_BITS = 52;             // stored bits of a double's significand
const int EXPONENT_BIAS = 1023;           // a double's exponent field for 2^0
const uint64_t EXPONENT_ALL_ONES = 0x7ff; // the exponent field of NaN and infinity
const uint64_t QUIET_NAN = 0x7ff8000000000000u;    // one NaN, the same bits everywhere
const uint32_t QUIET_NAN_FLOAT = 0x7fc00000u;      // and as a float
const int FLOAT_DROPPED_BITS = MANTISSA_BITS - 23; // a double's significand bits a float lacks
const uint64_t FLOAT_TIE = uint64_t(1) << (FLOAT_DROPPED_BITS - 1); // those bits at a tie

// 2/pi in binary, 32 bits a word, most significant first: 0.a2f9836e... The reduction uses
// WINDOW_WORDS of them, starting where the angle's own exponent makes whole turns drop out;
// the largest double starts at word 30, so 30 + WINDOW_WORDS are kept.
const int WINDOW_WORDS = 8;                      // words of 2/pi multiplied by the angle: 256 bits
const int TWO_OVER_PI_WORDS = 30 + WINDOW_WORDS; // words of 2/pi kept
const uint32_t TWO_OVER_PI[TWO_OVER_PI_WORDS] = {
    0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041, 0xfe5163ab, 0xdebbc561,
    0xb7246e3a, 0x424dd2e0, 0x06492eea, 0x09d1921c, 0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484,
    0xe99c7026, 0xb45f7e41, 0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f,
    0xef2f118b, 0x5a0a6d1f, 0x6d367ecf, 0x27cb09b7, 0x4f463f66, 0x9e5fea2d, 0x7527bac7, 0xebe5f17b,
    0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08, 0x56033046, 0xfc7b6bab}; // the bits of 2/pi
const int PRODUCT_WORDS = WINDOW_WORDS + 2; // the 53-bit significand times the window
const int FRACTION_BITS = 190;              // bits of the quarter turns' fraction kept
const Pair HALF_PI = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54}; // pi/2 to 107 bits

// The series' coefficients, (-1)^n / (2n+1)! for sine and (-1)^n / (2n)! for cosine, n = 1..14,
// each the exact fraction rounded to a double and the remainder rounded again. Up to PAIRED
// they are summed as pairs; beyond, each term is below 2^-58 of the result and a double will do.
const int TERMS = 14; // the last n: its successor is below 2^-110 of the result for |r| <= pi/4
const int PAIRED = 8; // the last n summed in pairs
const Pair SINE_TERMS[TERMS + 1] = {
    {0, 0}, // n = 0 stands for r itself
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149},
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157}}; // (-1)^n / (2n+1)!
const Pair COSINE_TERMS[TERMS + 1] = {
    {1, 0}, // n = 0
    {-0x1p-1, 0},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153}}; // (-1)^n / (2n)!

static uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

static double double_of(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// 2^n, for n a normal double's exponent.
static double power_of_two(int n) {
    return double_of(uint64_t(n + EXPONENT_BIAS) << MANTISSA_BITS);
}

// a + b exactly, given |a| >= |b|.
static Pair quick_sum(double a, double b) {
    double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, whichever is larger.
static Pair exact_sum(double a, double b) {
    double s = a + b;
    double a_part = s - b;
    double b_part = s - a_part;
    return {s, (a - a_part) + (b - b_part)};
}

// a's upper 26 bits, so that the product of two such halves is exact.
static double upper_half(double a) {
    double c = SPLITTER * a;
    return c - (c - a);
}

// a * b exactly, by Dekker's halves (no fused multiply-add, which not every target has).
static Pair exact_product(double a, double b) {
    double p = a * b;
    double a_hi = upper_half(a), a_lo = a - a_hi;
    double b_hi = upper_half(b), b_lo = b - b_hi;
    return {p, ((a_hi * b_hi - p) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo};
}

// a + b, for sums whose terms do not nearly cancel.
static Pair add(Pair a, Pair b) {
    Pair s = exact_sum(a.hi, b.hi);
    return quick_sum(s.hi, s.lo + (a.lo + b.lo));
}

static Pair multiply(Pair a, Pair b) {
    Pair p = exact_product(a.hi, b.hi);
    return quick_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

static Pair negated(Pair a) {
    return {-a.hi, -a.lo};
}

// Bits pos..pos+63 of a little-endian number of `count` 32-bit words, 0 past its top.
static uint64_t bits_at(const uint32_t words[], int count, int pos) {
    int w = pos / 32, shift = pos % 32;
    uint64_t low = w < count ? words[w] : 0;
    uint64_t middle = w + 1 < count ? words[w + 1] : 0;
    uint64_t high = w + 2 < count ? words[w + 2] : 0;
    uint64_t lower64 = low | middle << 32;
    return shift == 0 ? lower64 : lower64 >> shift | high << (64 - shift);
}

// The unsigned 190-bit fraction m2:m1:m0 (m2 below 2^62) times 2^-190, as a pair.
static Pair fraction_to_pair(uint64_t m2, uint64_t m1, uint64_t m0) {
    int scale = -FRACTION_BITS; // the exponent of m2:m1:m0's lowest bit
    for (int i = 0; i < 2 && m2 == 0; i++) {
        m2 = m1, m1 = m0, m0 = 0;
        scale -= 64;
    }
    if (m2 == 0)
        return {0, 0};
    int lead = 0; // leading zero bits of m2
    for (int step = 32; step > 0; step /= 2)
        if (m2 >> (64 - lead - step) == 0)
            lead += step;
    if (lead > 0) {
        m2 = m2 << lead | m1 >> (64 - lead);
        m1 = m1 << lead | m0 >> (64 - lead);
        scale -= lead;
    }
    uint64_t upper = m2 >> 11;                     // the first 53 bits
    uint64_t next = (m2 & 0x7ff) << 42 | m1 >> 22; // the 53 after them
    return {double(int64_t(upper)) * power_of_two(scale + 128 + 11),
            double(int64_t(next)) * power_of_two(scale + 128 + 11 - 53)};
}

// ax >= DIRECT finite: ax = (4j + quadrant) pi/2 + r, |r| <= pi/4, r to 2^-104 of itself. The
// angle's significand times the window of 2/pi, in integers, is exact; the words of 2/pi
// before the window would only add whole turns and the ones after it less than 2^-169.
static int reduce(double ax, Pair *r) {
    uint64_t bits = bits_of(ax);
    int exponent = int(bits >> MANTISSA_BITS) - EXPONENT_BIAS - MANTISSA_BITS; // of the lowest
    uint64_t significand = (bits & ((uint64_t(1) << MANTISSA_BITS) - 1)) |
                           uint64_t(1) << MANTISSA_BITS; // ax = significand 2^exponent
    int first = exponent >= 2 ? (exponent - 2) / 32 : 0; // words before add multiples of 4
    uint32_t product[PRODUCT_WORDS] = {};                // little-endian
    uint64_t halves[2] = {significand & 0xffffffffu, significand >> 32};
    for (int p = 0; p < WINDOW_WORDS; p++) {
        uint64_t word = TWO_OVER_PI[first + WINDOW_WORDS - 1 - p];
        uint64_t carry = 0;
        for (int h = 0; h < 2; h++) {
            uint64_t t = product[p + h] + halves[h] * word + carry;
            product[p + h] = uint32_t(t);
            carry = t >> 32;
        }
        product[p + 2] = uint32_t(carry);
    }
    // The product's binary point: below it `point` bits, above it the quarter turns.
    int point = 32 * (first + WINDOW_WORDS) - exponent;
    uint64_t top = bits_at(product, PRODUCT_WORDS, point - 62); // 2 bits of turns, 62 of fraction
    uint64_t middle = bits_at(product, PRODUCT_WORDS, point - 126);
    uint64_t bottom = bits_at(product, PRODUCT_WORDS, point - FRACTION_BITS);
    int quadrant = int(top >> 62);
    bool past_half = (top >> 61) & 1; // nearer the next quarter turn: r is negative
    uint64_t fraction_top = top & ((uint64_t(1) << 62) - 1);
    if (past_half) { // 2^190 minus the fraction
        quadrant = (quadrant + 1) & 3;
        bottom = ~bottom + 1;
        middle = ~middle + (bottom == 0);
        fraction_top = (~fraction_top + (middle == 0 && bottom == 0)) & ((uint64_t(1) << 62) - 1);
    }
    Pair turns = fraction_to_pair(fraction_top, middle, bottom); // in quarter turns
    *r = multiply(turns, HALF_PI);
    if (past_half)
        *r = negated(*r);
    return quadrant;
}

// The series for sin r and cos r, |r| <= pi/4, from r^2: the small terms in doubles, then the
// larger ones in pairs.
static Pair series(const Pair terms[], Pair r2) {
    double tail = terms[TERMS].hi;
    for (int n = TERMS - 1; n > PAIRED; n--)
        tail = tail * r2.hi + terms[n].hi;
    Pair sum = {tail, 0};
    for (int n = PAIRED; n >= 1; n--)
        sum = add(multiply(sum, r2), terms[n]);
    return sum;
}

static Pair sine_near_zero(Pair r, Pair r2) {
    return add(r, multiply(r, multiply(r2, series(SINE_TERMS, r2))));
}

static Pair cosine_near_zero(Pair r2) {
    return add(COSINE_TERMS[0], multiply(r2, series(COSINE_TERMS, r2)));
}

static bool finite(double x) {
    return ((bits_of(x) >> MANTISSA_BITS) & EXPONENT_ALL_ONES) != EXPONENT_ALL_ONES;
}

// sin x (cosine false) or cos x (cosine true) as a pair, x finite.
static Pair sine_or_cosine(double x, bool cosine) {
    double ax = x < 0 ? -x : x;
    if (ax < TINY)
        return cosine ? Pair{1, 0} : Pair{x, 0};
    Pair r = {ax, 0};
    int quadrant = ax < DIRECT ? 0 : reduce(ax, &r);
    Pair r2 = multiply(r, r);
    quadrant = (quadrant + (cosine ? 1 : 0)) & 3; // cos x = sin(x + pi/2)
    Pair value = quadrant & 1 ? cosine_near_zero(r2) : sine_near_zero(r, r2);
    if (quadrant & 2)
        value = negated(value);
    return x < 0 && !cosine ? negated(value) : value;
}

// The pair rounded once to the nearest float. Its hi is the pair rounded to a double, and only
// when hi lies exactly halfway between two floats can the rest of the pair tip the rounding.
static float nearest_float(Pair v) {
    uint64_t bits = bits_of(v.hi);
    bool tie = (bits & ((uint64_t(1) << FLOAT_DROPPED_BITS) - 1)) == FLOAT_TIE;
    if (tie && v.lo != 0)
        bits = (v.lo > 0) == (v.hi > 0) ? bits + 1 : bits - 1; // a double's ulp toward the rest
    return float(double_of(bits));
}

static float quiet_nan_float() {
    float x;
    std::memcpy(&x, &QUIET_NAN_FLOAT, sizeof x);
    return x;
}

double trig_sin(double x) {
    return finite(x) ? sine_or_cosine(x, false).hi : double_of(QUIET_NAN);
}

double trig_cos(double x) {
    return finite(x) ? sine_or_cosine(x, true).hi : double_of(QUIET_NAN);
}

float trig_sinf(float x) {
    return finite(x) ? nearest_float(sine_or_cosine(x, false)) : quiet_nan_float();
}

float trig_cosf(float x) {
    return finite(x) ? nearest_float(sine_or_cosine(x, true)) : quiet_nan_float();
}
