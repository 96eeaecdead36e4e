// gconvert --show and --verify on files built field by field from the tests' own table of fields.
#include "gconvert_run.h"

#include "audit/converted_marks.h"
#include "engine/conversion_rule.h"
#include "engine/stamps.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using enum platform::Systems;

// The odd text as JSON decodes it.
const std::string OddTextDecoded = "Grüße \"A\"\t\\ €" + std::string(62, ' ');

using AuditTest = GconvertTest;
const std::string converted = patternedFile(true);

TEST_F(AuditTest, ShowTellsTheLayoutByLengthAndMarks)
{
    std::string unmarked = converted;
    unmarked[1898] = 1;  // a new length alone makes no converted file: old files may run on
    const struct { const char* name; std::string bytes; std::string header; } cases[] = {
        {"long.G", old + std::string(32767 - 3231, 'x'), "old layout: 32767 bytes"}, {"unmarked.G", unmarked, "old layout: 3243 bytes"},
        {"cut.G", converted.substr(0, 3235), "neither layout: 3235 bytes"}, {"short.G", old.substr(0, 3230), "neither layout: 3230 bytes"},
        {"huge.G", old + std::string(32768 - 3231, '\0'), "neither layout: 32768 bytes"},  // one byte longer: VerifyTest
    };
    for (const auto& c : cases) {
        put(c.name, c.bytes);
        const Finished run = gconvert({"--show", c.name});
        EXPECT_EQ(run.exitCode, 0) << c.name;
        EXPECT_TRUE(run.out.starts_with(c.name + ": "s + c.header)) << run.out.substr(0, 200);
        EXPECT_EQ(std::ranges::count(run.out, '\n') > 2, !c.header.starts_with("neither")) << c.name;  // fields or none
    }
    // A file that cannot be read is named on standard error, the others still shown.
    const Finished missing = gconvert({"--show", "missing.G", "long.G"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "gconvert: missing.G: cannot read: File not found (error 53)\n");
    EXPECT_TRUE(missing.out.starts_with("long.G: old layout")) << missing.out.substr(0, 200);
}

// The text is compared with a reviewed copy of what it must be; the JSON document field by field with
// the tests' table of fields.
TEST_F(AuditTest, ShowListsEveryFieldAtItsOffsetAsTextAndJson)
{
    put("old.G", old);
    put("new.G", converted);
    for (const std::string name : {"old.G", "new.G"}) {
        const std::string shown = readFile(SHOWN_FOLDER "/" + name + ".txt");
        ASSERT_FALSE(shown.empty()) << name;
        EXPECT_EQ(gconvert({"--show", name}).out, shown);
    }
    const json files = json::parse(gconvert({"--show", "--json", "old.G", "new.G"}).out).at("files");
    ASSERT_EQ(files.size(), 2u);
    const auto hexOf = [](const std::string& bytes) { std::string hex; for (const unsigned char b : bytes) (hex += "0123456789abcdef"[b >> 4]) += "0123456789abcdef"[b & 15]; return hex; };
    for (const bool newLayout : {false, true}) {
        const json& shown = files.at(newLayout ? 1 : 0);
        EXPECT_EQ(shown.at("layout"), newLayout ? "new" : "old");
        const json& fields = shown.at("fields");
        const std::vector<FieldRow> rows = fieldRows(newLayout);
        ASSERT_EQ(fields.size(), rows.size());
        for (std::size_t f = 0; f < rows.size(); ++f) {
            const FieldRow& row = rows[f];
            const int at = newLayout ? row.newOffset : row.oldOffset;
            const std::string bytes = (newLayout ? converted : old).substr(at, row.width), hex = hexOf(bytes);
            const int low = static_cast<unsigned char>(bytes[0]), high = static_cast<unsigned char>(row.kind == 'i' ? bytes[1] : 0);
            const json value = row.kind == 'i' ? json(static_cast<std::int16_t>(low | high << 8))
                               : row.kind == 'o' ? json(hex)
                                                 : json(bytes == OddText ? OddTextDecoded : bytes);
            EXPECT_EQ(fields[f], (json{{"name", row.name}, {"offset", at}, {"width", row.width}, {"hex", hex},
                                       {"kind", row.kind == 'i' ? "integer" : row.kind == 't' ? "text" : "opaque"}, {"value", value}}))
                << row.name;
        }
    }
}

// The verifier states what converting sets on its own; this is the one place that holds it to the engine.
TEST(AuditMarks, AreWhatTheEngineSets)
{
    records::Text<12> lineSettings;
    lineSettings.assign(engine::ConvertedLineSettings);
    EXPECT_EQ(lineSettings.view(), audit::ConvertedLineSettings);
    EXPECT_EQ(std::pair(audit::ClearedAuxAFrom, audit::ClearedAuxAUpTo), std::pair(engine::ReleasedAuxAFrom, engine::ReleasedAuxAUpTo));
    records::NewWorkingForm saved{};
    engine::prepareForSaving(saved, "", "");
    EXPECT_EQ(saved.Info.SaveStamp.FormatMark, audit::ConvertedFormatMark);
    for (const engine::StampMoment moment : {engine::StampMoment{2026, 12, 24, 18, 30, 0}, {999, 2, 28, 0, 0, 59}}) {
        records::Text<40> stamp;
        stamp.assign(engine::formatSaveStamp(moment));
        EXPECT_TRUE(audit::isSaveStamp(bytesOf(stamp.view()))) << stamp.view();
    }
    for (const char* text : {"19200,N,8,1 ", "9600,e,7,1.5", "19200,N,8,  ", "19200,N,8,1x", "19200,N,8,1\0", "1200,NN,8,1 ", "19200,N,8,1."})
        for (const std::int16_t mark : {1, 2}) {
            std::array<std::uint8_t, records::OldRecordLength> record{};
            std::copy_n(text, 12, record.begin() + 1912);
            record[1898] = static_cast<std::uint8_t>(mark);
            EXPECT_EQ(audit::looksConverted(record), engine::looksConverted(record)) << text << ", mark " << mark;
        }
}

// A save stamp names a day of the calendar and a time of the clock in the one form converting writes.
TEST(AuditMarks, ASaveStampIsADayAndATimeThatExist)
{
    const struct { const char* stamp; bool is; } rows[] = {
        {"24.12 2026 / 18:30:00", true}, {"1.01 2027 / 00:00:00", true}, {"29.02 2024 / 23:59:59", true},
        {"29.02 2026 / 12:00:00", false}, {"31.04 2026 / 12:00:00", false}, {"0.04 2026 / 12:00:00", false},
        {"5.13 2026 / 12:00:00", false},  {"5.00 2026 / 12:00:00", false},  {"05.03 2026 / 12:00:00", false},
        {"5.3 2026 / 12:00:00", false},   {"5.03 2026 / 24:00:00", false}, {"5.03 2026 / 23:60:00", false},
        {"5.03 2026 / 23:59:60", false},  {"5.03 2026 - 23:59:59", false}, {"--.--- ---- / --:--:--", false},
    };
    for (const auto& row : rows) EXPECT_EQ(audit::isSaveStamp(bytesOf(padded(row.stamp, 40))), row.is) << row.stamp;
}

// What converting old.G as target stores, by the fixtures' oracle and never by gconvert: the stored
// name is the target's absolute path from the folder gconvert runs in, as the system writes it.
class VerifyTest : public AuditTest {
protected:
    std::string oracle(const std::string& target) const
    {
        return expectedNewFile(old, Stamp, pathText((fs::canonical(fs::u8path(dir.path())) / fs::u8path(target)).make_preferred()));
    }
    std::string made = oracle("new/a/b.G");
    std::string damaged(int at, const std::string& bytes) const { return std::string(made).replace(at, bytes.size(), bytes); }
    std::string named(const std::string& stored) const { return damaged(2029, padded(stored, 75)); }
    // Every line of the run begins as one of lines, in order.
    static void expectLines(const Finished& run, const std::vector<std::string>& lines, const char* label)
    {
        std::vector<std::string> got;
        for (std::size_t at = 0, end = 0; at < run.out.size(); at = end + 1)
            if ((end = std::min(run.out.find('\n', at), run.out.size())) > at) got.push_back(run.out.substr(at, end - at));
        EXPECT_TRUE(std::ranges::equal(got, lines, [](const std::string& line, const std::string& start) { return line.starts_with(start); }) && run.err.empty())
            << label << ":\n" << run.out << run.err;
    }
};

TEST_F(VerifyTest, NamesEachFaultByFieldAndOffset)
{
    for (const char* name : {"old/a/b.G", "old/b.G"}) put(name, old);
    put("old/named/b.G", std::string(old).replace(2017, 75, padded("C:\\Messplatz\\b.G", 75)));  // the name the old record was saved as
    const std::string cut = "new/" + std::string(70, 'x') + "/b.G", at = "new/a/b.G: ";  // a path the record stores cut
    const std::string fileName = at + "Info.FileInfo.FileName at 2029: ", here = pathText(fs::canonical(fs::u8path(dir.path())));
    const struct { const char* label; std::string oldName, newName, bytes; int exitCode; std::vector<std::string> lines; } cases[] = {
        {"faithful", "old/a/b.G", "new/a/b.G", made, 0, {at + "faithful"}},
        {"cut path", "old/a/b.G", cut, oracle(cut), 0, {cut + ": faithful"}},
        // Converted elsewhere and moved: an absolute path on any system that ends in the file's own name
        // (in any case where Windows wrote it), but never the source's path nor the old record's own name.
        {"moved to another drive", "old/b.G", "new/a/b.G", named("D:\\Archiv 2019\\B.G"), 0, {at + "faithful"}},
        {"moved to a share", "old/b.G", "new/a/b.G", named("\\\\labor\\messungen\\b.G"), 0, {at + "faithful"}},
        {"moved to a Linux server", "old/b.G", "new/a/b.G", named("/srv/archiv/konv/b.G"), 0, {at + "faithful"}},
        {"moved, the old record saved elsewhere", "old/named/b.G", "new/a/b.G", named("C:/Konvertiert/b.G"), 0, {at + "faithful"}},
        {"moved, the old record's folders on another drive", "old/named/b.G", "new/a/b.G", named("D:\\Messplatz\\b.G"), 0, {at + "faithful"}},
        {"a Linux path in another case", "old/b.G", "new/a/b.G", named("/srv/archiv/B.G"), 1, {fileName}},
        {"a relative name", "old/b.G", "new/a/b.G", named("archiv\\b.G"), 1, {fileName}},
        {"a share without its name", "old/b.G", "new/a/b.G", named("\\\\labor\\b.G"), 1, {fileName}},
        {"another file's name", "old/b.G", "new/a/b.G", named("D:\\Archiv\\ab.G"), 1, {fileName}},
        {"the source's path", "old/a/b.G", "new/a/b.G", damaged(2029, oracle("old/a/b.G").substr(2029, 75)), 1, {fileName}},
        {"the source's path spelled otherwise", "old/b.G", "new/a/b.G", named(here + (platform::OnWindows ? "/OLD/./x/../B.G" : "/old/./x/../b.G")), 1, {fileName}},
        {"the old record's own name", "old/named/b.G", "new/a/b.G", named("c:/MESSPLATZ//b.G"), 1, {fileName}},
        {"one byte longer", "old/a/b.G", "new/a/b.G", made + 'x', 1, {at + "not a new file: neither layout: 3244 bytes"}},
        {"line settings", "old/a/b.G", "new/a/b.G", damaged(1912, "19200,N,8,2 "), 1,
         {at + "Info.PortSettings.LineSettings at 1912: expected \"19200,N,8,1 \", found \"19200,N,8,2 \""}},
        {"format mark", "old/a/b.G", "new/a/b.G", damaged(1898, "\x01\0"s), 1, {at + "Info.SaveStamp.FormatMark at 1898: expected 2, found 1"}},
        {"carried byte", "old/a/b.G", "new/a/b.G", damaged(139, "Z"), 1, {at + "Series1.Values[17] at 136: "}},
        {"AuxA kept", "old/a/b.G", "new/a/b.G", damaged(824, old.substr(824, 8)).replace(1746, 8, old.substr(1746, 8)), 1,
         {at + "Series1.AuxA at 816, from byte 8: expected 0000000000000000", at + "Series2.AuxA at 1738, from byte 8: expected 0000000000000000"}},
        {"AuxD body", "old/a/b.G", "new/a/b.G", damaged(2493, "Z"), 1, {at + "Info.AuxD.Body at 2393 (2381 in the old file), from byte 100: "}},
        {"stamp form", "old/a/b.G", "new/a/b.G", damaged(1856, "05.03 2027 / 09:05:07"), 1, {at + "Info.SaveStamp.StampText at 1856: "}},
    };
    for (const auto& c : cases) {
        put(c.newName, c.bytes);
        const Finished run = gconvert({"--verify", c.oldName, c.newName});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.label;
        expectLines(run, c.lines, c.label);
    }
}

TEST_F(VerifyTest, CountsEachFileOfATreeOnceInItsPlace)
{
    const auto summary = [](int files, int faithful, int differing, int notNew, int extra, int unreadable) {
        const auto n = [](int count) { return std::to_string(count); };
        return n(files) + " old files: " + n(faithful) + " faithful, " + n(differing) + " differing, 0 missing, 0 not an old file, "
               + n(notNew) + " not a new file; " + n(extra) + " extra, " + n(unreadable) + " unreadable";
    };
    // The names a tree converted elsewhere stores: that folder's path and each file's path below it.
    using StoredNames = std::function<std::string(std::string relative)>;
    const auto convertedIn = [](const std::string& folder, char separator) -> StoredNames {
        return [=](std::string relative) {
            std::ranges::replace(relative, '/', separator);
            return folder + separator + relative;
        };
    };
    const std::string here = pathText(fs::canonical(fs::u8path(dir.path()))), fileName = ": Info.FileInfo.FileName at 2029: ";
    // Each case adds one file or link to old/a.G and old/sub/b.G and their conversions under its new folder.
    const struct { const char* label; std::string newFolder, added, bytes; const char* linkTo; std::vector<std::string> lines;
                   platform::Systems on = Everywhere; StoredNames storedAs = nullptr; const char* newSubCasedAs = nullptr; } cases[] = {
        {"faithful", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}},
        {"output folder inside the archive", "old/conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}},
        {"an extra file", "conv", "conv/sub/x.G", made, nullptr, {native("conv/sub/x.G") + ": extra: no old file converts to it", summary(2, 2, 0, 0, 1, 0)}},
        {"one byte longer", "conv", "conv/sub/b.G", oracle("conv/sub/b.G") + 'x', nullptr,
         {native("conv/sub/b.G") + ": not a new file: neither layout: 3244 bytes", summary(2, 1, 0, 1, 0, 0)}},
        {"lower-case .g", "conv", "old/x.g", old, nullptr, {summary(2, 2, 0, 0, 0, 0)}},
        {"nothing before .G", "conv", "old/.G", old, nullptr, {summary(2, 2, 0, 0, 0, 0)}},
        // Converted elsewhere and moved: each file keeps its path below the tree.
        {"moved from another drive", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}, Everywhere, convertedIn("D:\\Messungen", '\\')},
        {"moved from a share", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}, Everywhere, convertedIn("\\\\labor\\archiv\\konv", '\\')},
        {"moved from a Linux server", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}, Everywhere, convertedIn("/srv/archiv/konv", '/')},
        {"only the file's own name", "conv", {}, {}, nullptr, {native("conv/sub/b.G") + fileName, summary(2, 1, 1, 0, 0, 0)}, Everywhere,
         [](std::string relative) { return "D:\\Messungen\\" + relative.substr(relative.rfind('/') + 1); }},
        {"the source's paths", "conv", {}, {}, nullptr, {native("conv/a.G") + fileName, native("conv/sub/b.G") + fileName, summary(2, 0, 2, 0, 0, 0)},
         Everywhere, convertedIn(here + "/old", '/')},
        // Windows finds conv/sub/b.G in conv/SUB/b.G: a copy that changed the case is whole, with nothing extra.
        {"a folder's name in another case", "conv", {}, {}, nullptr, {summary(2, 2, 0, 0, 0, 0)}, WindowsOnly, nullptr, "SUB"},
        // Last: the report in JSON below is of the link to no file.
        {"link to a folder", "conv", "old/link", {}, "sub", {summary(2, 2, 0, 0, 0, 0)}, LinuxOnly},
        {"link to no file", "conv", "old/c.G", {}, "none.G", {"old/c.G: cannot read: File not found (error 53)", summary(3, 2, 0, 0, 0, 1)}, LinuxOnly},
    };
    for (const auto& c : cases) {
        if (!platform::runsHere(c.on)) continue;
        for (const char* folder : {"old", "conv"}) fs::remove_all(fs::u8path(path(folder)));
        for (const std::string name : {"a.G", "sub/b.G"}) {
            put("old/" + name, old);
            const std::string target = c.newFolder + '/' + name;
            put(c.newSubCasedAs ? replaced(target, "/sub/", "/"s + c.newSubCasedAs + '/') : target,
                c.storedAs ? std::string(made).replace(2029, 75, padded(c.storedAs(name), 75)) : oracle(target));
        }
        if (c.linkTo) link(c.linkTo, c.added);
        else if (!c.added.empty()) put(c.added, c.bytes);
        const Finished run = gconvert({"--verify", "-r", "old", c.newFolder});
        EXPECT_EQ(run.exitCode, c.lines.size() > 1 ? 1 : 0) << c.label;
        expectLines(run, c.lines, c.label);
    }
    if (platform::OnWindows) return;  // the unreadable file is the link to no file
    const json report = json::parse(gconvert({"--verify", "-r", "--json", "old", "conv"}).out);
    EXPECT_EQ(report.at("unreadable"), json::parse(R"j([{"path": "old/c.G", "error": "File not found (error 53)"}])j"));
}

}  // namespace

// The report an auditor keeps: one tree holding files of each outcome, each count another, told in
// lines and in JSON alike.
TEST_F(VerifyTest, TheJsonReportHoldsWhatTheLinesTell)
{
    // Counts apart where outcomes could be taken for each other: 2 faithful, 1 differing; 1 not old, 2 not new.
    for (const char* name : {"a", "b", "c", "e", "g", "h", "sub/f"}) put("old/" + std::string(name) + ".G", old);  // no conv/sub: missing too
    put("old/d.G", made);  // converted already: no old file
    for (const char* name : {"conv/a.G", "conv/g.G"}) put(name, oracle(name));
    put("conv/b.G", oracle("conv/b.G").replace(1898, 1, "\x01"));
    for (const char* name : {"conv/e.G", "conv/h.G"}) put(name, oracle(name) + 'x');
    put("conv/x.G", oracle("conv/x.G"));
    const std::string notOld = "not an old file: new layout: 3243 bytes, format mark 2 and line settings where an old record holds port values";
    const std::string notNew = "not a new file: neither layout: 3244 bytes with the format mark 2 and line settings where an old record "
                               "holds port values, but a converted file has 3243 bytes";
    expectLines(gconvert({"--verify", "-r", "old", "conv"}),
                {native("conv/b.G: Info.SaveStamp.FormatMark at 1898: expected 2, found 1"), native("conv/c.G: missing"),
                 native("old/d.G: ") + notOld, native("conv/e.G: ") + notNew, native("conv/h.G: ") + notNew,
                 native("conv/sub/f.G: missing"), native("conv/x.G: extra: no old file converts to it"),
                 "8 old files: 2 faithful, 1 differing, 2 missing, 1 not an old file, 2 not a new file; 1 extra, 0 unreadable"},
                "lines");

    const json report = json::parse(gconvert({"--verify", "-r", "--json", "old", "conv"}).out);
    const auto pair = [](const char* name, const char* outcome, json reason, json differences = json::array()) {
        json entry{{"old", native("old/"s + name)}, {"new", native("conv/"s + name)}, {"outcome", outcome}, {"differences", differences}};
        if (!reason.is_null()) entry["reason"] = reason;
        return entry;
    };
    const json formatMark{{"field", "Info.SaveStamp.FormatMark"}, {"offset", 1898}, {"oldOffset", nullptr}, {"width", 2},
                          {"kind", "integer"}, {"rule", "format mark"}, {"expected", 2}, {"expectedHex", "0200"}, {"found", 1},
                          {"foundHex", "0100"}};
    EXPECT_EQ(report, (json{{"oldFolder", "old"}, {"newFolder", "conv"},
                            {"files", {pair("a.G", "faithful", nullptr), pair("b.G", "differing", nullptr, {formatMark}),
                                       pair("c.G", "missing", "missing"), pair("d.G", "not an old file", notOld),
                                       pair("e.G", "not a new file", notNew), pair("g.G", "faithful", nullptr),
                                       pair("h.G", "not a new file", notNew), pair("sub/f.G", "missing", "missing")}},
                            {"extra", {native("conv/x.G")}}, {"unreadable", json::array()},
                            {"summary", {{"oldFiles", 8}, {"faithful", 2}, {"differing", 1}, {"missing", 2}, {"notOld", 1},
                                         {"notNew", 2}, {"extra", 1}, {"unreadable", 0}, {"allFaithful", false}}}}));
    // A pair given the wrong way round is refused with its reason.
    EXPECT_EQ(json::parse(gconvert({"--verify", "--json", "conv/a.G", "old/a.G"}).out),
              (json{{"old", "conv/a.G"}, {"new", "old/a.G"}, {"outcome", "not an old file"}, {"differences", json::array()},
                    {"reason", notOld}}));
}
