#pragma once
// How many standard deviations either side of the mean hold 90% and 95% of a normal
// distribution: the half-widths of confidence intervals and the volatility index.

constexpr double NORMAL_QUANTILE_90 = 1.6448536269514722;
constexpr double NORMAL_QUANTILE_95 = 1.959963984540054;
