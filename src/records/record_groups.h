// Groups the old and the new measurement record share, and the record shapes built from them.
#pragma once

#include "field_types.h"
#include "wire.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <tuple>

namespace records {

struct AuxBSub1 {
    using Self = AuxBSub1;
    Opaque<8> Head;
    Opaque<16> Rec;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Head), RECORD_FIELD(Rec)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

struct AuxBSub2 {
    using Self = AuxBSub2;
    Opaque<8> Head;
    Opaque<18> Rec;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Head), RECORD_FIELD(Rec)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

struct AuxBRec2 {
    using Self = AuxBRec2;
    Opaque<2> Word;
    AuxBSub1 Sub1;
    AuxBSub2 Sub2;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Word), RECORD_FIELD(Sub1), RECORD_FIELD(Sub2)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

struct AuxBGroup {
    using Self = AuxBGroup;
    Opaque<16> Head;
    Opaque<16> Rec1;
    AuxBRec2 Rec2;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Head), RECORD_FIELD(Rec1), RECORD_FIELD(Rec2)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

inline constexpr std::size_t SeriesValueCount = 102;
using SeriesValue = Opaque<8>;

struct SeriesBlock {
    using Self = SeriesBlock;
    std::array<SeriesValue, SeriesValueCount> Values;
    Opaque<22> AuxA;
    AuxBGroup AuxB;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Values), RECORD_FIELD(AuxA), RECORD_FIELD(AuxB)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

// The in-memory series block: one more leading value that no file supplies or receives. It has no
// file form of its own, so it cannot be read or written by mistake.
struct WorkingSeriesBlock {
    Opaque<8> LeadValue;
    SeriesBlock Block;
    friend bool operator==(const WorkingSeriesBlock&, const WorkingSeriesBlock&) = default;
};

struct InfoHeadGroup {
    using Self = InfoHeadGroup;
    Opaque<2> HeadWord;
    Opaque<10> HeadRec;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(HeadWord), RECORD_FIELD(HeadRec)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

struct SaveStampGroup {
    using Self = SaveStampGroup;
    Text<40> StampText;
    std::int16_t SaveInhibit;
    std::int16_t FormatMark;
    std::int16_t StampAux;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(StampText), RECORD_FIELD(SaveInhibit), RECORD_FIELD(FormatMark),
                          RECORD_FIELD(StampAux)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

struct PairGroup {
    using Self = PairGroup;
    Opaque<4> First;
    Opaque<4> Second;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(First), RECORD_FIELD(Second)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

// The port settings behind the first value, the same in both layouts.
struct PortTail {
    using Self = PortTail;
    Text<1> PortChar1;
    std::int16_t PortValue2;
    Text<1> PortChar2;
    std::int16_t PortValue3;
    std::int16_t PortValue4;
    Text<1> PortChar3;
    Text<1> PortChar4;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(PortChar1),  RECORD_FIELD(PortValue2), RECORD_FIELD(PortChar2),
                          RECORD_FIELD(PortValue3), RECORD_FIELD(PortValue4), RECORD_FIELD(PortChar3),
                          RECORD_FIELD(PortChar4)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

struct FileInfoGroup {
    using Self = FileInfoGroup;
    Text<75> FileText1;
    Text<20> FileText2;
    Text<75> FileName;
    std::int16_t FileWord;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(FileText1), RECORD_FIELD(FileText2), RECORD_FIELD(FileName),
                          RECORD_FIELD(FileWord)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

struct TextBlockGroup {
    using Self = TextBlockGroup;
    Text<75> Text1;
    Text<75> Text2;
    Text<75> Text3;
    Text<40> Text4;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(Text1), RECORD_FIELD(Text2), RECORD_FIELD(Text3), RECORD_FIELD(Text4)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

struct AuxDGroup {
    using Self = AuxDGroup;
    Opaque<2> Word;
    Opaque<10> Mid;
    Opaque<824> Body;
    static constexpr auto fields() { return std::tuple{RECORD_FIELD(Word), RECORD_FIELD(Mid), RECORD_FIELD(Body)}; }
    friend bool operator==(const Self&, const Self&) = default;
};

// The information block; the two layouts differ only in their port settings.
template <class PortSettingsLayout>
struct InfoBlock {
    using Self = InfoBlock;
    InfoHeadGroup InfoHead;
    SaveStampGroup SaveStamp;
    PairGroup Pair;
    PortSettingsLayout PortSettings;
    FileInfoGroup FileInfo;
    TextBlockGroup TextBlock;
    std::int16_t Word1;
    std::int16_t Word2;
    Opaque<4> Quad;
    std::int16_t Word3;
    AuxDGroup AuxD;
    Opaque<26> AuxE;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(InfoHead), RECORD_FIELD(SaveStamp), RECORD_FIELD(Pair),
                          RECORD_FIELD(PortSettings), RECORD_FIELD(FileInfo), RECORD_FIELD(TextBlock),
                          RECORD_FIELD(Word1), RECORD_FIELD(Word2), RECORD_FIELD(Quad),
                          RECORD_FIELD(Word3), RECORD_FIELD(AuxD), RECORD_FIELD(AuxE)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

// The file form: what a file holds, nothing else.
template <class InfoLayout>
struct MeasurementRecord {
    using Self = MeasurementRecord;
    SeriesBlock Series1;
    SeriesBlock Series2;
    InfoLayout Info;
    static constexpr auto fields()
    {
        return std::tuple{RECORD_FIELD(Series1), RECORD_FIELD(Series2), RECORD_FIELD(Info)};
    }
    friend bool operator==(const Self&, const Self&) = default;
};

// The working form the conversion reads and fills; it has no file form of its own.
template <class InfoLayout>
struct WorkingRecord {
    WorkingSeriesBlock Series1;
    WorkingSeriesBlock Series2;
    InfoLayout Info;
    friend bool operator==(const WorkingRecord&, const WorkingRecord&) = default;
};

static_assert(wireSize<SeriesBlock> == 922);
static_assert(wireOffset<&SeriesBlock::AuxA>() == 816);
static_assert(wireOffset<&SeriesBlock::AuxB, &AuxBGroup::Rec2, &AuxBRec2::Word>() == 870);
static_assert(wireOffset<&SeriesBlock::AuxB, &AuxBGroup::Rec2, &AuxBRec2::Sub2, &AuxBSub2::Rec>() == 904);

}  // namespace records
