#pragma once
// What the driver does beyond cruising and what the road does to the car: harsh manoeuvres and
// knocks (the incidents a card can be asked to hold, each labelled with the truth), calm
// manoeuvres, and the bumps of a rough road. Plain values and pure functions; any thread.

#include <vector>

namespace samplecard {

enum class ManoeuvreKind { Braking, Acceleration, Cornering, Impact, Shove };

struct Manoeuvre {
    ManoeuvreKind kind = ManoeuvreKind::Braking;
    double peakS = 0.0;      // recording time of the peak
    double widthS = 0.0;     // the pulse's length (an impact's spike is always short)
    double peakG = 0.0;      // the manoeuvre's own acceleration at the peak
    double recoveryS = 0.0;  // the gentle way back to the cruising speed or course afterwards
    // Impact and shove: the direction in the car frame (x right, y forward, z up), unit length.
    double dirX = 0.0;
    double dirY = 0.0;
    double dirZ = 0.0;
    bool labelled = false;  // an incident the card's labels name
};

// g in the car frame.
struct CarAccel {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// A harsh manoeuvre of kind at peakS; variant picks one of a few strengths. Braking sheds at
// most about the cruising speed there (cruiseKmh), so the car never stops or reverses.
Manoeuvre HarshManoeuvre(ManoeuvreKind kind, int variant, double peakS, double cruiseKmh);
// A calm one (braking, acceleration or cornering) of strength g, well below any incident.
Manoeuvre CalmManoeuvre(ManoeuvreKind kind, double peakS, double g);

// The speed the manoeuvres add to cruising at clipS, in km/h (back to 0 after each recovery).
double ManoeuvreSpeedKmh(const std::vector<Manoeuvre>& manoeuvres, double clipS);
// One cornering manoeuvre's sideways acceleration at clipS in g, without its direction (the
// turn back during the recovery is negative).
double CorneringG(const Manoeuvre& manoeuvre, double clipS);
// The jolts of impacts and shoves at clipS.
CarAccel ManoeuvreJoltG(const std::vector<Manoeuvre>& manoeuvres, double clipS);

// One bump of a rough road: a short vertical kick and its rebound, with a little of it along
// and across the car.
struct Bump {
    double timeS = 0.0;
    double verticalG = 0.0;
    double forwardShare = 0.0;
    double sideShare = 0.0;
};

// The bumps of a recording's rough road, a few every ten seconds, from seed.
std::vector<Bump> PlanBumps(int seed, int lengthSeconds);
CarAccel BumpG(const std::vector<Bump>& bumps, double clipS);

// The word the labels use: "braking", "acceleration", "cornering", "impact", "motion".
const char* LabelKind(ManoeuvreKind kind);

}  // namespace samplecard
