#include "tools/make-sample-card/Manoeuvres.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>

namespace samplecard {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kKmhPerGSecond = 9.80665 * 3.6;  // speed gained in a second at one g
constexpr double kMaxShedShare = 0.6;             // of the cruising speed one braking sheds
constexpr double kMinBrakingS = 1.0;
constexpr double kSpikeWidthS = 0.07;  // an impact is over within a tenth of a second
constexpr double kShoveRebound = 0.5;  // the car rocks back less than it was pushed
constexpr double kBumpMeanGapS = 6.0;
constexpr double kBumpWidthS = 0.05;
constexpr double kBumpReboundS = 0.12;
constexpr double kBumpRebound = 0.45;

double Pick(int variant, std::initializer_list<double> values) {
    return values.begin()[static_cast<std::size_t>(variant) % values.size()];
}

// sin² up from 0 to 1 and down again over widthS, centred on 0.
double Hump(double fromPeakS, double widthS) {
    if (!(std::abs(fromPeakS) < widthS / 2)) {
        return 0.0;
    }
    const double c = std::cos(kPi * fromPeakS / widthS);
    return c * c;
}

// The area of Hump from its start up to fromPeakS, in seconds.
double HumpArea(double fromPeakS, double widthS) {
    const double t = std::clamp(fromPeakS + widthS / 2, 0.0, widthS);
    return t / 2 - widthS / (4 * kPi) * std::sin(2 * kPi * t / widthS);
}

// The recovery is a long low hump of the opposite sign with the pulse's area, right after it.
double RecoveryPeakFrom(const Manoeuvre& m) {
    return m.widthS / 2 + m.recoveryS / 2;
}

double PulseG(const Manoeuvre& m, double clipS) {
    const double d = clipS - m.peakS;
    double g = m.peakG * Hump(d, m.widthS);
    if (m.recoveryS > 0) {
        g -= m.peakG * m.widthS / m.recoveryS * Hump(d - RecoveryPeakFrom(m), m.recoveryS);
    }
    return g;
}

double PulseArea(const Manoeuvre& m, double clipS) {
    const double d = clipS - m.peakS;
    double area = m.peakG * HumpArea(d, m.widthS);
    if (m.recoveryS > 0) {
        area -= m.peakG * m.widthS / m.recoveryS * HumpArea(d - RecoveryPeakFrom(m), m.recoveryS);
    }
    return area;
}

CarAccel Along(double x, double y, double z, double g) {
    return {x * g, y * g, z * g};
}

}  // namespace

Manoeuvre HarshManoeuvre(ManoeuvreKind kind, int variant, double peakS, double cruiseKmh) {
    Manoeuvre m;
    m.kind = kind;
    m.peakS = peakS;
    m.labelled = true;
    switch (kind) {
        case ManoeuvreKind::Braking:
            m.peakG = Pick(variant, {0.55, 0.8, 0.5});
            m.widthS = std::clamp(2.0 * kMaxShedShare * cruiseKmh / (m.peakG * kKmhPerGSecond),
                                  kMinBrakingS, 2.0);
            m.recoveryS = 8.0;
            break;
        case ManoeuvreKind::Acceleration:
            m.peakG = Pick(variant, {0.5, 0.58});
            m.widthS = 2.6;
            m.recoveryS = 8.0;
            break;
        case ManoeuvreKind::Cornering:
            m.peakG = Pick(variant, {0.62, 0.75});
            m.widthS = 3.5;
            m.recoveryS = 9.0;
            break;
        case ManoeuvreKind::Impact: {
            // A hit from ahead while driving, or a knock from the side while parked.
            const bool side = variant % 2 != 0;
            m.peakG = Pick(variant, {1.9, 2.3, 2.6, 1.8});
            m.widthS = kSpikeWidthS;
            m.dirX = side ? 0.7 : 0.25;
            m.dirY = side ? 0.3 : -0.7;
            m.dirZ = side ? 0.65 : 0.67;
            const double length = std::hypot(m.dirX, m.dirY, m.dirZ);
            m.dirX /= length;
            m.dirY /= length;
            m.dirZ /= length;
            break;
        }
        case ManoeuvreKind::Shove: {
            m.peakG = Pick(variant, {0.6, 0.7});
            m.widthS = 2.0;
            const double angle = Pick(variant, {30.0, 200.0}) * kPi / 180.0;
            m.dirX = std::cos(angle);
            m.dirY = std::sin(angle);
            break;
        }
    }
    return m;
}

Manoeuvre CalmManoeuvre(ManoeuvreKind kind, double peakS, double g) {
    Manoeuvre m;
    m.kind = kind;
    m.peakS = peakS;
    m.peakG = g;
    m.widthS = 3.0;
    m.recoveryS = kind == ManoeuvreKind::Cornering ? 9.0 : 8.0;
    return m;
}

double ManoeuvreSpeedKmh(const std::vector<Manoeuvre>& manoeuvres, double clipS) {
    double kmh = 0.0;
    for (const Manoeuvre& m : manoeuvres) {
        if (m.kind == ManoeuvreKind::Braking || m.kind == ManoeuvreKind::Acceleration) {
            const double sign = m.kind == ManoeuvreKind::Braking ? -1.0 : 1.0;
            kmh += sign * PulseArea(m, clipS) * kKmhPerGSecond;
        }
    }
    return kmh;
}

double CorneringG(const Manoeuvre& manoeuvre, double clipS) {
    return manoeuvre.kind == ManoeuvreKind::Cornering ? PulseG(manoeuvre, clipS) : 0.0;
}

CarAccel ManoeuvreJoltG(const std::vector<Manoeuvre>& manoeuvres, double clipS) {
    CarAccel sum;
    for (const Manoeuvre& m : manoeuvres) {
        double g = 0.0;
        if (m.kind == ManoeuvreKind::Impact) {
            const double d = (clipS - m.peakS) / m.widthS;
            g = m.peakG * std::exp(-d * d);
        } else if (m.kind == ManoeuvreKind::Shove) {
            // A push, then the car rocking back on its springs.
            const double lobeS = m.widthS / 2;
            const double t = clipS - (m.peakS - lobeS / 2);
            if (t >= 0 && t < lobeS) {
                g = m.peakG * std::sin(kPi * t / lobeS);
            } else if (t >= lobeS && t < m.widthS) {
                g = -kShoveRebound * m.peakG * std::sin(kPi * (t - lobeS) / lobeS);
            }
        }
        const CarAccel jolt = Along(m.dirX, m.dirY, m.dirZ, g);
        sum = {sum.x + jolt.x, sum.y + jolt.y, sum.z + jolt.z};
    }
    return sum;
}

std::vector<Bump> PlanBumps(int seed, int lengthSeconds) {
    std::mt19937 random(static_cast<std::uint32_t>(seed) * 2654435761U + 97U);
    std::exponential_distribution<double> gap(1.0 / kBumpMeanGapS);
    std::uniform_real_distribution<double> vertical(0.1, 0.8);
    std::uniform_real_distribution<double> forward(-0.3, -0.05);
    std::uniform_real_distribution<double> side(-0.1, 0.1);
    std::vector<Bump> bumps;
    for (double t = gap(random); t < lengthSeconds; t += gap(random)) {
        Bump bump;
        bump.timeS = t;
        bump.verticalG = vertical(random);
        bump.forwardShare = forward(random);
        bump.sideShare = side(random);
        bumps.push_back(bump);
    }
    return bumps;
}

CarAccel BumpG(const std::vector<Bump>& bumps, double clipS) {
    CarAccel sum;
    for (const Bump& b : bumps) {
        const double d = (clipS - b.timeS) / kBumpWidthS;
        const double r = (clipS - b.timeS - kBumpReboundS) / kBumpWidthS;
        const double shape = b.verticalG * (std::exp(-d * d) - kBumpRebound * std::exp(-r * r));
        sum = {sum.x + b.sideShare * shape, sum.y + b.forwardShare * shape, sum.z + shape};
    }
    return sum;
}

const char* LabelKind(ManoeuvreKind kind) {
    switch (kind) {
        case ManoeuvreKind::Braking:
            return "braking";
        case ManoeuvreKind::Acceleration:
            return "acceleration";
        case ManoeuvreKind::Cornering:
            return "cornering";
        case ManoeuvreKind::Impact:
            return "impact";
        case ManoeuvreKind::Shove:
            break;
    }
    return "motion";
}

}  // namespace samplecard
