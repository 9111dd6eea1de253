#include "platform/msi/file_version.h"

#include "platform/sys/wide_string.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "tests/msi/storage/package_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

using namespace vx;
using namespace vx::msi;
using vx::testing::Quote;

namespace {

// ---- A small PE writer: DOS header, PE headers, a .text and a .rsrc section ----------------

using Bytes = std::vector<uint8_t>;

using vx::msi::test::Append;
using vx::msi::test::Put;

void Pad(Bytes& b, size_t alignment) {
    b.resize((b.size() + alignment - 1) / alignment * alignment);
}

// One VS_VERSIONINFO node: header, key, value and children, each part on a 4-byte boundary.
Bytes Text(std::u16string_view text) {
    Bytes b;
    for (const char16_t c : text) {
        Append(b, c, 2);
    }
    Append(b, 0, 2);
    return b;
}

Bytes Block(std::u16string_view key, uint16_t type, const Bytes& value, uint16_t valueLength,
            const std::vector<Bytes>& children = {}) {
    Bytes b(6);
    const Bytes name = Text(key);
    b.insert(b.end(), name.begin(), name.end());
    Pad(b, 4);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad(b, 4);
        b.insert(b.end(), child.begin(), child.end());
    }
    Put(b, 0, static_cast<uint16_t>(b.size()), 2);
    Put(b, 2, valueLength, 2);
    Put(b, 4, type, 2);
    return b;
}

struct Translation {
    uint16_t language;
    uint16_t codePage;
};

struct VersionOptions {
    uint16_t parts[4] = {1, 2, 3, 4};
    std::optional<std::vector<Translation>> translations = std::vector<Translation>{{1033, 1200}};
};

Bytes VersionResource(const VersionOptions& o) {
    Bytes fixed;
    Append(fixed, 0xFEEF04BD);
    Append(fixed, 0x00010000);
    Append(fixed, uint32_t{o.parts[0]} << 16 | o.parts[1]);
    Append(fixed, uint32_t{o.parts[2]} << 16 | o.parts[3]);
    Append(fixed, 0x00090008); // product version, which must not be what is reported
    Append(fixed, 0x00070006);
    for (int i = 0; i < 7; ++i) {
        Append(fixed, 0);
    }
    const Bytes fileVersion = Text(u"9.9.9.9 (text form, not what is reported)");
    const Bytes strings = Block(u"StringFileInfo", 1, {}, 0,
                                {Block(u"040904b0", 1, {}, 0,
                                       {Block(u"FileVersion", 1, fileVersion,
                                              static_cast<uint16_t>(fileVersion.size() / 2))})});
    std::vector<Bytes> children{strings};
    if (o.translations) {
        Bytes list;
        for (const Translation& t : *o.translations) {
            Append(list, t.language, 2);
            Append(list, t.codePage, 2);
        }
        children.push_back(
            Block(u"VarFileInfo", 1, {}, 0,
                  {Block(u"Translation", 0, list, static_cast<uint16_t>(list.size()))}));
    }
    return Block(u"VS_VERSION_INFO", 0, fixed, 52, children);
}

struct ResourceItem {
    std::u16string typeName; // a named type when not empty
    uint32_t typeId = 0;
    Bytes data;
};

// File offsets of the parts of a generated file, for tests that damage one of them.
struct PeLayout {
    Bytes bytes;
    size_t peHeader = 0;
    size_t optionalHeader = 0;
    size_t sectionTable = 0;
    size_t resourceRoot = 0;
    size_t versionTypeEntry = 0; // RT_VERSION's entry in the root directory
    size_t versionNameDir = 0;   // the directory under it
    size_t versionLanguageDir = 0;
    size_t versionDataEntry = 0; // IMAGE_RESOURCE_DATA_ENTRY
    size_t versionData = 0;      // the VS_VERSIONINFO bytes
    size_t versionDataEnd = 0;
};

constexpr uint32_t kTextRva = 0x1000;
constexpr uint32_t kResourceRva = 0x2000;
constexpr size_t kTextOffset = 0x200;
constexpr size_t kResourceOffset = 0x400;

PeLayout BuildPe(bool pe32Plus, const std::vector<ResourceItem>& items, bool withResources = true) {
    PeLayout l;
    Bytes& b = l.bytes;

    // The resource section: root, then per item a name directory, a language directory and a
    // data entry, then type names, then the data. Items come in directory order: named first.
    Bytes rsrc;
    std::vector<const ResourceItem*> ordered;
    for (const auto& item : items) {
        ordered.push_back(&item);
    }
    const auto namedCount = static_cast<size_t>(std::count_if(
        items.begin(), items.end(), [](const ResourceItem& i) { return !i.typeName.empty(); }));
    auto directory = [&rsrc](uint16_t named, uint16_t ids) {
        const size_t at = rsrc.size();
        rsrc.resize(at + 16 + 8 * (size_t{named} + ids));
        Put(rsrc, at + 12, named, 2);
        Put(rsrc, at + 14, ids, 2);
        return at;
    };
    const size_t root = directory(static_cast<uint16_t>(namedCount),
                                  static_cast<uint16_t>(ordered.size() - namedCount));
    std::vector<size_t> dataEntries;
    for (size_t i = 0; i < ordered.size(); ++i) {
        const size_t nameDir = directory(0, 1);
        const size_t languageDir = directory(0, 1);
        const size_t dataEntry = rsrc.size();
        rsrc.resize(dataEntry + 16);
        Put(rsrc, root + 16 + 8 * i + 4, static_cast<uint32_t>(0x80000000 | nameDir));
        Put(rsrc, nameDir + 16, 1);
        Put(rsrc, nameDir + 20, static_cast<uint32_t>(0x80000000 | languageDir));
        Put(rsrc, languageDir + 16, 1033);
        Put(rsrc, languageDir + 20, static_cast<uint32_t>(dataEntry));
        dataEntries.push_back(dataEntry);
        if (ordered[i]->typeId == 16) {
            l.versionTypeEntry = kResourceOffset + root + 16 + 8 * i;
            l.versionNameDir = kResourceOffset + nameDir;
            l.versionLanguageDir = kResourceOffset + languageDir;
            l.versionDataEntry = kResourceOffset + dataEntry;
        }
    }
    for (size_t i = 0; i < ordered.size(); ++i) {
        if (!ordered[i]->typeName.empty()) {
            Put(rsrc, root + 16 + 8 * i, static_cast<uint32_t>(0x80000000 | rsrc.size()));
            Append(rsrc, static_cast<uint16_t>(ordered[i]->typeName.size()), 2);
            for (const char16_t c : ordered[i]->typeName) {
                Append(rsrc, c, 2);
            }
        } else {
            Put(rsrc, root + 16 + 8 * i, ordered[i]->typeId);
        }
    }
    for (size_t i = 0; i < ordered.size(); ++i) {
        Pad(rsrc, 8);
        Put(rsrc, dataEntries[i], static_cast<uint32_t>(kResourceRva + rsrc.size()));
        Put(rsrc, dataEntries[i] + 4, static_cast<uint32_t>(ordered[i]->data.size()));
        if (ordered[i]->typeId == 16) {
            l.versionData = kResourceOffset + rsrc.size();
            l.versionDataEnd = l.versionData + ordered[i]->data.size();
        }
        rsrc.insert(rsrc.end(), ordered[i]->data.begin(), ordered[i]->data.end());
    }
    Pad(rsrc, 0x200);

    // Headers.
    b.assign(kResourceOffset, 0);
    b[0] = 'M';
    b[1] = 'Z';
    l.peHeader = 0x80;
    Put(b, 0x3C, static_cast<uint32_t>(l.peHeader));
    Put(b, l.peHeader, 0x00004550);
    const size_t coff = l.peHeader + 4;
    Put(b, coff, pe32Plus ? 0x8664 : 0x14C, 2);
    Put(b, coff + 2, withResources ? 2 : 1, 2);
    const uint16_t optionalSize = pe32Plus ? 240 : 224;
    Put(b, coff + 16, optionalSize, 2);
    Put(b, coff + 18, 0x0102, 2);
    l.optionalHeader = coff + 20;
    Put(b, l.optionalHeader, pe32Plus ? 0x20B : 0x10B, 2);
    Put(b, l.optionalHeader + 32, 0x1000); // section alignment
    Put(b, l.optionalHeader + 36, 0x200);  // file alignment
    const size_t countAt = l.optionalHeader + (pe32Plus ? 108 : 92);
    Put(b, countAt, 16);
    if (withResources) {
        Put(b, countAt + 4 + 16, kResourceRva);
        Put(b, countAt + 4 + 20, static_cast<uint32_t>(rsrc.size()));
    }
    l.sectionTable = l.optionalHeader + optionalSize;
    auto section = [&b](size_t at, const char* name, uint32_t rva, size_t size, size_t offset) {
        for (size_t i = 0; name[i] != 0; ++i) {
            b[at + i] = static_cast<uint8_t>(name[i]);
        }
        Put(b, at + 8, static_cast<uint32_t>(size));
        Put(b, at + 12, rva);
        Put(b, at + 16, static_cast<uint32_t>(size));
        Put(b, at + 20, static_cast<uint32_t>(offset));
    };
    section(l.sectionTable, ".text", kTextRva, 0x200, kTextOffset);
    b.resize(kTextOffset + 0x200, 0xCC);
    if (withResources) {
        section(l.sectionTable + 40, ".rsrc", kResourceRva, rsrc.size(), kResourceOffset);
        b.insert(b.end(), rsrc.begin(), rsrc.end());
    }
    l.resourceRoot = kResourceOffset;
    return l;
}

std::vector<ResourceItem> TypicalResources(const VersionOptions& o = {}) {
    return {{u"CUSTOM", 0, Bytes(40, 7)},
            {{}, 3, Bytes(100, 1)},
            {{}, 16, VersionResource(o)},
            {{}, 24, Bytes(20, 2)}};
}

Win32Error Read(const Bytes& bytes, FileVersionInfo& info) {
    info.version = u"stale";
    info.language = u"stale";
    return ReadFileVersion(std::span<const uint8_t>(bytes), info);
}

void ExpectRejected(const Bytes& bytes, Win32Error expected) {
    FileVersionInfo info;
    EXPECT_EQ(Read(bytes, info), expected);
    EXPECT_EQ(info.version, u"");
    EXPECT_EQ(info.language, u"");
}

} // namespace

TEST(FileVersion, ReadsTheFixedVersionAndTheTranslationsLanguages) {
    struct Case {
        bool pe32Plus;
        uint16_t parts[4];
        std::optional<std::vector<Translation>> translations;
        std::u16string version, language;
    };
    const Case cases[] = {
        {false, {65535, 0, 10, 4321}, {{{1033, 1200}}}, u"65535.0.10.4321", u"1033"},
        {true, {65535, 0, 10, 4321}, {{{1033, 1200}}}, u"65535.0.10.4321", u"1033"},
        // Each language once, in order; no or an empty Translation leaves the language empty.
        {false,
         {1, 2, 3, 4},
         {{{1031, 1252}, {1033, 1200}, {1031, 1200}, {0, 1200}}},
         u"1.2.3.4",
         u"1031,1033,0"},
        {true, {1, 2, 3, 4}, std::nullopt, u"1.2.3.4", u""},
        {true, {1, 2, 3, 4}, std::vector<Translation>{}, u"1.2.3.4", u""},
    };
    for (const Case& c : cases) {
        VersionOptions o;
        std::copy(std::begin(c.parts), std::end(c.parts), o.parts);
        o.translations = c.translations;
        FileVersionInfo info;
        ASSERT_EQ(Read(BuildPe(c.pe32Plus, TypicalResources(o)).bytes, info), ERROR_SUCCESS);
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.language, c.language);
    }
}

TEST(FileVersion, FilesThatCarryNoVersionAreRejected) {
    const std::string text = "This is a text file, long enough to have a header's worth of bytes "
                             "in it, but it is not an executable at all.\n";
    PeLayout dos = BuildPe(false, TypicalResources()); // MZ without a PE signature
    Put(dos.bytes, dos.peHeader, 0x00004E45);
    PeLayout rom = BuildPe(false, TypicalResources()); // another optional header: a ROM image's
    Put(rom.bytes, rom.optionalHeader, 0x107, 2);
    for (const Bytes& bytes :
         {Bytes{}, Bytes(text.begin(), text.end()), BuildPe(false, {}, false).bytes,
          BuildPe(true, {{u"CUSTOM", 0, Bytes(8, 1)}, {{}, 3, Bytes(8, 2)}}).bytes, dos.bytes,
          rom.bytes, BuildPe(false, {{{}, 16, Block(u"VS_VERSION_INFO", 0, {}, 0)}}).bytes}) {
        ExpectRejected(bytes, ERROR_FILE_INVALID); // the last: no VS_FIXEDFILEINFO
    }
}

// ---- Damaged files ------------------------------------------------------------------------

TEST(FileVersionDamage, TruncationAtEveryLengthFailsCleanlyUntilTheDataIsWhole) {
    for (const bool pe32Plus : {false, true}) {
        const PeLayout pe = BuildPe(pe32Plus, TypicalResources());
        for (size_t length = 0; length <= pe.bytes.size(); ++length) {
            const Bytes cut(pe.bytes.begin(), pe.bytes.begin() + static_cast<long>(length));
            FileVersionInfo info;
            const Win32Error result = Read(cut, info);
            if (length >= pe.versionDataEnd) {
                EXPECT_EQ(result, ERROR_SUCCESS) << length;
            } else {
                EXPECT_EQ(result, ERROR_FILE_INVALID) << length;
                EXPECT_EQ(info.version, u"");
            }
        }
    }
}

TEST(FileVersionDamage, OffsetsAndSizesOutsideTheirRegions) {
    const PeLayout pe = BuildPe(true, TypicalResources());
    auto damaged = [&pe](size_t at, uint32_t value, bool wide = true) {
        Bytes b = pe.bytes;
        if (wide) {
            Put(b, at, value);
        } else {
            Put(b, at, static_cast<uint16_t>(value), 2);
        }
        return b;
    };
    const size_t dataDirectory = pe.optionalHeader + 112 + 16;
    const size_t rsrcSection = pe.sectionTable + 40;
    const std::pair<const char*, Bytes> cases[] = {
        {"PE header past the end", damaged(0x3C, 0xFFFFFFF0)},
        {"optional header longer than the file", damaged(pe.peHeader + 20, 0xFFFF, false)},
        {"65535 sections", damaged(pe.peHeader + 6, 0xFFFF, false)},
        {"no sections", damaged(pe.peHeader + 6, 0, false)},
        {"too few data directories", damaged(pe.optionalHeader + 108, 2)},
        {"resource RVA in no section", damaged(dataDirectory, 0x9000)},
        {"resource section data past the end", damaged(rsrcSection + 20, 0x7FFFFFF0)},
        {"directory counts past the section", damaged(pe.resourceRoot + 12, 0xFFFFFFFF)},
        {"subdirectory past the section", damaged(pe.versionTypeEntry + 4, 0x8000FFF0)},
        {"data entry past the section", damaged(pe.versionLanguageDir + 20, 0x7FFFFFF0)},
        {"data RVA in no section", damaged(pe.versionDataEntry, 0x50000)},
        {"data RVA in the gap after .text", damaged(pe.versionDataEntry, kTextRva + 0x300)},
        {"data longer than its section", damaged(pe.versionDataEntry + 4, 0x10000000)},
        {"optional header too short for the resource entry",
         damaged(pe.peHeader + 20, 112 + 8, false)},
        // Directory loops end at the fixed depth.
        {"RT_VERSION's subdirectory is the root", damaged(pe.versionTypeEntry + 4, 0x80000000)},
        {"the name directory's entry is itself",
         damaged(pe.versionNameDir + 20,
                 static_cast<uint32_t>(0x80000000 | (pe.versionNameDir - pe.resourceRoot)))},
        {"the language directory's entry is the root",
         damaged(pe.versionLanguageDir + 20, 0x80000000)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ExpectRejected(bytes, ERROR_FILE_INVALID);
    }

    // Data running past the end of its section into bytes that follow it in the file (an
    // overlay) is still outside the section.
    Bytes overlay = pe.bytes;
    overlay.resize(overlay.size() + 0x1000, 0);
    const size_t sectionEnd = pe.bytes.size(); // .rsrc is the last section
    Put(overlay, pe.versionDataEntry + 4, static_cast<uint32_t>(sectionEnd - pe.versionData + 16));
    ExpectRejected(overlay, ERROR_FILE_INVALID);
}

TEST(FileVersionDamage, DamagedVersionResourceIsInvalidData) {
    const PeLayout pe = BuildPe(false, TypicalResources());
    const size_t v = pe.versionData;
    auto damaged = [&pe](size_t at, uint16_t value) {
        Bytes b = pe.bytes;
        Put(b, at, value, 2);
        return b;
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"signature", damaged(v + 40, 0x1234)},
        {"wLength beyond the resource", damaged(v, 0xFFFF)},
        {"wLength shorter than a header", damaged(v, 4)},
        {"wLength cutting the key", damaged(v, 20)},
        {"wrong key", damaged(v + 6, u'X')},
        {"fixed info too short", damaged(v + 2, 40)},
        // The first child (StringFileInfo) claims more than its parent holds.
        {"child beyond its parent", damaged(v + 92, 0x7000)},
        {"child shorter than a header", damaged(v + 92, 3)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ExpectRejected(bytes, ERROR_INVALID_DATA);
    }
}

// ---- Reading from files -------------------------------------------------------------------

TEST(FileVersionFromPath, ResultsFollowTheInstallerApi) {
    vx::testing::ScratchFolder temp;
    vx::testing::WriteBytes(temp.Path("app.exe"), BuildPe(false, TypicalResources()).bytes);
    temp.Write("readme.txt", std::string(300, 'a'));
    FileVersionInfo info;
    ASSERT_EQ(ReadFileVersion(temp.Wide("app.exe"), info), ERROR_SUCCESS);
    EXPECT_EQ(info.version + u" " + info.language, u"1.2.3.4 1033");
    const std::pair<std::string, Win32Error> failures[] = {{"readme.txt", ERROR_FILE_INVALID},
                                                           {"none.exe", ERROR_FILE_NOT_FOUND},
                                                           {"none/app.exe", ERROR_FILE_NOT_FOUND},
                                                           {"", ERROR_ACCESS_DENIED}};
    for (const auto& [name, error] : failures) {
        EXPECT_EQ(ReadFileVersion(temp.Wide(name), info), error) << name;
        EXPECT_EQ(info.version, u"");
    }
}

TEST(FileVersionFromPath, HugeFileIsReadOnlyWhereTheHeadersPoint) {
    // A sparse 3 GB file whose resource section sits near its end: reading it whole would take
    // far longer than the limit below and would not fit the test's memory.
    vx::testing::ScratchFolder temp;
    PeLayout pe = BuildPe(false, TypicalResources());
    const uint32_t farOffset = 0xB0000000;
    const Bytes rsrc(pe.bytes.begin() + kResourceOffset, pe.bytes.end());
    Bytes headers(pe.bytes.begin(), pe.bytes.begin() + kResourceOffset);
    Put(headers, pe.sectionTable + 40 + 20, farOffset);
    {
        std::ofstream out(temp.Path("big.exe"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(headers.data()),
                  static_cast<std::streamsize>(headers.size()));
        out.seekp(farOffset);
        out.write(reinterpret_cast<const char*>(rsrc.data()),
                  static_cast<std::streamsize>(rsrc.size()));
        out.seekp(0xC0000000);
        out.put(0);
        if (!out) {
            GTEST_SKIP() << "cannot make a sparse 3 GB file here";
        }
    }
    const auto started = std::chrono::steady_clock::now();
    FileVersionInfo info;
    ASSERT_EQ(ReadFileVersion(temp.Wide("big.exe"), info), ERROR_SUCCESS);
    EXPECT_EQ(info.version, u"1.2.3.4");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(FileVersionRealFiles, AgreesWithTheFileTableOfAnInstallerPackage) {
    // The package's authoring tool read each executable's version and language into its File
    // table; our reading of the same executables must agree.
    VX_REQUIRE_CORPUS("putty-0.68-installer.msi");
    const std::string package = Quote(vx::testing::CorpusFile("putty-0.68-installer.msi").string());
    vx::testing::ScratchFolder temp;
    const auto extracted =
        vx::testing::RunShell("msiextract -C " + Quote(temp.Root().string()) + " " + package);
    const auto table = vx::testing::RunShell("msiinfo export " + package + " File");
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    ASSERT_EQ(table.exitCode, 0) << table.err;

    // File table rows: File, Component_, FileName, FileSize, Version, Language, ...
    std::map<std::string, std::u16string> expected;
    const auto rows = vx::testing::Lines(table.out);
    for (size_t row = 3; row < rows.size(); ++row) { // after the three header lines
        std::vector<std::string> columns;
        std::istringstream cells(rows[row]);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            columns.push_back(cell);
        }
        if (columns.size() >= 6 && !columns[4].empty()) {
            expected[columns[2].substr(columns[2].find('|') + 1)] =
                Utf8ToUtf16(columns[4] + " " + columns[5]);
        }
    }
    ASSERT_FALSE(expected.empty());
    size_t checked = 0;
    for (const auto& line : vx::testing::Lines(extracted.out)) {
        const std::string name = std::filesystem::path(line).filename().string();
        FileVersionInfo info;
        const Win32Error result = ReadFileVersion(temp.Wide(line), info);
        if (!expected.contains(name)) {
            EXPECT_EQ(result, ERROR_FILE_INVALID) << name; // text, help and link files
            continue;
        }
        EXPECT_EQ(info.version + u" " + info.language, expected[name]) << name;
        ++checked;
    }
    EXPECT_EQ(checked, expected.size());
}
