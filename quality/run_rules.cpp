#include "run_rules.h"

#include <cmath>

namespace vexla::quality {
namespace {

class Window {
  public:
    Window(std::span<const double> z, std::size_t end) : z_(z), end_(end) {}

    // The last `length` points end at the current one (there are that many).
    bool Has(std::size_t length) const { return end_ + 1 >= length; }
    double At(std::size_t back) const { return z_[end_ - back]; }

    // At least `count` of the last `length` beyond `zone`σ on the current
    // point's side, the current point among them.
    bool BeyondOnOneSide(std::size_t count, std::size_t length, double zone) const {
        if (!Has(length)) return false;
        const double side = At(0) > 0 ? 1 : -1;
        if (side * At(0) <= zone) return false;
        std::size_t beyond = 0;
        for (std::size_t k = 0; k < length; ++k) beyond += side * At(k) > zone;
        return beyond >= count;
    }

    bool AllOnOneSide(std::size_t length) const {
        if (!Has(length) || At(0) == 0) return false;
        for (std::size_t k = 0; k < length; ++k)
            if (At(k) * At(0) <= 0) return false;
        return true;
    }

    bool Trending(std::size_t length) const {
        if (!Has(length)) return false;
        bool rising = true, falling = true;
        for (std::size_t k = 0; k + 1 < length; ++k) {
            rising = rising && At(k) > At(k + 1);
            falling = falling && At(k) < At(k + 1);
        }
        return rising || falling;
    }

    bool Alternating(std::size_t length) const {
        if (!Has(length)) return false;
        for (std::size_t k = 0; k + 2 < length; ++k) {
            const double later = At(k) - At(k + 1), earlier = At(k + 1) - At(k + 2);
            if (later * earlier >= 0) return false;
        }
        return true;
    }

    bool AllWithin(std::size_t length, double zone) const {
        if (!Has(length)) return false;
        for (std::size_t k = 0; k < length; ++k)
            if (std::fabs(At(k)) >= zone) return false;
        return true;
    }

    bool AllOutsideBothSides(std::size_t length, double zone) const {
        if (!Has(length)) return false;
        bool above = false, below = false;
        for (std::size_t k = 0; k < length; ++k) {
            if (std::fabs(At(k)) <= zone) return false;
            (At(k) > 0 ? above : below) = true;
        }
        return above && below;
    }

  private:
    std::span<const double> z_;
    std::size_t end_;
};

}  // namespace

std::vector<int> RulesBrokenAt(std::span<const double> points, std::size_t index, double centre, double sigma,
                               RuleSet rules) {
    std::vector<int> broken;
    if (!(sigma > 0) || index >= points.size()) return broken;
    // The longest pattern looks 15 points back.
    const std::size_t first = index >= 14 ? index - 14 : 0;
    std::vector<double> z(index - first + 1);
    for (std::size_t k = 0; k < z.size(); ++k) z[k] = (points[first + k] - centre) / sigma;
    const Window w(z, z.size() - 1);
    const double last = z.back();
    const auto add = [&](int rule, bool yes) {
        if (yes) broken.push_back(rule);
    };
    if (rules == RuleSet::WesternElectric) {
        add(1, std::fabs(last) > 3);
        add(2, w.BeyondOnOneSide(2, 3, 2));
        add(3, w.BeyondOnOneSide(4, 5, 1));
        add(4, w.AllOnOneSide(8));
    } else {
        add(1, std::fabs(last) > 3);
        add(2, w.AllOnOneSide(9));
        add(3, w.Trending(6));
        add(4, w.Alternating(14));
        add(5, w.BeyondOnOneSide(2, 3, 2));
        add(6, w.BeyondOnOneSide(4, 5, 1));
        add(7, w.AllWithin(15, 1));
        add(8, w.AllOutsideBothSides(8, 1));
    }
    return broken;
}

std::vector<RuleViolation> FindViolations(std::span<const double> points, double centre, double sigma, RuleSet rules) {
    std::vector<RuleViolation> found;
    for (std::size_t i = 0; i < points.size(); ++i)
        for (int rule : RulesBrokenAt(points, i, centre, sigma, rules)) found.push_back({rule, i});
    return found;
}

}  // namespace vexla::quality
