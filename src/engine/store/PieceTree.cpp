// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/PieceTree.h"

#include <algorithm>
#include <vector>

namespace Engine::PieceTree {

uint64_t TPriorities::Next() {
    // splitmix64: well spread from a plain counter.
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

TNodePtr Make(const TPiece& piece, uint64_t priority, TNodePtr left, TNodePtr right) {
    auto node = std::make_shared<TNode>();
    node->Total = Length(left) + piece.Length + Length(right);
    node->Count = Count(left) + 1 + Count(right);
    node->Piece = piece;
    node->Priority = priority;
    node->Left = std::move(left);
    node->Right = std::move(right);
    return node;
}

TPiece Part(const TPiece& piece, int64_t start, int64_t length) {
    return TPiece{piece.Source, piece.Offset + start, length};
}

} // namespace

TNodePtr Leaf(TPiece piece, TPriorities& priorities) {
    if (piece.Length <= 0) return nullptr;
    return Make(piece, priorities.Next(), nullptr, nullptr);
}

TNodePtr Merge(const TNodePtr& a, const TNodePtr& b) {
    if (!a) return b;
    if (!b) return a;
    if (a->Priority >= b->Priority) return Make(a->Piece, a->Priority, a->Left, Merge(a->Right, b));
    return Make(b->Piece, b->Priority, Merge(a, b->Left), b->Right);
}

std::pair<TNodePtr, TNodePtr> Split(const TNodePtr& tree, int64_t at, TPriorities& priorities) {
    if (!tree) return {nullptr, nullptr};
    if (at <= 0) return {nullptr, tree};
    if (at >= tree->Total) return {tree, nullptr};
    const int64_t leftLength = Length(tree->Left);
    const int64_t pieceEnd = leftLength + tree->Piece.Length;
    if (at <= leftLength) {
        auto [a, b] = Split(tree->Left, at, priorities);
        return {a, Make(tree->Piece, tree->Priority, b, tree->Right)};
    }
    if (at >= pieceEnd) {
        auto [a, b] = Split(tree->Right, at - pieceEnd, priorities);
        return {Make(tree->Piece, tree->Priority, tree->Left, a), b};
    }
    // The cut falls inside this node's piece: the front keeps the node's place, the back goes first in
    // the right subtree.
    const int64_t cut = at - leftLength;
    const TNodePtr front = Make(Part(tree->Piece, 0, cut), tree->Priority, tree->Left, nullptr);
    const TNodePtr back = Leaf(Part(tree->Piece, cut, tree->Piece.Length - cut), priorities);
    return {front, Merge(back, tree->Right)};
}

TNodePtr Build(const std::vector<TPiece>& pieces, TPriorities& priorities) {
    // The treap of random priorities over the pieces in order: the right spine on a stack, each new piece
    // takes in as its left child the nodes of lower priority it pops.
    struct TDraft {
        uint64_t Priority = 0;
        int64_t Left = -1;
        int64_t Right = -1;
    };
    std::vector<TDraft> drafts;
    drafts.reserve(pieces.size());
    std::vector<int64_t> spine;
    for (size_t i = 0; i < pieces.size(); ++i) {
        drafts.push_back({priorities.Next(), -1, -1});
        int64_t popped = -1;
        while (!spine.empty() && drafts[size_t(spine.back())].Priority < drafts[i].Priority) {
            popped = spine.back();
            spine.pop_back();
        }
        drafts[i].Left = popped;
        if (!spine.empty()) drafts[size_t(spine.back())].Right = static_cast<int64_t>(i);
        spine.push_back(static_cast<int64_t>(i));
    }
    if (spine.empty()) return nullptr;
    // Made from the leaves up; the depth is that of the treap, O(log pieces) expected.
    std::function<TNodePtr(int64_t)> make = [&](int64_t i) -> TNodePtr {
        if (i < 0) return nullptr;
        const TDraft& draft = drafts[size_t(i)];
        return Make(pieces[size_t(i)], draft.Priority, make(draft.Left), make(draft.Right));
    };
    return make(spine.front());
}

std::pair<TNodePtr, TPiece> PopLast(const TNodePtr& tree) {
    if (!tree) return {nullptr, TPiece{}};
    if (!tree->Right) return {tree->Left, tree->Piece};
    auto [rest, last] = PopLast(tree->Right);
    return {Make(tree->Piece, tree->Priority, tree->Left, rest), last};
}

bool ForEachPart(const TNodePtr& tree, int64_t from, int64_t count, const TPartVisitor& visit) {
    // Compared as a difference: "to the end" may come as the largest count, whose sum would overflow.
    const int64_t length = Length(tree);
    const int64_t end = std::max<int64_t>(count, 0) >= length - from ? length : from + std::max<int64_t>(count, 0);
    from = std::max<int64_t>(from, 0);
    if (from >= end) return true;
    // The path down to the first piece, each node on it still to be visited with its right subtree; the
    // offset of each node's piece comes with it.
    std::vector<std::pair<const TNode*, int64_t>> pending;
    const TNode* node = tree.get();
    int64_t base = 0;
    while (node) {
        const int64_t pieceStart = base + Length(node->Left);
        if (from < pieceStart) {
            pending.emplace_back(node, pieceStart);
            node = node->Left.get();
        } else if (from >= pieceStart + node->Piece.Length) {
            base = pieceStart + node->Piece.Length;
            node = node->Right.get();
        } else {
            pending.emplace_back(node, pieceStart);
            break;
        }
    }
    while (!pending.empty()) {
        auto [next, start] = pending.back();
        pending.pop_back();
        if (start >= end) break;
        const int64_t partStart = std::max(from, start) - start;
        const int64_t partEnd = std::min(end, start + next->Piece.Length) - start;
        if (partEnd > partStart && !visit(next->Piece, partStart, partEnd - partStart)) return false;
        // The leftmost path of the right subtree comes next.
        int64_t childBase = start + next->Piece.Length;
        for (const TNode* child = next->Right.get(); child; child = child->Left.get()) {
            pending.emplace_back(child, childBase + Length(child->Left));
        }
    }
    return true;
}

} // namespace Engine::PieceTree
