// The lambda table file loader: one byte chooses the map and the separator
// a save writes, the rest is the file.
#include "input.h"
#include "racing/lambdamap.h"
#include "racing/tlafile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const int choice = in.byte();
    const lambda::Map map = choice & 1 ? lambda::Map::Two : lambda::Map::One;
    const QChar separator = choice & 2 ? QLatin1Char(',') : QLatin1Char('.');
    const QByteArray content = in.rest();

    lambda::LambdaMaps maps;
    const tla::LoadResult result = tla::read(content, maps, map);
    if (result.rows < 0 || result.rows > lambda::kRows || result.flowReplaced > result.flowLine)
        std::abort();
    if (maps.flow() != lambda::kFlowDesign && (maps.flow() < lambda::kFlowMin || maps.flow() > lambda::kFlowMax))
        std::abort();

    // What a write to the unit would send.
    maps.firstUnsendable(map);
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column) {
            const lambda::Cell cell { row, column };
            if (const std::optional<int> stored = maps.storedValue(map, cell)) {
                if (*stored < 1 || *stored >= lambda::kFirstInvalidHigh * 256)
                    std::abort();
                lambda::cellWrites(map, cell, *stored);
            }
        }

    // Saving what was loaded, loading that and saving again gives the same file.
    const tla::Encoded saved = tla::write(maps, map, separator);
    if (saved.refusal == tla::Refusal::Unsavable)
        lambda::unsavableText(saved.cellText, saved.cell);
    if (saved.refusal != tla::Refusal::None)
        return 0;
    lambda::LambdaMaps again;
    const tla::LoadResult reread = tla::read(saved.content, again, map);
    if (reread.rows != lambda::kRows || !reread.flowLine)
        std::abort();
    const tla::Encoded resaved = tla::write(again, map, separator);
    if (resaved.refusal != tla::Refusal::None || resaved.content != saved.content)
        std::abort();

    // The editor takes a cell's text as typed.
    maps.commit(
        map, { 1 + choice % lambda::kRows, 1 + choice % lambda::kColumns }, QString::fromLatin1(content.left(12)));
    return 0;
}
