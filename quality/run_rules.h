#pragma once
// The run rules that tell a process out of control from its chart, each
// reported at the point that completes its pattern. σ is the plotted
// statistic's: a third of the distance from the centre line to a limit.
//   Western Electric: 1 a point beyond 3σ; 2 two of three beyond 2σ on one
//   side; 3 four of five beyond 1σ on one side; 4 eight in a row on one side.
//   Nelson: 1 beyond 3σ; 2 nine in a row on one side; 3 six in a row rising
//   or falling; 4 fourteen in a row alternating up and down; 5 two of three
//   beyond 2σ on one side; 6 four of five beyond 1σ on one side; 7 fifteen in
//   a row within 1σ; 8 eight in a row beyond 1σ, on both sides.

#include <cstddef>
#include <span>
#include <vector>

namespace vexla::quality {

enum class RuleSet { WesternElectric, Nelson };

struct RuleViolation {
    int rule = 0;
    std::size_t point = 0;  // index of the point that completes the pattern
    friend bool operator==(const RuleViolation&, const RuleViolation&) = default;
};

// Every violation among `points`, in point order (a point may break several
// rules). Nothing when σ is not positive.
std::vector<RuleViolation> FindViolations(std::span<const double> points, double centre, double sigma,
                                          RuleSet rules = RuleSet::WesternElectric);

// The rules that point `index` breaks, looking back from it only: what a
// live chart asks as each point comes.
std::vector<int> RulesBrokenAt(std::span<const double> points, std::size_t index, double centre, double sigma,
                               RuleSet rules = RuleSet::WesternElectric);

}  // namespace vexla::quality
