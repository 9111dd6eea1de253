#include "VxWsApplicationFilesEP/original/original_files_model.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace vx;

namespace {

const OriginalTreeNode* Child(const OriginalTreeNode& node, std::u16string_view label) {
    for (const auto& c : node.Children()) {
        if (c->Item().label == label) {
            return c.get();
        }
    }
    return nullptr;
}

// The placement rules done the plain way: a linear scan of the children for each segment, no
// index and nothing remembered between files. The model must build the same tree, whatever the
// segments: folders colliding without case, empty segments, file labels equal to folder
// segments (children match by label whatever their kind), runs of the same folder.
class PlainTree {
public:
    void Place(std::u16string_view path, std::u16string label) {
        Node* current = &m_root;
        auto enter = [&](std::u16string_view piece) {
            for (auto& child : current->children) {
                if (CompareLabels(child->label, piece) == 0) {
                    current = child.get();
                    return;
                }
            }
            auto folder = std::make_unique<Node>(Node{std::u16string(piece), true, {}});
            Node* inserted = folder.get();
            current->children.insert(current->children.begin(), std::move(folder));
            current = inserted;
        };
        std::vector<std::u16string> pieces;
        SplitString(path, u'\\', false, pieces);
        for (const auto& piece : pieces) {
            enter(piece);
        }
        current->children.push_back(std::make_unique<Node>(Node{std::move(label), false, {}}));
    }
    void Sort() { SortNode(m_root); }
    std::u16string Print() const {
        std::u16string out = u"Root\n";
        PrintNode(m_root, 1, out);
        return out;
    }

private:
    struct Node {
        std::u16string label;
        bool folder = false;
        std::vector<std::unique_ptr<Node>> children;
    };
    static void SortNode(Node& node) {
        std::stable_sort(node.children.begin(), node.children.end(),
                         [](const auto& a, const auto& b) {
                             if (a->folder != b->folder) {
                                 return a->folder;
                             }
                             return CompareLabels(a->label, b->label) < 0;
                         });
        for (auto& child : node.children) {
            SortNode(*child);
        }
    }
    static void PrintNode(const Node& node, size_t depth, std::u16string& out) {
        for (const auto& child : node.children) {
            out.append(depth * 2, u' ');
            out += child->label + u"\n";
            PrintNode(*child, depth + 1, out);
        }
    }
    Node m_root;
};

} // namespace

TEST(OriginalFilesModel, BuildsTheTreeThatPlainScanningBuilds) {
    // Random placements from a small alphabet of segments that collide without case, file
    // labels that equal folder segments, runs of the same folder, empty segments, and more
    // placements after sorting.
    const std::vector<std::u16string> segments = {u"Bin",     u"BIN",     u"bin", u"Data", u"data",
                                                  u"\u00c4x", u"\u00e4X", u"",    u"lib"};
    std::mt19937 random(20261206);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 40; ++round) {
        OriginalFilesModel model(u"Root");
        PlainTree plain;
        std::u16string path;
        for (int file = 0; file < 120; ++file) {
            if (pick(3) != 0) { // otherwise the same folder as the last file
                path.clear();
                const size_t depth = pick(4);
                for (size_t level = 0; level < depth; ++level) {
                    path += (level == 0 ? u"" : u"\\") + segments[pick(segments.size())];
                }
            }
            std::u16string label = segments[pick(segments.size())] + (pick(2) ? u"" : u".txt");
            model.PlaceFile(path, u"k", label);
            plain.Place(path, label);
            if (file == 80) {
                model.Sort();
                plain.Sort();
            }
        }
        model.Sort();
        plain.Sort();
        ASSERT_EQ(Utf16ToUtf8(model.Print()), Utf16ToUtf8(plain.Print())) << "round " << round;
    }
}

TEST(OriginalFilesModel, FoldersDifferingOnlyInCaseAreOneAndKeepTheFirstSpelling) {
    OriginalFilesModel model(u"Root");
    model.PlaceFile(u"[INSTALLDIR]\\Data", u"a", u"a.txt");
    model.PlaceFile(u"[installdir]\\DATA", u"b", u"b.txt");
    model.PlaceFile(u"[InstallDir]\\d\u00c4t\u00c5", u"c", u"c.txt"); // not the same letters
    model.PlaceFile(u"[InstallDir]\\D\u00e4T\u00e5", u"d", u"d.txt"); // same letters, other case
    model.PlaceFile(u"[InstallDir]\\\u0178dir", u"e", u"e.txt");
    model.PlaceFile(u"[InstallDir]\\\u00ffdir", u"f", u"f.txt");
    ASSERT_EQ(model.Root().Children().size(), 1u);
    const auto& install = *model.Root().Children()[0];
    EXPECT_EQ(install.Item().label, u"[INSTALLDIR]");
    ASSERT_EQ(install.Children().size(), 3u);
    const OriginalTreeNode* data = Child(install, u"Data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Children().size(), 2u);
    const OriginalTreeNode* accented = Child(install, u"d\u00c4t\u00c5");
    ASSERT_NE(accented, nullptr);
    EXPECT_EQ(accented->Children().size(), 2u);
    const OriginalTreeNode* diaeresis = Child(install, u"\u0178dir");
    ASSERT_NE(diaeresis, nullptr);
    EXPECT_EQ(diaeresis->Children().size(), 2u);
}

TEST(OriginalFilesModel, DragKeysAreDepthFirstInDisplayOrder) {
    OriginalFilesModel model(u"Root");
    model.PlaceFile(u"[F]\\b", u"k_b1", u"b1");
    model.PlaceFile(u"[F]", u"k_top", u"top");
    model.PlaceFile(u"[F]\\a", u"k_a1", u"a1");
    model.PlaceFile(u"[F]\\a", u"k_a0", u"a0");
    model.PlaceFile(u"[F]\\empty\\deeper", u"k_d", u"d");
    model.Sort();
    const auto& folder = *model.Root().Children()[0];
    using Keys = std::vector<std::u16string>;
    EXPECT_EQ(OriginalFilesModel::DragKeys(folder),
              (Keys{u"k_a0", u"k_a1", u"k_b1", u"k_d", u"k_top"}));
    EXPECT_EQ(OriginalFilesModel::DragKeys(*Child(folder, u"top")), Keys{u"k_top"});
    EXPECT_TRUE(OriginalFilesModel::DragKeys(model.Root()).empty());

    OriginalFilesModel bare(u"Root");
    bare.PlaceFile(u"[F]\\x", u"k", u"f");
    EXPECT_EQ(OriginalFilesModel::DragKeys(*bare.Root().Children()[0]), Keys{u"k"});
}

TEST(LabelComparison, FoldsTheCapitalsOfEveryScript) {
    const std::pair<std::u16string_view, std::u16string_view> same[] = {
        {u"ABC", u"abc"},
        {u"\u00c9T\u00c9", u"\u00e9t\u00e9"},
        {u"\u0414\u0410\u041d\u041d\u042b\u0415", u"\u0434\u0430\u043d\u043d\u044b\u0435"},
        {u"\u0401", u"\u0451"},
        {u"\u03a3", u"\u03c3"},
        {u"\u03c2", u"\u03c3"}, // final sigma
        {u"\u0141", u"\u0142"},
        {u"\u0178dir", u"\u00ffdir"},       // Y and y with diaeresis
        {u"\u0386\u038f", u"\u03ac\u03ce"}, // Greek capitals with tonos
        {u"\u01cd", u"\u01ce"},             // Latin Extended-B
        {u"\u0531", u"\u0561"},             // Armenian
        {u"\u212a", u"k"},                  // Kelvin sign
        {u"\U00010400", u"\U00010428"},     // Deseret, beyond the 16-bit range
    };
    for (const auto& [a, b] : same) {
        EXPECT_EQ(CompareLabels(a, b), 0) << Utf16ToUtf8(a);
        EXPECT_EQ(FoldedLabelHash{}(a), FoldedLabelHash{}(b)) << Utf16ToUtf8(a);
    }
    EXPECT_LT(CompareLabels(u"alpha", u"Beta"), 0);
    EXPECT_LT(CompareLabels(u"a", u"ab"), 0);
    EXPECT_NE(CompareLabels(u"\u00d7", u"\u00f7"), 0); // multiplication and division signs
    EXPECT_NE(CompareLabels(u"\u0178", u"\u0179"), 0); // Y with diaeresis, Z with acute
}
