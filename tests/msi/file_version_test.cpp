#include "platform/msi/file_version.h"

#include "platform/sys/wide_string.h"

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

namespace {

// ---- A small PE writer: DOS header, PE headers, a .text and a .rsrc section ----------------

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void AddU16(Bytes& b, uint16_t v) {
    b.resize(b.size() + 2);
    PutU16(b, b.size() - 2, v);
}

void AddU32(Bytes& b, uint32_t v) {
    b.resize(b.size() + 4);
    PutU32(b, b.size() - 4, v);
}

void Pad(Bytes& b, size_t alignment) {
    b.resize((b.size() + alignment - 1) / alignment * alignment);
}

// One VS_VERSIONINFO node: header, key, value and children, each part on a 4-byte boundary.
Bytes Block(std::u16string_view key, uint16_t type, const Bytes& value, uint16_t valueLength,
            const std::vector<Bytes>& children = {}) {
    Bytes b(6);
    for (const char16_t c : key) {
        AddU16(b, c);
    }
    AddU16(b, 0);
    Pad(b, 4);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad(b, 4);
        b.insert(b.end(), child.begin(), child.end());
    }
    PutU16(b, 0, static_cast<uint16_t>(b.size()));
    PutU16(b, 2, valueLength);
    PutU16(b, 4, type);
    return b;
}

Bytes Text(std::u16string_view text) {
    Bytes b;
    for (const char16_t c : text) {
        AddU16(b, c);
    }
    AddU16(b, 0);
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
    AddU32(fixed, 0xFEEF04BD);
    AddU32(fixed, 0x00010000);
    AddU32(fixed, uint32_t{o.parts[0]} << 16 | o.parts[1]);
    AddU32(fixed, uint32_t{o.parts[2]} << 16 | o.parts[3]);
    AddU32(fixed, 0x00090008); // product version, which must not be what is reported
    AddU32(fixed, 0x00070006);
    for (int i = 0; i < 7; ++i) {
        AddU32(fixed, 0);
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
            AddU16(list, t.language);
            AddU16(list, t.codePage);
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
        PutU16(rsrc, at + 12, named);
        PutU16(rsrc, at + 14, ids);
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
        PutU32(rsrc, root + 16 + 8 * i + 4, static_cast<uint32_t>(0x80000000 | nameDir));
        PutU32(rsrc, nameDir + 16, 1);
        PutU32(rsrc, nameDir + 20, static_cast<uint32_t>(0x80000000 | languageDir));
        PutU32(rsrc, languageDir + 16, 1033);
        PutU32(rsrc, languageDir + 20, static_cast<uint32_t>(dataEntry));
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
            PutU32(rsrc, root + 16 + 8 * i, static_cast<uint32_t>(0x80000000 | rsrc.size()));
            AddU16(rsrc, static_cast<uint16_t>(ordered[i]->typeName.size()));
            for (const char16_t c : ordered[i]->typeName) {
                AddU16(rsrc, c);
            }
        } else {
            PutU32(rsrc, root + 16 + 8 * i, ordered[i]->typeId);
        }
    }
    for (size_t i = 0; i < ordered.size(); ++i) {
        Pad(rsrc, 8);
        PutU32(rsrc, dataEntries[i], static_cast<uint32_t>(kResourceRva + rsrc.size()));
        PutU32(rsrc, dataEntries[i] + 4, static_cast<uint32_t>(ordered[i]->data.size()));
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
    PutU32(b, 0x3C, static_cast<uint32_t>(l.peHeader));
    PutU32(b, l.peHeader, 0x00004550);
    const size_t coff = l.peHeader + 4;
    PutU16(b, coff, pe32Plus ? 0x8664 : 0x14C);
    PutU16(b, coff + 2, withResources ? 2 : 1);
    const uint16_t optionalSize = pe32Plus ? 240 : 224;
    PutU16(b, coff + 16, optionalSize);
    PutU16(b, coff + 18, 0x0102);
    l.optionalHeader = coff + 20;
    PutU16(b, l.optionalHeader, pe32Plus ? 0x20B : 0x10B);
    PutU32(b, l.optionalHeader + 32, 0x1000); // section alignment
    PutU32(b, l.optionalHeader + 36, 0x200);  // file alignment
    const size_t countAt = l.optionalHeader + (pe32Plus ? 108 : 92);
    PutU32(b, countAt, 16);
    if (withResources) {
        PutU32(b, countAt + 4 + 16, kResourceRva);
        PutU32(b, countAt + 4 + 20, static_cast<uint32_t>(rsrc.size()));
    }
    l.sectionTable = l.optionalHeader + optionalSize;
    auto section = [&b](size_t at, const char* name, uint32_t rva, size_t size, size_t offset) {
        for (size_t i = 0; name[i] != 0; ++i) {
            b[at + i] = static_cast<uint8_t>(name[i]);
        }
        PutU32(b, at + 8, static_cast<uint32_t>(size));
        PutU32(b, at + 12, rva);
        PutU32(b, at + 16, static_cast<uint32_t>(size));
        PutU32(b, at + 20, static_cast<uint32_t>(offset));
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

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vxfv-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace

// ---- Well-formed files -------------------------------------------------------------------

class FileVersionBitness : public testing::TestWithParam<bool> {};

TEST_P(FileVersionBitness, ReadsFileVersionAndLanguage) {
    VersionOptions o;
    o.parts[0] = 65535;
    o.parts[1] = 0;
    o.parts[2] = 10;
    o.parts[3] = 4321;
    const PeLayout pe = BuildPe(GetParam(), TypicalResources(o));
    FileVersionInfo info;
    ASSERT_EQ(Read(pe.bytes, info), ERROR_SUCCESS);
    EXPECT_EQ(info.version, u"65535.0.10.4321");
    EXPECT_EQ(info.language, u"1033");
}

INSTANTIATE_TEST_SUITE_P(PeKinds, FileVersionBitness, testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Pe32Plus" : "Pe32"; });

TEST(FileVersionLanguage, TranslationsAreListedOncePerLanguageInOrder) {
    VersionOptions o;
    o.translations = {{1031, 1252}, {1033, 1200}, {1031, 1200}, {0, 1200}};
    FileVersionInfo info;
    ASSERT_EQ(Read(BuildPe(false, TypicalResources(o)).bytes, info), ERROR_SUCCESS);
    EXPECT_EQ(info.language, u"1031,1033,0");
}

TEST(FileVersionLanguage, MissingOrEmptyTranslationLeavesLanguageEmpty) {
    VersionOptions none;
    none.translations.reset();
    VersionOptions empty;
    empty.translations = std::vector<Translation>{};
    for (const auto& o : {none, empty}) {
        FileVersionInfo info;
        ASSERT_EQ(Read(BuildPe(true, TypicalResources(o)).bytes, info), ERROR_SUCCESS);
        EXPECT_EQ(info.version, u"1.2.3.4");
        EXPECT_EQ(info.language, u"");
    }
}

// ---- Files without a version ------------------------------------------------------------

TEST(FileVersionRejects, FilesThatCarryNoVersion) {
    ExpectRejected({}, ERROR_FILE_INVALID);
    const std::string text = "This is a text file, long enough to have a header's worth of bytes "
                             "in it, but it is not an executable at all.\n";
    ExpectRejected(Bytes(text.begin(), text.end()), ERROR_FILE_INVALID);
    ExpectRejected(BuildPe(false, {}, /*withResources=*/false).bytes, ERROR_FILE_INVALID);
    ExpectRejected(BuildPe(true, {{u"CUSTOM", 0, Bytes(8, 1)}, {{}, 3, Bytes(8, 2)}}).bytes,
                   ERROR_FILE_INVALID);

    // An MZ file whose PE signature is missing (a DOS program).
    PeLayout dos = BuildPe(false, TypicalResources());
    PutU32(dos.bytes, dos.peHeader, 0x00004E45);
    ExpectRejected(dos.bytes, ERROR_FILE_INVALID);

    // An optional header of another kind (a ROM image's magic).
    PeLayout rom = BuildPe(false, TypicalResources());
    PutU16(rom.bytes, rom.optionalHeader, 0x107);
    ExpectRejected(rom.bytes, ERROR_FILE_INVALID);

    // A version resource without VS_FIXEDFILEINFO.
    Bytes noFixed = Block(u"VS_VERSION_INFO", 0, {}, 0);
    ExpectRejected(BuildPe(false, {{{}, 16, noFixed}}).bytes, ERROR_FILE_INVALID);
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

TEST(FileVersionDamage, DirectoryLoopsEndAtTheFixedDepth) {
    const PeLayout pe = BuildPe(false, TypicalResources());
    const uint32_t rootAsDirectory = 0x80000000;

    Bytes typeToRoot = pe.bytes; // RT_VERSION's subdirectory is the root itself
    PutU32(typeToRoot, pe.versionTypeEntry + 4, rootAsDirectory);
    ExpectRejected(typeToRoot, ERROR_FILE_INVALID);

    Bytes nameToSelf = pe.bytes; // the name directory's first entry is that same directory
    PutU32(nameToSelf, pe.versionNameDir + 20,
           static_cast<uint32_t>(0x80000000 | (pe.versionNameDir - pe.resourceRoot)));
    ExpectRejected(nameToSelf, ERROR_FILE_INVALID);

    Bytes languageToRoot = pe.bytes;
    PutU32(languageToRoot, pe.versionLanguageDir + 20, rootAsDirectory);
    ExpectRejected(languageToRoot, ERROR_FILE_INVALID);
}

TEST(FileVersionDamage, OffsetsAndSizesOutsideTheirRegions) {
    const PeLayout pe = BuildPe(true, TypicalResources());
    auto damaged = [&pe](size_t at, uint32_t value, bool wide = true) {
        Bytes b = pe.bytes;
        if (wide) {
            PutU32(b, at, value);
        } else {
            PutU16(b, at, static_cast<uint16_t>(value));
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
    PutU32(overlay, pe.versionDataEntry + 4,
           static_cast<uint32_t>(sectionEnd - pe.versionData + 16));
    ExpectRejected(overlay, ERROR_FILE_INVALID);
}

TEST(FileVersionDamage, DamagedVersionResourceIsInvalidData) {
    const PeLayout pe = BuildPe(false, TypicalResources());
    const size_t v = pe.versionData;
    auto damaged = [&pe](size_t at, uint16_t value) {
        Bytes b = pe.bytes;
        PutU16(b, at, value);
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
    TempFolder temp;
    const PeLayout pe = BuildPe(false, TypicalResources());
    WriteFile(temp.Path("app.exe"), pe.bytes);
    WriteFile(temp.Path("readme.txt"), Bytes(300, 'a'));

    FileVersionInfo info;
    ASSERT_EQ(ReadFileVersion(Utf8ToUtf16(temp.Path("app.exe")), info), ERROR_SUCCESS);
    EXPECT_EQ(info.version, u"1.2.3.4");
    EXPECT_EQ(info.language, u"1033");

    EXPECT_EQ(ReadFileVersion(Utf8ToUtf16(temp.Path("readme.txt")), info), ERROR_FILE_INVALID);
    EXPECT_EQ(info.version, u"");
    EXPECT_EQ(ReadFileVersion(Utf8ToUtf16(temp.Path("none.exe")), info), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadFileVersion(Utf8ToUtf16(temp.Path("none/app.exe")), info), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadFileVersion(Utf8ToUtf16(temp.Path("")), info), ERROR_ACCESS_DENIED);
}

TEST(FileVersionFromPath, HugeFileIsReadOnlyWhereTheHeadersPoint) {
    // A sparse 3 GB file whose resource section sits near its end: reading it whole would take
    // far longer than the limit below and would not fit the test's memory.
    TempFolder temp;
    PeLayout pe = BuildPe(false, TypicalResources());
    const uint32_t farOffset = 0xB0000000;
    const Bytes rsrc(pe.bytes.begin() + kResourceOffset, pe.bytes.end());
    Bytes headers(pe.bytes.begin(), pe.bytes.begin() + kResourceOffset);
    PutU32(headers, pe.sectionTable + 40 + 20, farOffset);
    const std::string path = temp.Path("big.exe");
    {
        std::ofstream out(path, std::ios::binary);
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
    ASSERT_EQ(ReadFileVersion(Utf8ToUtf16(path), info), ERROR_SUCCESS);
    EXPECT_EQ(info.version, u"1.2.3.4");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

// ---- Real executables from a package in the shared corpus -------------------------------

namespace {

std::string RunAndCapture(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, n);
        }
        if (::pclose(pipe) != 0) {
            output.clear();
        }
    }
    return output;
}

} // namespace

TEST(FileVersionRealFiles, AgreesWithTheFileTableOfAnInstallerPackage) {
    // The package's authoring tool read each executable's version and language into its File
    // table; our reading of the same executables must agree.
#ifdef VX_SHARED_DIR
    std::string shared = VX_SHARED_DIR;
#else
    std::string shared = "../shared";
#endif
    if (const char* overridden = std::getenv("VX_SHARED_DIR")) {
        shared = overridden;
    }
    const std::string package = shared + "/corpus/putty-0.68-installer.msi";
    if (!std::filesystem::exists(package) || std::system("command -v msiextract >/dev/null") != 0 ||
        std::system("command -v msiinfo >/dev/null") != 0) {
        GTEST_SKIP() << "needs " << package << ", msiextract and msiinfo";
    }
    TempFolder temp;
    const std::string extract =
        RunAndCapture("msiextract -C '" + temp.Path("x") + "' '" + package + "'");
    const std::string table = RunAndCapture("msiinfo export '" + package + "' File");
    ASSERT_FALSE(extract.empty());
    ASSERT_FALSE(table.empty());

    // File table rows: File, Component_, FileName, FileSize, Version, Language, ...
    std::map<std::string, std::pair<std::string, std::string>> expected;
    std::istringstream rows(table);
    std::string line;
    for (int skip = 0; skip < 3 && std::getline(rows, line); ++skip) {
    }
    while (std::getline(rows, line)) {
        std::vector<std::string> columns;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            columns.push_back(cell);
        }
        if (columns.size() >= 6 && !columns[4].empty()) {
            const std::string name = columns[2].substr(columns[2].find('|') + 1);
            expected[name] = {columns[4], columns[5]};
        }
    }
    ASSERT_FALSE(expected.empty());

    size_t checked = 0;
    std::istringstream paths(extract);
    while (std::getline(paths, line)) {
        const std::string name = std::filesystem::path(line).filename().string();
        const auto it = expected.find(name);
        FileVersionInfo info;
        const Win32Error result = ReadFileVersion(Utf8ToUtf16(temp.Path("x/" + line)), info);
        if (it == expected.end()) {
            EXPECT_EQ(result, ERROR_FILE_INVALID) << name; // text, help and link files
            continue;
        }
        ASSERT_EQ(result, ERROR_SUCCESS) << name;
        EXPECT_EQ(Utf16ToUtf8(info.version), it->second.first) << name;
        EXPECT_EQ(Utf16ToUtf8(info.language), it->second.second) << name;
        ++checked;
    }
    EXPECT_EQ(checked, expected.size());
}
