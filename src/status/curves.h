#pragma once

// Conversion curves of the unit's analog sensors, fitted polynomials.
// The air-mass curve scales its converter count by 5/1024, unlike the
// 5/1023 of the displayed voltage checks; both are as the unit's maker fitted them.

// Raw 10-bit air-mass converter count to kg/h.
double MafFromAdc(int raw);

// Sensor voltage to degrees Celsius; the head and air sensors share one curve.
double HeadTempFromVoltage(double v);
double AirTempFromVoltage(double v);
