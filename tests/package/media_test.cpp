// Media objects and original file location over the media fixture (cabinets of every kind
// around one package), hand-made packages whose values try to leave their folders, and a real
// package whose compression comes from its summary information.

#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "platform/com/com_exception.h"
#include "platform/msi/storage/stream_names.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"
#include "support/com_failure.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "tests/msi/storage/package_writer.h"
#include "tests/msi/storage/test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace vx;
using namespace vx::testing;
namespace fs = std::filesystem;
using Rule = CMsiPathResolver::CompressionRule;

namespace {

const fs::path kMediaFolder = fs::path(VX_FIXTURE_DIR) / "media";
constexpr char kMediaCode[] = "{0000000D-0000-4000-8000-000000000000}";

std::u16string U(const fs::path& path) {
    return Utf8ToUtf16(path.string());
}

// Every file under `root`, to prove that a refused request wrote nothing.
std::set<fs::path> Listing(const fs::path& root) {
    return {fs::recursive_directory_iterator(root), fs::recursive_directory_iterator()};
}

// Every test gets its own temporary folder, so extraction folders never meet.
class MediaTest : public ::testing::Test {
protected:
    ScratchFolder temp;
    ScopedEnv tmpdir{"TMPDIR", temp.Root().string()};
    fs::path extraction = temp / kMediaCode;
    CVxMsiPackage package{U(kMediaFolder / "media.msi")};
};

} // namespace

TEST_F(MediaTest, EachKindOfCabinetGetsItsMediaObject) {
    // Beside the package, found whatever the letter case of its Cabinet value: opened in place.
    CVxMsiMedia* beside = package.GetMedia(5); // "disk2\data2.cab"
    EXPECT_EQ(beside->CabinetPath(), U(kMediaFolder / "DISK2/Data2.cab"));
    EXPECT_FALSE(beside->Extracted());
    EXPECT_NE(beside->ExtractionService(), nullptr);
    // A disk without a Media row: an empty object.
    EXPECT_EQ(package.GetMedia(42)->CabinetPath(), u"");
    EXPECT_EQ(package.GetMedia(42)->ExtractionService(), nullptr);
    // Embedded: refused without an extraction folder, then copied out, kept for the package's
    // life and deleted with it; the extraction folder stays.
    const Raised refused = RaisedBy([&] { package.GetMedia(6); });
    EXPECT_EQ(refused.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_TRUE(refused.Mentions(u"no extraction folder"));
    fs::path cabinet;
    {
        CVxMsiPackage owner(U(kMediaFolder / "media.msi"));
        owner.SetExtractFolder(owner.Resolver().CreateExtractionFolder());
        CVxMsiMedia* embedded = owner.GetMedia(6);
        cabinet = Utf16ToUtf8(embedded->CabinetPath());
        EXPECT_EQ(cabinet, extraction / "embedded.cab");
        EXPECT_TRUE(fs::exists(cabinet));
        EXPECT_TRUE(embedded->Extracted());
        EXPECT_NE(embedded->ExtractionService(), nullptr);
        EXPECT_EQ(embedded->ExtractionFolder(), U(extraction));
        EXPECT_EQ(owner.GetMedia(6), embedded) << "one media object a disk";
    }
    EXPECT_FALSE(fs::exists(cabinet));
    EXPECT_TRUE(fs::is_directory(extraction));
}

TEST_F(MediaTest, MissingAndTruncatedCabinetsRaiseClearlyAndAreNotCached) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Raised missing = RaisedBy([&] { package.GetMedia(4); });
        EXPECT_EQ(missing.hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_TRUE(missing.Mentions(U(kMediaFolder / "missing.cab")));
        const Raised truncated = RaisedBy([&] { package.GetMedia(3); });
        EXPECT_EQ(truncated.hr, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
        EXPECT_TRUE(truncated.Mentions(u"truncated"));
    }
}

TEST_F(MediaTest, CompressedFilesAreExtractedByKeyCachedAndDeleted) {
    std::vector<fs::path> copies;
    {
        CVxMsiPackage owner(U(kMediaFolder / "media.msi"));
        // EmbOne has sequence 1: DiskId 1 (LastSequence 20, no cabinet) comes first in table
        // order, so only ascending LastSequence finds its cabinet.
        for (const auto& [key, size] : std::vector<std::pair<std::u16string, uintmax_t>>{
                 {u"EmbOne", 1500}, {u"EmbTwo", 150000}, {u"ExtTwo", 40000}, {u"Lzx", 3000}}) {
            SCOPED_TRACE(Utf16ToUtf8(key));
            FileLocation* location = owner.LocateOriginalFile(key);
            EXPECT_TRUE(location->extracted);
            EXPECT_EQ(location->path, U(extraction / fs::path(Utf16ToUtf8(key))));
            EXPECT_EQ(fs::file_size(Utf16ToUtf8(location->path)), size);
            EXPECT_EQ(owner.LocateOriginalFile(key), location) << "cached per key";
            copies.emplace_back(Utf16ToUtf8(location->path));
        }
    }
    for (const auto& copy : copies) {
        EXPECT_FALSE(fs::exists(copy)) << copy;
    }
    EXPECT_TRUE(fs::is_empty(extraction)) << "cabinet copies are gone too";
}

TEST_F(MediaTest, UncompressedFilesLieBesideThePackageUnderEitherRule) {
    const FileLocation* plain = package.LocateOriginalFile(u"Plain");
    EXPECT_FALSE(plain->extracted);
    // The Directory table says "docs"; the disk says "DOCS".
    EXPECT_EQ(plain->path, U(kMediaFolder / "Media App/DOCS/plain notes.txt"));
    // A file of TARGETDIR itself: the page's rule keeps "TARGETDIR" as its folder.
    EXPECT_EQ(package.LocateOriginalFile(u"Readme")->path,
              U(kMediaFolder / "TARGETDIR/readme.txt"));
    // A key without a row reads as empty columns: the package's folder itself.
    EXPECT_EQ(package.LocateOriginalFile(u"NoSuchKey")->path, U(kMediaFolder));
    EXPECT_FALSE(package.LocateOriginalFile(u"NoSuchKey")->extracted);

    // The installer's rule reads TARGETDIR files at the root and keeps the attribute bits.
    CVxMsiPackage installer(U(kMediaFolder / "media.msi"));
    installer.SetCompressionRule(Rule::Installer);
    EXPECT_EQ(installer.LocateOriginalFile(u"Readme")->path, U(kMediaFolder / "readme.txt"));
    EXPECT_TRUE(installer.LocateOriginalFile(u"TopFile")->extracted);
    EXPECT_FALSE(installer.LocateOriginalFile(u"Plain")->extracted) << "word count 0";
    const std::tuple<int, Rule, int, bool> rules[] = {
        {0x4000, Rule::FileAttribute, 0, true},
        {0, Rule::FileAttribute, 2, false},
        {MSI_NULL_INTEGER, Rule::FileAttribute, 2, false},
        {0, Rule::Installer, 2, true},
        {MSI_NULL_INTEGER, Rule::Installer, 2, true},
        {0x2000, Rule::Installer, 2, false},
        {0x4000, Rule::Installer, 0, true},
        {0, Rule::Installer, 1, false},
    };
    for (const auto& [attributes, rule, wordCount, compressed] : rules) {
        EXPECT_EQ(IsCompressedFile(attributes, rule, wordCount), compressed)
            << attributes << " " << wordCount;
    }
}

TEST_F(MediaTest, TheOriginalPackageAndItsCabinetsAreNeverWritten) {
    std::map<fs::path, std::vector<uint8_t>> before;
    for (const auto& file : Listing(kMediaFolder)) {
        before[file] = is_regular_file(file) ? FileBytes(file) : std::vector<uint8_t>{};
    }
    package.SetCompressionRule(Rule::Installer);
    for (const char16_t* key : {u"EmbOne", u"EmbTwo", u"TopFile", u"ExtOne", u"ExtTwo", u"Lzx",
                                u"Plain", u"Readme", u"Missing", u"Damaged"}) {
        RaisedBy([&] { package.LocateOriginalFile(key); });
    }
    for (const auto& [file, bytes] : before) {
        EXPECT_EQ(is_regular_file(file) ? FileBytes(file) : std::vector<uint8_t>{}, bytes) << file;
    }
}

// --- hand-made packages whose values try to leave their folders -------------------------------

namespace {

using namespace vx::msi;
using namespace vx::msi::test;

struct HandFile {
    std::u16string key;
    std::u16string name;
    int attributes;
    int sequence;
};

struct HandPackage {
    std::u16string packageCode = u"{11111111-2222-4333-8444-555555555555}";
    std::u16string appDirSource = u"App";
    std::u16string appDirParent = u"TARGETDIR";
    std::vector<std::pair<int, std::u16string>> media; // (LastSequence, Cabinet), DiskId 1..
    std::vector<HandFile> files;
    std::vector<CfbStream> streams;
    // A stream of 4 KiB or more whose chain of sectors is broken after its first sector.
    std::u16string damagedStream;
};

// Writes <folder>/hand.msi, with lzx.cab of the media fixture beside it.
fs::path WriteHandPackage(const fs::path& folder, const HandPackage& hand) {
    PackagePlan plan;
    plan.tables.push_back(
        DirectoryTable({{u"TARGETDIR", Cell{}, u"SourceDir"},
                        {u"AppDir", hand.appDirParent, u"App:" + hand.appDirSource}}));
    plan.tables.push_back(ComponentTable({{u"CApp", Cell{}, u"AppDir"}}));
    std::vector<std::vector<Cell>> files;
    for (const auto& f : hand.files) {
        files.push_back({f.key, u"CApp", f.name, 10, Cell{}, Cell{}, f.attributes, f.sequence});
    }
    plan.tables.push_back(FileTable(files));
    std::vector<std::vector<Cell>> media;
    for (size_t i = 0; i < hand.media.size(); ++i) {
        media.push_back(
            {static_cast<int32_t>(i + 1), hand.media[i].first, Cell{}, hand.media[i].second});
    }
    plan.tables.push_back({u"Media",
                           {{u"DiskId", kInteger | kColumnKey | 2, 0},
                            {u"LastSequence", kInteger | 4, 0},
                            {u"DiskPrompt", kS72, 0},
                            {u"Cabinet", kS72, 0}},
                           media});
    plan.streams = hand.streams;
    plan.summary = WriteSummary({{9, Utf16ToUtf8(hand.packageCode)}, {15, int32_t{0}}});
    CfbLayout layout;
    std::vector<uint8_t> bytes = WritePackage(plan, &layout);
    if (!hand.damagedStream.empty()) {
        const size_t stream =
            StreamIndex(InstallerStreams(plan), EncodeStreamName(hand.damagedStream, false));
        Put(bytes, layout.FatEntryOffset(layout.firstSectorOfStream[stream]), 0x00FFFFF0);
    }
    fs::create_directories(folder);
    fs::copy_file(kMediaFolder / "lzx.cab", folder / "lzx.cab",
                  fs::copy_options::overwrite_existing);
    WriteBytes(folder / "hand.msi", bytes);
    return folder / "hand.msi";
}

} // namespace

TEST_F(MediaTest, CabinetValuesOutsideThePackageFolderAreRefused) {
    WriteBytes(temp / "outside.cab", FileBytes(kMediaFolder / "lzx.cab"));
    HandPackage hand;
    hand.media = {{1, u"..\\outside.cab"}, {2, u"/etc/outside.cab"},
                  {3, u"C:\\outside.cab"}, {4, u"#../evil.cab"},
                  {5, u"#a/evil.cab"},     {6, u"sub\\..\\..\\outside.cab"}};
    hand.streams = {{u"../evil.cab", FileBytes(kMediaFolder / "lzx.cab")},
                    {u"a/evil.cab", FileBytes(kMediaFolder / "lzx.cab")}};
    CVxMsiPackage hostile(U(WriteHandPackage(temp / "pkg", hand)));
    fs::create_directories(temp / "extract");
    hostile.SetExtractFolder(U(temp / "extract"));
    const auto before = Listing(temp.Root());
    for (int disk = 1; disk <= 6; ++disk) {
        const Raised raised = RaisedBy([&] { hostile.GetMedia(disk); });
        EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME)) << disk;
        EXPECT_TRUE(raised.Mentions(hand.media[static_cast<size_t>(disk - 1)].second)) << disk;
    }
    EXPECT_EQ(Listing(temp.Root()), before);
}

TEST_F(MediaTest, KeysNamesFoldersAndPackageCodesOutsideTheirFoldersAreRefused) {
    struct Case {
        const char* what;
        HandPackage hand;
        std::u16string key;
        HRESULT hr;
        std::u16string mentions;
    };
    const auto with = [](auto change) {
        HandPackage hand;
        hand.media = {{10, u"lzx.cab"}};
        change(hand);
        return hand;
    };
    const auto file = [&](std::u16string key, std::u16string name, int attributes = 0x4000) {
        return with([&](HandPackage& h) { h.files = {{key, name, attributes, 1}}; });
    };
    const auto code = [&](std::u16string packageCode) {
        return with([&](HandPackage& h) {
            h.packageCode = packageCode;
            h.files = {{u"F", u"f.txt", 0x4000, 1}};
        });
    };
    const auto source = [&](std::u16string appDirSource) {
        return with([&](HandPackage& h) {
            h.appDirSource = appDirSource;
            h.files = {{u"F", u"f.txt", 0, 1}};
        });
    };
    const HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const Case cases[] = {
        {"key with ..", file(u"../Lzx", u"x.txt"), u"../Lzx", kBadName, u""},
        {"key with /", file(u"sub/Lzx", u"x.txt"), u"sub/Lzx", kBadName, u""},
        {"name ..", file(u"Up", u"..", 0), u"Up", kBadName, u""},
        {"name with /", file(u"Slash", u"a/b.txt", 0), u"Slash", kBadName, u""},
        {"long name with \\", file(u"Back", u"SHORT|a\\b.txt", 0), u"Back", kBadName, u""},
        {"source folder ..", source(u".."), u"F", kBadName, u""},
        {"source folder ..\\..\\etc", source(u"..\\..\\etc"), u"F", kBadName, u""},
        {"source folder a\\b", source(u"a\\b"), u"F", kBadName, u""},
        {"source folder /etc", source(u"/etc"), u"F", kBadName, u""},
        {"package code ../up", code(u"../up"), u"F", kBadName, u"package code"},
        {"no package code", code(u""), u"F", kBadName, u"package code"},
        {"package code ..", code(u".."), u"F", kBadName, u"package code"},
        {"beyond every Media row", with([](HandPackage& h) {
             h.files = {{u"F", u"f.txt", 0x4000, 11}};
         }),
         u"F", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), u"no Media row"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(temp / "pkg");
        CVxMsiPackage hostile(U(WriteHandPackage(temp / "pkg", c.hand)));
        const auto before = Listing(temp.Root());
        const Raised raised = RaisedBy([&] { hostile.LocateOriginalFile(c.key); });
        EXPECT_EQ(raised.hr, c.hr) << Utf16ToUtf8(raised.description);
        EXPECT_FALSE(raised.description.empty());
        EXPECT_TRUE(raised.Mentions(c.mentions)) << Utf16ToUtf8(raised.description);
        if (c.hr == kBadName) {
            EXPECT_EQ(Listing(temp.Root()), before);
        }
    }
    EXPECT_FALSE(fs::exists(temp / "up"));
    // A plain name next to them is found.
    CVxMsiPackage fine(U(WriteHandPackage(temp / "pkg", file(u"Fine", u"fine.txt", 0))));
    EXPECT_EQ(fine.LocateOriginalFile(u"Fine")->path, U(temp / "pkg/App/fine.txt"));
}

TEST_F(MediaTest, AnEmbeddedCabinetWhoseStreamIsDamagedFailsAsADamagedPackage) {
    HandPackage hand;
    std::vector<uint8_t> cabinet = FileBytes(kMediaFolder / "lzx.cab");
    cabinet.resize(8192); // past the mini stream, so its chain lies in the FAT
    hand.media = {{10, u"#lzx.cab"}};
    hand.streams = {{u"lzx.cab", cabinet}};
    hand.damagedStream = u"lzx.cab";
    hand.files = {{u"Lzx", u"l.txt", 0x4000, 1}};
    CVxMsiPackage built(U(WriteHandPackage(temp / "pkg", hand)));
    const Raised raised = RaisedBy([&] { built.LocateOriginalFile(u"Lzx"); });
    EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INSTALL_PACKAGE_INVALID));
    EXPECT_TRUE(raised.Mentions(u"#lzx.cab")) << Utf16ToUtf8(raised.description);
    EXPECT_TRUE(raised.Mentions(u"damaged"));
    EXPECT_TRUE(fs::is_empty(temp / "{11111111-2222-4333-8444-555555555555}"));
}

TEST_F(MediaTest, AFolderWhoseParentHasNoRowLiesInThePackageFolder) {
    HandPackage hand;
    hand.appDirParent = u"NoSuchParent"; // resolves to "\\App"
    hand.files = {{u"F", u"f.txt", 0, 1}};
    CVxMsiPackage built(U(WriteHandPackage(temp / "pkg", hand)));
    EXPECT_EQ(built.Resolver().ResolveDirectory(u"AppDir", true), u"\\App");
    EXPECT_EQ(built.LocateOriginalFile(u"F")->path, U(temp / "pkg/App/f.txt"));
}

TEST_F(MediaTest, ExtractionFolderOfAnotherOwnerOrALinkIsRefused) {
    HandPackage hand;
    hand.packageCode = u"{LINKED}";
    hand.media = {{10, u"lzx.cab"}};
    hand.files = {{u"Lzx", u"l.txt", 0x4000, 1}};
    CVxMsiPackage linked(U(WriteHandPackage(temp / "pkg", hand)));
    fs::create_directories(temp / "elsewhere");
    fs::create_directory_symlink(temp / "elsewhere", temp / "{LINKED}");
    EXPECT_EQ(RaisedBy([&] { linked.LocateOriginalFile(u"Lzx"); }).hr,
              HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_empty(temp / "elsewhere"));
}

TEST(CorpusLocation, PuttyIsCompressedOnlyByItsSummaryInformation) {
    VX_REQUIRE_CORPUS("putty-0.68-installer.msi");
    ScratchFolder temp;
    ScopedEnv tmpdir("TMPDIR", temp.Root().string());
    CVxMsiPackage page(CorpusPackage("putty-0.68-installer.msi"));
    const FileLocation* beside = page.LocateOriginalFile(u"PuTTY_File");
    EXPECT_FALSE(beside->extracted);
    EXPECT_TRUE(beside->path.ends_with(u"/PFiles/PuTTY/putty.exe"));

    CVxMsiPackage installer(CorpusPackage("putty-0.68-installer.msi"));
    installer.SetCompressionRule(Rule::Installer);
    const FileLocation* copy = installer.LocateOriginalFile(u"PuTTY_File");
    EXPECT_TRUE(copy->extracted);
    EXPECT_EQ(fs::file_size(Utf16ToUtf8(copy->path)), 713592u); // as the listing gives
}
