#include "Thermometry.h"

#include <cmath>
#include <cstddef>

namespace {

// Coefficients of the ITS-90 thermocouple reference functions, E in mV, t in C,
// lowest order first. Each type has one function per temperature range.
const double kNegativeK[] = {
    0.0, 0.394501280250E-01, 0.236223735980E-04, -0.328589067840E-06,
    -0.499048287770E-08, -0.675090591730E-10, -0.574103274280E-12,
    -0.310888728940E-14, -0.104516093650E-16, -0.198892668780E-19,
    -0.163226974860E-22};
const double kPositiveK[] = {
    -0.176004136860E-01, 0.389212049750E-01, 0.185587700320E-04,
    -0.994575928740E-07, 0.318409457190E-09, -0.560728448890E-12,
    0.560750590590E-15, -0.320207200030E-18, 0.971511471520E-22,
    -0.121047212750E-25};
// Type K above 0 C adds a0 exp(a1 (t - a2)^2).
const double kExpA0 = 0.118597600000E+00;
const double kExpA1 = -0.118343200000E-03;
const double kExpA2 = 0.126968600000E+03;

const double kJ[] = {
    0.0, 0.503811878150E-01, 0.304758369300E-04, -0.856810657200E-07,
    0.132281952950E-09, -0.170529583370E-12, 0.209480906970E-15,
    -0.125383953360E-18, 0.156317256970E-22};

const double kNegativeT[] = {
    0.0, 0.387481063640E-01, 0.441944343470E-04, 0.118443231050E-06,
    0.200329735540E-07, 0.901380195590E-09, 0.226511565930E-10,
    0.360711542050E-12, 0.384939398830E-14, 0.282135219250E-16,
    0.142515947790E-18, 0.487686622860E-21, 0.107955392700E-23,
    0.139450270620E-26, 0.797951539270E-30};
const double kPositiveT[] = {
    0.0, 0.387481063640E-01, 0.332922278800E-04, 0.206182434040E-06,
    -0.218822568460E-08, 0.109968809280E-10, -0.308157587720E-13,
    0.454791352900E-16, -0.275129016730E-19};

const double kNegativeE[] = {
    0.0, 0.586655087080E-01, 0.454109771240E-04, -0.779980486860E-06,
    -0.258001608430E-07, -0.594525830570E-09, -0.932140586670E-11,
    -0.102876055340E-12, -0.803701236210E-15, -0.439794973910E-17,
    -0.164147763550E-19, -0.396736195160E-22, -0.558273287210E-25,
    -0.346578420130E-28};
const double kPositiveE[] = {
    0.0, 0.586655087100E-01, 0.450322755820E-04, 0.289084072120E-07,
    -0.330568966520E-09, 0.650244032700E-12, -0.191974955040E-15,
    -0.125366004970E-17, 0.214892175690E-20, -0.143880417820E-23,
    0.359608994810E-27};

const double kNegativeN[] = {
    0.0, 0.261591059620E-01, 0.109574842280E-04, -0.938411115540E-07,
    -0.464120397590E-10, -0.263033577160E-11, -0.226534380030E-13,
    -0.760893007910E-16, -0.934196678350E-19};
const double kPositiveN[] = {
    0.0, 0.259293946010E-01, 0.157101418800E-04, 0.438256272370E-07,
    -0.252611697940E-09, 0.643118193390E-12, -0.100634715190E-14,
    0.997453389920E-18, -0.608632456070E-21, 0.208492293390E-24,
    -0.306821961510E-28};

// R and S: the range from -50 C to 1064.18 C; B: 0 C to 630.615 C. The
// instrument's temperatures stay well inside these.
const double kR[] = {
    0.0, 0.528961729765E-02, 0.139166589782E-04, -0.238855693017E-07,
    0.356916001063E-10, -0.462347666298E-13, 0.500777441034E-16,
    -0.373105886191E-19, 0.157716482367E-22, -0.281038625251E-26};
const double kS[] = {
    0.0, 0.540313308631E-02, 0.125934289740E-04, -0.232477968689E-07,
    0.322028823036E-10, -0.331465196389E-13, 0.255744251786E-16,
    -0.125068871393E-19, 0.271443176145E-23};
const double kB[] = {
    0.0, -0.246508183460E-03, 0.590404211710E-05, -0.132579316360E-08,
    0.156682919010E-11, -0.169445292400E-14, 0.629903470940E-18};

template <std::size_t N>
double polynomial(const double (&c)[N], double t)
{
    double sum = 0.0;
    for (std::size_t i = N; i-- > 0;)
        sum = sum * t + c[i];
    return sum;
}

} // namespace

namespace Thermometry {

double platinumResistance(double celsius, double a, double b, double c, double r0)
{
    const double t = celsius;
    double ratio = 1.0 + a * t + b * t * t;
    if (t < 0.0)
        ratio += c * (t - 100.0) * t * t * t;
    return r0 * ratio;
}

double thermocoupleMillivolts(char type, double celsius)
{
    const double t = celsius;
    const bool negative = t < 0.0;
    switch (type) {
    case 'K':
        if (negative)
            return polynomial(kNegativeK, t);
        return polynomial(kPositiveK, t) + kExpA0 * std::exp(kExpA1 * (t - kExpA2) * (t - kExpA2));
    case 'J':
        return polynomial(kJ, t);
    case 'T':
        return negative ? polynomial(kNegativeT, t) : polynomial(kPositiveT, t);
    case 'E':
        return negative ? polynomial(kNegativeE, t) : polynomial(kPositiveE, t);
    case 'N':
        return negative ? polynomial(kNegativeN, t) : polynomial(kPositiveN, t);
    case 'R':
        return polynomial(kR, t);
    case 'S':
        return polynomial(kS, t);
    case 'B':
        return polynomial(kB, t);
    default:
        return 0.0;
    }
}

} // namespace Thermometry
