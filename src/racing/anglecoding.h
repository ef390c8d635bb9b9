#pragma once

struct UnitIdentity;

// Table byte <-> ignition angle. A byte is the angle below the reference in
// tenths of a degree: angle = (reference - shift - byte) / 10 degrees before
// top dead centre.
struct AngleCoding {
    int reference = 0; // AngleReference, tenths of a degree
    int shift = 0; // the lead angle on units that shift by it, else 0

    double angle(int byte) const { return angle(double(byte)); }
    // A file's text need not be a whole byte ("12.5"): its angle is taken
    // from the number as it reads.
    double angle(double byte) const { return (reference - shift - byte) / 10.0; }
    double earliest() const { return angle(0); } // txtMaxZw
    double latest() const { return angle(255); } // txtMinZw

    // The limit labels and the slider label shift by the lead angle on every
    // unit that knows it.
    static AngleCoding forLimits(const UnitIdentity& unit, int reference, int angleOffset);
    // The grid, the chart scale and the file load: the 76-band scheme never shifts.
    static AngleCoding forGrid(const UnitIdentity& unit, int reference, int angleOffset);
};
