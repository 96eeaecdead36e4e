// The record layouts alone, on every platform: each field where the tests' table pins it, read and written back unchanged.
#include "../records/field_table.h"
#include "records/leaves.h"
#include "records/new_record.h"
#include "records/old_record.h"

#include <gtest/gtest.h>

#include <tuple>

using Shape = std::tuple<std::string, std::size_t, std::size_t, char>;  // name, offset, width, kind as the table codes it

template <class Record>
static void expectLayout(bool newLayout, std::size_t portValue2At)
{
    std::vector<Shape> found;
    records::forEachLeaf<Record>([&](const records::Leaf& l) { found.emplace_back(l.name, l.offset, l.width, "ito"[static_cast<int>(l.kind)]); });
    const std::vector<fixtures::FieldRow> rows = fixtures::fieldRows(newLayout);
    ASSERT_EQ(found.size(), rows.size());
    for (std::size_t f = 0; f < rows.size(); ++f)
        EXPECT_EQ(found[f], Shape(rows[f].name, newLayout ? rows[f].newOffset : rows[f].oldOffset, rows[f].width, rows[f].kind));
    // Neighbouring bytes differ, so that a number read with its bytes swapped comes out different.
    std::array<std::uint8_t, records::wireSize<Record>> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const Record record = records::decode<Record>(bytes);
    EXPECT_EQ(records::encode(record), bytes);
    EXPECT_EQ(record.Info.PortSettings.Tail.PortValue2, static_cast<std::int16_t>(bytes[portValue2At] | bytes[portValue2At + 1] << 8));
}

TEST(RecordLayouts, FieldsSitWhereTheTablePinsThemAndNumbersAreLittleEndian)
{
    expectLayout<records::OldMeasurementRecord>(false, 1913);
    expectLayout<records::NewMeasurementRecord>(true, 1925);
}
