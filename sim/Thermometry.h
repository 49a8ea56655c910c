// Simulated instrument: the sensor physics it measures with (platinum resistance
// by Callendar-Van Dusen, thermocouple EMF by the ITS-90 reference functions).
#pragma once

namespace Thermometry {

// Resistance in ohms of a platinum sensor at Celsius:
// R0 (1 + A t + B t^2 + C (t - 100) t^3), the C term only below 0 C.
double platinumResistance(double celsius, double a, double b, double c, double r0);

// Reference EMF in millivolts of a thermocouple of Type (one of R S B J T E K N,
// upper case) with its reference junction at 0 C. Unknown types give 0.
double thermocoupleMillivolts(char type, double celsius);

} // namespace Thermometry
