// The racing context converts angles through the ignition table model, which
// these tests never call. Weak, so that the model's own definitions take over
// wherever they are linked; until then the tab tests still link.
#include "racing/ignitiontable.h"

__attribute__((weak)) AngleCoding AngleCoding::forLimits(const UnitIdentity&, int reference, int angleOffset)
{
    return { reference, angleOffset };
}

__attribute__((weak)) AngleCoding AngleCoding::forGrid(const UnitIdentity&, int reference, int)
{
    return { reference, 0 };
}
