// libFuzzer target: the readers of a recording's cell blocks, packed bytes
// and JSON text, on any bytes a damaged or foreign file may hold in a block
// (each reader gets every input). Beyond "no crash, no hang, no runaway
// memory" (the sanitizers' and libFuzzer's part) it checks that every cell
// read names a row of the block, in order, and that the reader stops within
// the data.
#include "history/CellBlock.h"

#include <cstdlib>

namespace {

constexpr qsizetype kFirstRow = 64;
// The least a cell takes: packed, its step, column and flags; as JSON,
// "[0,0,0,0,0]" and the comma or bracket before it.
constexpr std::size_t kLeastPacked = 3;
constexpr std::size_t kLeastJson = 12;

const QStringList& Targets()
{
    static const QStringList targets{QStringLiteral("1.3.6.1.2.1.2.2.1.1"),
                                     QStringLiteral("1.3.6.1.2.1.2.2.1.2"),
                                     QStringLiteral("1.3.6.1.2.1.2.2.1.10")};
    return targets;
}

const QVector<QString>& Suffixes()
{
    static const QVector<QString> suffixes = [] {
        QVector<QString> made;
        for (qsizetype row = 1; row <= kBlockRows; ++row)
            made.append(QLatin1Char('.') + QString::number(row));
        return made;
    }();
    return suffixes;
}

template <typename TReader>
void ReadAll(TReader& reader, std::size_t size, std::size_t least)
{
    TBlockCell cell;
    qsizetype lastRow = kFirstRow;
    std::size_t cells = 0;
    while (reader.Next(cell)) {
        if (cell.row < lastRow || cell.row >= kFirstRow + Suffixes().size())
            std::abort();  // a row outside the block, or going back
        lastRow = cell.row;
        if (++cells * least > size)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TCellBlockReader packed(bytes, kFirstRow, Targets(), Suffixes(), 12345);
    ReadAll(packed, size, kLeastPacked);
    TCellJsonReader json(bytes, kFirstRow, Targets(), Suffixes(), {12345, 1796875451762, 5000});
    ReadAll(json, size, kLeastJson);
    return 0;
}
