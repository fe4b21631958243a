#pragma once
// The few distributions the gauge studies test against: Student's t for a
// bias, Fisher's F for the effects of an analysis of variance, and the
// range of n normal readings for the average-and-range method's constants.
// All come from the regularized incomplete beta function or from direct
// integration, so no table limits the sizes a study may have.

namespace vexla::quality {

// I_x(a, b) for a, b > 0 and x in [0, 1].
double RegularizedBeta(double a, double b, double x);

// P(F > f) for F with d1 and d2 degrees of freedom; 1 for f <= 0.
double FUpperTail(double f, double d1, double d2);

// P(|T| >= |t|) for T with df degrees of freedom.
double TTwoSided(double t, double df);

// The t with P(T <= t) = p, for 0 < p < 1.
double TQuantile(double p, double df);

// Of the range of n >= 2 independent standard normal readings: its mean
// (d2) and the root of its mean square, sqrt(d2² + d3²), which is d2* of a
// single range (what the average-and-range method divides the range of the
// operators' and of the parts' averages by).
struct RangeMoments {
    double d2;
    double d2Single;
};
RangeMoments NormalRangeMoments(int n);

}  // namespace vexla::quality
