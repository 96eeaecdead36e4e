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
    Opaque<8> Head;
    Opaque<16> Rec;
    static constexpr auto fields() { return std::tuple{&AuxBSub1::Head, &AuxBSub1::Rec}; }
    friend bool operator==(const AuxBSub1&, const AuxBSub1&) = default;
};

struct AuxBSub2 {
    Opaque<8> Head;
    Opaque<18> Rec;
    static constexpr auto fields() { return std::tuple{&AuxBSub2::Head, &AuxBSub2::Rec}; }
    friend bool operator==(const AuxBSub2&, const AuxBSub2&) = default;
};

struct AuxBRec2 {
    Opaque<2> Word;
    AuxBSub1 Sub1;
    AuxBSub2 Sub2;
    static constexpr auto fields() { return std::tuple{&AuxBRec2::Word, &AuxBRec2::Sub1, &AuxBRec2::Sub2}; }
    friend bool operator==(const AuxBRec2&, const AuxBRec2&) = default;
};

struct AuxBGroup {
    Opaque<16> Head;
    Opaque<16> Rec1;
    AuxBRec2 Rec2;
    static constexpr auto fields() { return std::tuple{&AuxBGroup::Head, &AuxBGroup::Rec1, &AuxBGroup::Rec2}; }
    friend bool operator==(const AuxBGroup&, const AuxBGroup&) = default;
};

inline constexpr std::size_t SeriesValueCount = 102;
using SeriesValue = Opaque<8>;

struct SeriesBlock {
    std::array<SeriesValue, SeriesValueCount> Values;
    Opaque<22> AuxA;
    AuxBGroup AuxB;
    static constexpr auto fields() { return std::tuple{&SeriesBlock::Values, &SeriesBlock::AuxA, &SeriesBlock::AuxB}; }
    friend bool operator==(const SeriesBlock&, const SeriesBlock&) = default;
};

// The in-memory series block: one more leading value that no file supplies or receives.
struct WorkingSeriesBlock : SeriesBlock {
    Opaque<8> LeadValue;
    friend bool operator==(const WorkingSeriesBlock&, const WorkingSeriesBlock&) = default;
};

struct InfoHeadGroup {
    Opaque<2> HeadWord;
    Opaque<10> HeadRec;
    static constexpr auto fields() { return std::tuple{&InfoHeadGroup::HeadWord, &InfoHeadGroup::HeadRec}; }
    friend bool operator==(const InfoHeadGroup&, const InfoHeadGroup&) = default;
};

struct SaveStampGroup {
    Text<40> StampText;
    std::int16_t SaveInhibit;
    std::int16_t FormatMark;
    std::int16_t StampAux;
    static constexpr auto fields()
    {
        return std::tuple{&SaveStampGroup::StampText, &SaveStampGroup::SaveInhibit, &SaveStampGroup::FormatMark,
                          &SaveStampGroup::StampAux};
    }
    friend bool operator==(const SaveStampGroup&, const SaveStampGroup&) = default;
};

struct PairGroup {
    Opaque<4> First;
    Opaque<4> Second;
    static constexpr auto fields() { return std::tuple{&PairGroup::First, &PairGroup::Second}; }
    friend bool operator==(const PairGroup&, const PairGroup&) = default;
};

struct FileInfoGroup {
    Text<75> FileText1;
    Text<20> FileText2;
    Text<75> FileName;
    std::int16_t FileWord;
    static constexpr auto fields()
    {
        return std::tuple{&FileInfoGroup::FileText1, &FileInfoGroup::FileText2, &FileInfoGroup::FileName,
                          &FileInfoGroup::FileWord};
    }
    friend bool operator==(const FileInfoGroup&, const FileInfoGroup&) = default;
};

struct TextBlockGroup {
    Text<75> Text1;
    Text<75> Text2;
    Text<75> Text3;
    Text<40> Text4;
    static constexpr auto fields()
    {
        return std::tuple{&TextBlockGroup::Text1, &TextBlockGroup::Text2, &TextBlockGroup::Text3,
                          &TextBlockGroup::Text4};
    }
    friend bool operator==(const TextBlockGroup&, const TextBlockGroup&) = default;
};

struct AuxDGroup {
    Opaque<2> Word;
    Opaque<10> Mid;
    Opaque<824> Body;
    static constexpr auto fields() { return std::tuple{&AuxDGroup::Word, &AuxDGroup::Mid, &AuxDGroup::Body}; }
    friend bool operator==(const AuxDGroup&, const AuxDGroup&) = default;
};

// The information block; the two layouts differ only in their port settings.
template <class PortSettingsLayout>
struct InfoBlock {
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
        return std::tuple{&InfoBlock::InfoHead,  &InfoBlock::SaveStamp, &InfoBlock::Pair,  &InfoBlock::PortSettings,
                          &InfoBlock::FileInfo,  &InfoBlock::TextBlock, &InfoBlock::Word1, &InfoBlock::Word2,
                          &InfoBlock::Quad,      &InfoBlock::Word3,     &InfoBlock::AuxD,  &InfoBlock::AuxE};
    }
    friend bool operator==(const InfoBlock&, const InfoBlock&) = default;
};

// The file form: what a file holds, nothing else.
template <class InfoLayout>
struct MeasurementRecord {
    SeriesBlock Series1;
    SeriesBlock Series2;
    InfoLayout Info;
    static constexpr auto fields()
    {
        return std::tuple{&MeasurementRecord::Series1, &MeasurementRecord::Series2, &MeasurementRecord::Info};
    }
    friend bool operator==(const MeasurementRecord&, const MeasurementRecord&) = default;
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
