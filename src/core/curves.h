#pragma once

// Conversion curves of the unit's analog sensors, fitted polynomials. The
// air-mass curve was fitted against count * 5/1024, unlike the 5/1023 of the
// displayed voltage checks; keep both or the values shift.

// Raw 10-bit air-mass converter count to kg/h.
double MafFromAdc(int raw);

// Sensor voltage to degrees Celsius; the head and air sensors share one curve.
double HeadTempFromVoltage(double v);
double AirTempFromVoltage(double v);
