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
    ASSERT_EQ(model.Root().Children().size(), 1u);
    const auto& install = *model.Root().Children()[0];
    EXPECT_EQ(install.Item().label, u"[INSTALLDIR]");
    ASSERT_EQ(install.Children().size(), 2u);
    const OriginalTreeNode* data = Child(install, u"Data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Children().size(), 2u);
    const OriginalTreeNode* accented = Child(install, u"d\u00c4t\u00c5");
    ASSERT_NE(accented, nullptr);
    EXPECT_EQ(accented->Children().size(), 2u);
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

TEST(LabelComparison, FoldsLatinGreekAndCyrillicCapitals) {
    const std::tuple<const char16_t*, const char16_t*, int> cases[] = {
        {u"ABC", u"abc", 0},
        {u"\u00c9T\u00c9", u"\u00e9t\u00e9", 0},
        {u"\u0414\u0410\u041d\u041d\u042b\u0415", u"\u0434\u0430\u043d\u043d\u044b\u0435", 0},
        {u"\u0401", u"\u0451", 0},
        {u"\u03a3", u"\u03c3", 0},
        {u"\u0141", u"\u0142", 0},
        {u"alpha", u"Beta", -1},
        {u"a", u"ab", -1},
        {u"\u00d7", u"\u00f7", -1}, // multiplication and division signs are no letters
    };
    for (const auto& [a, b, sign] : cases) {
        const int result = CompareLabels(a, b);
        EXPECT_EQ((result > 0) - (result < 0), sign) << Utf16ToUtf8(a) << " " << Utf16ToUtf8(b);
    }
}
