#pragma once

#include <QString>

#include <optional>

namespace velmo {

// What a node of the category tree stands for: memos in progress or done, all of them (a root)
// or one category.
struct MemoNode
{
    bool done = false;
    int category = 0; // 1 to 7; 0 for a root

    bool isRoot() const { return category == 0; }
    friend bool operator==(const MemoNode&, const MemoNode&) = default;

    // The category names in code order 1 to 7, as the tree shows them.
    static QString categoryName(int category);

    // The category a kind text names: the first four characters of a node text. A root's text is
    // not a category; every other unknown text means 7, as the list has always read it.
    static int categoryOfKind(const QString& kind);

    // The node a tree caption stands for, told by its text alone; a category caption needs its
    // parent's caption for the done flag. nullopt when neither text belongs to a root.
    static std::optional<MemoNode> fromCaption(const QString& text, const QString& parentText = QString());

    // "进行中备忘(12)", "生活备忘(3)" ...
    static QString caption(const MemoNode& node, qint64 count);

    // The first four characters of a caption, handed to the new-memo window as its preset.
    static QString kindOf(const QString& caption) { return caption.left(4); }
};

} // namespace velmo
