#include "anglecoding.h"

#include "core/gates.h"
#include "racing/ignitiontable.h"

AngleCoding AngleCoding::forLimits(const UnitIdentity& unit, int reference, int angleOffset)
{
    return { reference, gates::ignitionTableShiftsByLeadAngle(unit) ? angleOffset : 0 };
}

AngleCoding AngleCoding::forGrid(const UnitIdentity& unit, int reference, int angleOffset)
{
    AngleCoding coding = forLimits(unit, reference, angleOffset);
    if (bands::schemeFor(unit) == BandScheme::Shared76)
        coding.shift = 0;
    return coding;
}
