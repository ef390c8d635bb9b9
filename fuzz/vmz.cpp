// The ignition table file loader: four bytes choose the table's scheme and
// angle coding, the rest is the file.
#include "input.h"
#include "racing/anglecoding.h"
#include "racing/ignitiontable.h"
#include "racing/vmzfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const BandScheme scheme = in.flag() ? BandScheme::PerCylinder111 : BandScheme::Shared76;
    // The reference comes from the settings' three digits, less the correction of some units.
    const AngleCoding coding { in.range(0, 999) - 33, in.byte() };
    const QByteArray content = in.rest();

    IgnitionTable table(scheme);
    const vmz::LoadResult result = vmz::read(content, table, coding);
    if (result.rowsFilled > table.rows() || result.rowsFilled > result.lines)
        std::abort();
    vmz::lineCountNotice(result, table.rows());
    vmz::excerpt(QString::fromLatin1(content));

    for (int row = 0; row < table.rows(); ++row)
        for (int cylinder = 0; cylinder < 2; ++cylinder) {
            table.byteValue(row, cylinder);
            table.angleText(row, cylinder);
        }
    for (int cylinder = 0; cylinder < 2; ++cylinder)
        if (int(table.chartPoints(cylinder).size()) != bands::chartPointCount(scheme))
            std::abort();

    // Saving what was loaded and loading that again changes nothing. Only
    // the saved lines of the rows the file filled are read back (the rest
    // were empty before and stay so), which keeps a short file quick.
    const QByteArray saved = vmz::write(table);
    qsizetype end = 0;
    for (int row = 0; row < result.rowsFilled; ++row)
        end = saved.indexOf("\r\n", end) + 2;
    IgnitionTable again(scheme);
    const vmz::LoadResult reread = vmz::read(saved.left(end), again, coding);
    if (reread.lines != result.rowsFilled || reread.otherScheme || vmz::write(again) != saved)
        std::abort();
    return 0;
}
