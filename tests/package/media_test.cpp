// Media objects and original file location over the media fixture (cabinets of every kind
// around one package), hand-made packages whose values try to leave their folders, and a real
// package whose compression comes from its summary information.

#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "package/fixture_packages.h"
#include "platform/com/com_exception.h"
#include "platform/msi/storage/stream_names.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"
#include "support/test_paths.h"
#include "tests/common/temp_tree.h"
#include "tests/msi/storage/package_writer.h"
#include "tests/msi/storage/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>

using namespace vx;
using vx::testing::ScopedEnv;
using vx::testing::TempTree;
namespace fs = std::filesystem;
using Rule = CMsiPathResolver::CompressionRule;

namespace {

const fs::path kMediaFolder = fs::path(VX_FIXTURE_DIR) / "media";
const fs::path kMediaPackage = kMediaFolder / "media.msi";
constexpr char kMediaCode[] = "{0000000D-0000-4000-8000-000000000000}";

std::u16string U(const fs::path& path) {
    return Utf8ToUtf16(path.string());
}

struct Raised {
    HRESULT hr = S_OK;
    std::u16string description;
};

Raised RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const CComException& failure) {
        return {failure.hr(), failure.Description()};
    }
    return {};
}

bool Contains(const std::u16string& text, std::u16string_view part) {
    return text.find(part) != std::u16string::npos;
}

// Every test gets its own temporary folder, so extraction folders never meet.
class MediaTest : public ::testing::Test {
protected:
    TempTree temp;
    ScopedEnv tmpdir{"TMPDIR", temp.Root().string()};
    fs::path extraction = temp / kMediaCode;

    static std::u16string Package() { return U(kMediaPackage); }
};

} // namespace

TEST_F(MediaTest, EmbeddedCabinetIsCopiedOutAndGoesWithThePackage) {
    fs::path cabinet;
    {
        CVxMsiPackage package(Package());
        package.SetExtractFolder(package.Resolver().CreateExtractionFolder());
        CVxMsiMedia* media = package.GetMedia(6);
        cabinet = Utf16ToUtf8(media->CabinetPath());
        EXPECT_EQ(cabinet, extraction / "embedded.cab");
        EXPECT_TRUE(fs::exists(cabinet));
        EXPECT_TRUE(media->Extracted());
        EXPECT_NE(media->ExtractionService(), nullptr);
        EXPECT_EQ(media->ExtractionFolder(), U(extraction));
        EXPECT_EQ(package.GetMedia(6), media) << "one media object a disk";
    }
    EXPECT_FALSE(fs::exists(cabinet));
    EXPECT_TRUE(fs::is_directory(extraction)) << "the extraction folder stays";
}

TEST_F(MediaTest, EmbeddedCabinetWithoutExtractionFolderIsRefused) {
    CVxMsiPackage package(Package());
    const Raised raised = RaisedBy([&] { package.GetMedia(6); });
    EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_TRUE(Contains(raised.description, u"no extraction folder"));
    EXPECT_FALSE(fs::exists("/embedded.cab"));
}

TEST_F(MediaTest, CabinetBesideThePackageIsOpenedInPlaceMatchingLetterCase) {
    const auto before = vx::testing::FileBytes(kMediaFolder / "DISK2/Data2.cab");
    {
        CVxMsiPackage package(Package());
        CVxMsiMedia* media = package.GetMedia(5); // Cabinet "disk2\data2.cab"
        EXPECT_EQ(media->CabinetPath(), U(kMediaFolder / "DISK2/Data2.cab"));
        EXPECT_FALSE(media->Extracted());
        EXPECT_NE(media->ExtractionService(), nullptr);
    }
    EXPECT_EQ(vx::testing::FileBytes(kMediaFolder / "DISK2/Data2.cab"), before);
}

TEST_F(MediaTest, MissingAndTruncatedCabinetsRaiseClearlyAndAreNotCached) {
    CVxMsiPackage package(Package());
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Raised missing = RaisedBy([&] { package.GetMedia(4); });
        EXPECT_EQ(missing.hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_TRUE(Contains(missing.description, U(kMediaFolder / "missing.cab")));
        const Raised truncated = RaisedBy([&] { package.GetMedia(3); });
        EXPECT_EQ(truncated.hr, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
        EXPECT_TRUE(Contains(truncated.description, u"truncated"));
    }
}

TEST_F(MediaTest, DiskWithoutMediaRowIsEmpty) {
    CVxMsiPackage package(Package());
    CVxMsiMedia* media = package.GetMedia(42);
    EXPECT_EQ(media->CabinetPath(), u"");
    EXPECT_EQ(media->ExtractionService(), nullptr);
    EXPECT_FALSE(media->Extracted());
}

TEST_F(MediaTest, CompressedFilesAreExtractedByKeyCachedAndDeleted) {
    std::vector<fs::path> copies;
    {
        CVxMsiPackage package(Package());
        // EmbOne has sequence 1: DiskId 1 (LastSequence 20, no cabinet) comes first in table
        // order, so only ascending LastSequence finds its cabinet.
        for (const auto& [key, size] : std::vector<std::pair<std::u16string, uintmax_t>>{
                 {u"EmbOne", 1500}, {u"EmbTwo", 150000}, {u"ExtTwo", 40000}, {u"Lzx", 3000}}) {
            SCOPED_TRACE(Utf16ToUtf8(key));
            FileLocation* location = package.LocateOriginalFile(key);
            EXPECT_TRUE(location->extracted);
            EXPECT_EQ(location->path, U(extraction / fs::path(Utf16ToUtf8(key))));
            EXPECT_EQ(fs::file_size(Utf16ToUtf8(location->path)), size);
            EXPECT_EQ(package.LocateOriginalFile(key), location) << "cached per key";
            copies.emplace_back(Utf16ToUtf8(location->path));
        }
    }
    for (const auto& copy : copies) {
        EXPECT_FALSE(fs::exists(copy)) << copy;
    }
    EXPECT_TRUE(fs::is_empty(extraction)) << "cabinet copies are gone too";
}

TEST_F(MediaTest, UncompressedFilesLieBesideThePackage) {
    CVxMsiPackage package(Package());
    FileLocation* plain = package.LocateOriginalFile(u"Plain");
    EXPECT_FALSE(plain->extracted);
    // The Directory table says "docs"; the disk says "DOCS".
    EXPECT_EQ(plain->path, U(kMediaFolder / "Media App/DOCS/plain notes.txt"));
    // A file of TARGETDIR itself: the page's rule keeps "TARGETDIR" as its folder.
    EXPECT_EQ(package.LocateOriginalFile(u"Readme")->path,
              U(kMediaFolder / "TARGETDIR/readme.txt"));
    // A key without a row reads as empty columns: the package's folder itself.
    const FileLocation* none = package.LocateOriginalFile(u"NoSuchKey");
    EXPECT_EQ(none->path, U(kMediaFolder));
    EXPECT_FALSE(none->extracted);
}

TEST_F(MediaTest, InstallerRuleReadsTargetDirFilesAtTheRootAndKeepsAttributeBits) {
    CVxMsiPackage package(Package());
    package.SetCompressionRule(Rule::Installer);
    EXPECT_EQ(package.LocateOriginalFile(u"Readme")->path, U(kMediaFolder / "readme.txt"));
    EXPECT_TRUE(fs::exists(kMediaFolder / "readme.txt"));
    EXPECT_TRUE(package.LocateOriginalFile(u"TopFile")->extracted);
    EXPECT_FALSE(package.LocateOriginalFile(u"Plain")->extracted) << "word count 0";
}

TEST_F(MediaTest, TheOriginalPackageAndItsCabinetsAreNeverWritten) {
    std::map<fs::path, std::vector<uint8_t>> before;
    for (const auto& entry : fs::recursive_directory_iterator(kMediaFolder)) {
        if (entry.is_regular_file()) {
            before[entry.path()] = vx::testing::FileBytes(entry.path());
        }
    }
    {
        CVxMsiPackage package(Package());
        package.SetCompressionRule(Rule::Installer);
        for (const char16_t* key : {u"EmbOne", u"EmbTwo", u"TopFile", u"ExtOne", u"ExtTwo", u"Lzx",
                                    u"Plain", u"Readme", u"Missing", u"Damaged"}) {
            RaisedBy([&] { package.LocateOriginalFile(key); });
        }
    }
    for (const auto& [path, bytes] : before) {
        EXPECT_EQ(vx::testing::FileBytes(path), bytes) << path;
    }
}

TEST_F(MediaTest, CompressionRules) {
    constexpr int kNull = MSI_NULL_INTEGER;
    EXPECT_TRUE(IsCompressedFile(0x4000, Rule::FileAttribute, 0));
    EXPECT_FALSE(IsCompressedFile(0, Rule::FileAttribute, 2));
    EXPECT_FALSE(IsCompressedFile(kNull, Rule::FileAttribute, 2));
    EXPECT_TRUE(IsCompressedFile(0, Rule::Installer, 2));
    EXPECT_TRUE(IsCompressedFile(kNull, Rule::Installer, 2));
    EXPECT_FALSE(IsCompressedFile(0x2000, Rule::Installer, 2));
    EXPECT_TRUE(IsCompressedFile(0x4000, Rule::Installer, 0));
    EXPECT_FALSE(IsCompressedFile(0, Rule::Installer, 1));
}

// --- hand-made packages whose values try to leave their folders -------------------------------

namespace {

using namespace vx::msi;
using vx::msi::test::Cell;

constexpr uint16_t kText = kColumnValid | kColumnShort | kColumnString;
constexpr uint16_t kKey72 = kText | kColumnKey | 72;
constexpr uint16_t kS72 = kText | kColumnNullable | 72;
constexpr uint16_t kL255 = kText | kColumnLocalizable | 255;
constexpr uint16_t kI2Key = kColumnValid | kColumnKey | 2;
constexpr uint16_t kI2 = kColumnValid | 2;
constexpr uint16_t kI4 = kColumnValid | 4;

struct HandFile {
    std::u16string key;
    std::u16string name;
    int attributes;
    int sequence;
    std::u16string directory = u"AppDir";
};

struct HandPackage {
    std::u16string packageCode = u"{11111111-2222-4333-8444-555555555555}";
    std::u16string appDirSource = u"App";
    std::u16string appDirParent = u"TARGETDIR";
    std::vector<std::pair<int, std::u16string>> media; // (LastSequence, Cabinet), DiskId 1..
    std::vector<HandFile> files;
    std::vector<vx::msi::test::CfbStream> streams;
    // A stream of 4 KiB or more whose chain of sectors is broken after its first sector.
    std::u16string damagedStream;
};

fs::path WriteHandPackage(const fs::path& folder, const HandPackage& hand) {
    vx::msi::test::PackagePlan contents;
    contents.tables.push_back(
        {u"Directory",
         {{u"Directory", kKey72, 0}, {u"Directory_Parent", kS72, 0}, {u"DefaultDir", kL255, 0}},
         {{u"TARGETDIR", Cell{}, u"SourceDir"},
          {u"AppDir", hand.appDirParent, u"App:" + hand.appDirSource}}});
    // Columns by the standard schema's positions, as the reader reads them.
    contents.tables.push_back(
        {u"Component",
         {{u"Component", kKey72, 0}, {u"ComponentId", kS72, 0}, {u"Directory_", kText | 72, 0}},
         {{u"CApp", Cell{}, u"AppDir"}, {u"CTop", Cell{}, u"TARGETDIR"}}});
    std::vector<std::vector<Cell>> files;
    for (const auto& f : hand.files) {
        files.push_back({f.key, f.directory == u"AppDir" ? u"CApp" : u"CTop", f.name, 10, Cell{},
                         Cell{}, f.attributes, f.sequence});
    }
    contents.tables.push_back({u"File",
                               {{u"File", kKey72, 0},
                                {u"Component_", kText | 72, 0},
                                {u"FileName", kL255, 0},
                                {u"FileSize", kI4, 0},
                                {u"Version", kS72, 0},
                                {u"Language", kS72, 0},
                                {u"Attributes", kI2 | kColumnNullable, 0},
                                {u"Sequence", kI4, 0}},
                               files});
    std::vector<std::vector<Cell>> media;
    for (size_t i = 0; i < hand.media.size(); ++i) {
        media.push_back(
            {static_cast<int32_t>(i + 1), hand.media[i].first, Cell{}, hand.media[i].second});
    }
    contents.tables.push_back({u"Media",
                               {{u"DiskId", kI2Key, 0},
                                {u"LastSequence", kI4, 0},
                                {u"DiskPrompt", kS72, 0},
                                {u"Cabinet", kS72, 0}},
                               media});
    contents.streams = hand.streams;
    contents.summary =
        vx::msi::test::WriteSummary({{9, Utf16ToUtf8(hand.packageCode)}, {15, int32_t{0}}});
    vx::msi::test::CfbLayout layout;
    auto bytes = vx::msi::test::WritePackage(contents, &layout);
    if (!hand.damagedStream.empty()) {
        const size_t stream = vx::msi::test::StreamIndex(
            vx::msi::test::InstallerStreams(contents), EncodeStreamName(hand.damagedStream, false));
        vx::msi::test::Poke32(bytes, layout.FatEntryOffset(layout.firstSectorOfStream[stream]),
                              0x00FFFFF0);
    }
    fs::create_directories(folder);
    const fs::path path = folder / "hand.msi";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Every file under `root`, to prove that a refused request wrote nothing.
std::set<fs::path> Listing(const fs::path& root) {
    std::set<fs::path> all;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        all.insert(entry.path());
    }
    return all;
}

std::vector<uint8_t> LzxCabinet() {
    return vx::testing::FileBytes(kMediaFolder / "lzx.cab");
}

} // namespace

TEST_F(MediaTest, CabinetValuesOutsideThePackageFolderAreRefused) {
    const fs::path folder = temp / "pkg";
    fs::create_directories(folder);
    std::ofstream(temp / "outside.cab", std::ios::binary)
        .write(reinterpret_cast<const char*>(LzxCabinet().data()),
               static_cast<std::streamsize>(LzxCabinet().size()));
    HandPackage hand;
    hand.media = {{1, u"..\\outside.cab"}, {2, u"/etc/outside.cab"},
                  {3, u"C:\\outside.cab"}, {4, u"#../evil.cab"},
                  {5, u"#a/evil.cab"},     {6, u"sub\\..\\..\\outside.cab"}};
    hand.streams = {{u"../evil.cab", LzxCabinet()}, {u"a/evil.cab", LzxCabinet()}};
    const fs::path path = WriteHandPackage(folder, hand);
    CVxMsiPackage package(U(path));
    package.SetExtractFolder(U(temp / "extract"));
    fs::create_directories(temp / "extract");
    const auto before = Listing(temp.Root());
    for (int disk = 1; disk <= 6; ++disk) {
        SCOPED_TRACE(disk);
        const Raised raised = RaisedBy([&] { package.GetMedia(disk); });
        EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME))
            << Utf16ToUtf8(raised.description);
        EXPECT_TRUE(Contains(raised.description, hand.media[static_cast<size_t>(disk - 1)].second));
    }
    EXPECT_EQ(Listing(temp.Root()), before);
}

TEST_F(MediaTest, FileKeysNamesAndFoldersOutsideTheirFoldersAreRefused) {
    HandPackage hand;
    hand.media = {{10, u"lzx.cab"}};
    hand.files = {{u"../Lzx", u"x.txt", 0x4000, 1},
                  {u"sub/Lzx", u"x.txt", 0x4000, 2},
                  {u"Up", u"..", 0, 3},
                  {u"Slash", u"a/b.txt", 0, 4},
                  {u"Back", u"SHORT|a\\b.txt", 0, 5},
                  {u"Fine", u"fine.txt", 0, 6}};
    const fs::path folder = temp / "pkg";
    const fs::path path = WriteHandPackage(folder, hand);
    fs::copy_file(kMediaFolder / "lzx.cab", folder / "lzx.cab");
    CVxMsiPackage package(U(path));
    const auto before = Listing(temp.Root());
    for (const char16_t* key : {u"../Lzx", u"sub/Lzx", u"Up", u"Slash", u"Back"}) {
        SCOPED_TRACE(Utf16ToUtf8(key));
        const Raised raised = RaisedBy([&] { package.LocateOriginalFile(key); });
        EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
        EXPECT_FALSE(raised.description.empty());
    }
    EXPECT_EQ(Listing(temp.Root()), before);
    EXPECT_EQ(package.LocateOriginalFile(u"Fine")->path, U(folder / "App/fine.txt"));
}

TEST_F(MediaTest, SourceFoldersAndPackageCodesOutsideTheirFoldersAreRefused) {
    for (const char16_t* source : {u"..", u"..\\..\\etc", u"a\\b", u"/etc"}) {
        HandPackage hand;
        hand.appDirSource = source;
        hand.files = {{u"F", u"f.txt", 0, 1}};
        CVxMsiPackage package(U(WriteHandPackage(temp / "pkg", hand)));
        EXPECT_EQ(RaisedBy([&] { package.LocateOriginalFile(u"F"); }).hr,
                  HRESULT_FROM_WIN32(ERROR_INVALID_NAME))
            << Utf16ToUtf8(source);
    }
    for (const char16_t* code : {u"../up", u"", u".."}) {
        HandPackage hand;
        hand.packageCode = code;
        hand.media = {{10, u"lzx.cab"}};
        hand.files = {{u"Lzx", u"l.txt", 0x4000, 1}};
        CVxMsiPackage package(U(WriteHandPackage(temp / "pkg", hand)));
        const Raised raised = RaisedBy([&] { package.LocateOriginalFile(u"Lzx"); });
        EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME)) << Utf16ToUtf8(code);
        EXPECT_TRUE(Contains(raised.description, u"package code"));
    }
    EXPECT_FALSE(fs::exists(temp / "up"));
}

TEST_F(MediaTest, AnEmbeddedCabinetWhoseStreamIsDamagedFailsAsADamagedPackage) {
    HandPackage hand;
    std::vector<uint8_t> cabinet = LzxCabinet();
    cabinet.resize(8192); // past the mini stream, so its chain lies in the FAT
    hand.media = {{10, u"#lzx.cab"}};
    hand.streams = {{u"lzx.cab", cabinet}};
    hand.damagedStream = u"lzx.cab";
    hand.files = {{u"Lzx", u"l.txt", 0x4000, 1}};
    CVxMsiPackage package(U(WriteHandPackage(temp / "pkg", hand)));
    const Raised raised = RaisedBy([&] { package.LocateOriginalFile(u"Lzx"); });
    EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INSTALL_PACKAGE_INVALID));
    EXPECT_TRUE(Contains(raised.description, u"#lzx.cab")) << Utf16ToUtf8(raised.description);
    EXPECT_TRUE(Contains(raised.description, u"damaged"));
    EXPECT_TRUE(fs::is_empty(temp / "{11111111-2222-4333-8444-555555555555}"));
}

TEST_F(MediaTest, AFolderWhoseParentHasNoRowLiesInThePackageFolder) {
    HandPackage hand;
    hand.appDirParent = u"NoSuchParent"; // resolves to "\\App"
    hand.files = {{u"F", u"f.txt", 0, 1}};
    const fs::path folder = temp / "pkg";
    CVxMsiPackage package(U(WriteHandPackage(folder, hand)));
    EXPECT_EQ(package.Resolver().ResolveDirectory(u"AppDir", true), u"\\App");
    EXPECT_EQ(package.LocateOriginalFile(u"F")->path, U(folder / "App/f.txt"));
}

TEST_F(MediaTest, AFileBeyondEveryMediaRowFails) {
    HandPackage hand;
    hand.media = {{10, u"lzx.cab"}};
    hand.files = {{u"Lzx", u"l.txt", 0x4000, 11}};
    const fs::path folder = temp / "pkg";
    CVxMsiPackage package(U(WriteHandPackage(folder, hand)));
    const Raised raised = RaisedBy([&] { package.LocateOriginalFile(u"Lzx"); });
    EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Contains(raised.description, u"no Media row"));
}

TEST_F(MediaTest, ExtractionFolderOfAnotherOwnerOrALinkIsRefused) {
    HandPackage hand;
    hand.packageCode = u"{LINKED}";
    hand.media = {{10, u"lzx.cab"}};
    hand.files = {{u"Lzx", u"l.txt", 0x4000, 1}};
    const fs::path folder = temp / "pkg";
    CVxMsiPackage package(U(WriteHandPackage(folder, hand)));
    fs::create_directories(temp / "elsewhere");
    fs::create_directory_symlink(temp / "elsewhere", temp / "{LINKED}");
    const Raised raised = RaisedBy([&] { package.LocateOriginalFile(u"Lzx"); });
    EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_empty(temp / "elsewhere"));
}

TEST(CorpusLocation, PuttyIsCompressedOnlyByItsSummaryInformation) {
    VX_REQUIRE_CORPUS("putty-0.68-installer.msi");
    TempTree temp;
    ScopedEnv tmpdir("TMPDIR", temp.Root().string());
    const auto before = vx::testing::FileBytes(vx::testing::CorpusFile("putty-0.68-installer.msi"));
    {
        CVxMsiPackage page(vx::testing::CorpusPackage("putty-0.68-installer.msi"));
        const FileLocation* beside = page.LocateOriginalFile(u"PuTTY_File");
        EXPECT_FALSE(beside->extracted);
        EXPECT_TRUE(beside->path.ends_with(u"/PFiles/PuTTY/putty.exe"));

        CVxMsiPackage installer(vx::testing::CorpusPackage("putty-0.68-installer.msi"));
        installer.SetCompressionRule(Rule::Installer);
        const FileLocation* copy = installer.LocateOriginalFile(u"PuTTY_File");
        EXPECT_TRUE(copy->extracted);
        EXPECT_EQ(fs::file_size(Utf16ToUtf8(copy->path)), 713592u); // as the listing gives
    }
    EXPECT_EQ(vx::testing::FileBytes(vx::testing::CorpusFile("putty-0.68-installer.msi")), before);
}
