// Names from a package joined to folders on this machine: letter case as Windows ignores it.

#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

using namespace vx;

TEST(JoinMatchingCase, TakesTheOneEntryThatDiffersOnlyInLetterCase) {
    vx::testing::ScratchFolder folder;
    folder.Write("\xC3\x84RGER.TXT", "x");             // ÄRGER.TXT
    folder.Write("\xCE\xA3\xCE\x97\xCE\x9C.dat", "x"); // ΣΗΜ.dat
    folder.Write("Twice.txt", "x");
    folder.Write("TWICE.txt", "x");
    folder.Write("exact.txt", "x");
    folder.Write("\xD4\xB1.txt", "x"); // Armenian capital AYB
    folder.Write("EXACT.txt", "x");
    const std::u16string base = Utf8ToUtf16(folder.Root().string());

    EXPECT_EQ(JoinMatchingCase(base, {u"\u00e4rger.txt"}), base + u"/\u00c4RGER.TXT");
    EXPECT_EQ(JoinMatchingCase(base, {u"\u03c3\u03b7\u03bc.DAT"}),
              base + u"/\u03a3\u0397\u039c.dat");
    // Two candidates: no guess, the name stays as written; an exact name wins outright.
    EXPECT_EQ(JoinMatchingCase(base, {u"twice.TXT"}), base + u"/twice.TXT");
    EXPECT_EQ(JoinMatchingCase(base, {u"exact.txt"}), base + u"/exact.txt");
    // Every script's letters fold, Armenian's too.
    EXPECT_EQ(JoinMatchingCase(base, {u"\u0561.txt"}), base + u"/\u0531.txt");
}
