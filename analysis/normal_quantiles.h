#pragma once

#include <cmath>
#include <cstdint>
// How many standard deviations either side of the mean hold 90% and 95% of a normal
// distribution: the half-widths of confidence intervals and the volatility index.

constexpr double NORMAL_QUANTILE_90 = 1.6448536269514722;
constexpr double NORMAL_QUANTILE_95 = 1.959963984540054;

// The half width of the 95% interval of a share p seen in n trials (the normal
// approximation), 0 for none.
inline double ProportionHalfWidth95(double p, uint64_t n) {
    return n ? NORMAL_QUANTILE_95 * std::sqrt(p * (1 - p) / static_cast<double>(n)) : 0;
}
