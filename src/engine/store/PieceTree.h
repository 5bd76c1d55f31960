// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/PieceSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The sequence of pieces as a persistent treap: a node never changes once made, an edit copies the nodes on
// its path (expected O(log pieces)) and shares every other node with the tree before it, so that keeping the
// old root keeps a snapshot for free. Offsets here are 0-based.
namespace Engine::PieceTree {

struct TPiece {
    TSourcePtr Source;
    int64_t Offset = 0; // where the piece starts in its source
    int64_t Length = 0;
};

struct TNode;
using TNodePtr = std::shared_ptr<const TNode>;

struct TNode {
    TPiece Piece;
    TNodePtr Left;
    TNodePtr Right;
    uint64_t Priority = 0;
    int64_t Total = 0; // bytes in this subtree
    int64_t Count = 0; // pieces in this subtree
};

// Random priorities keep the treap balanced; each tree's owner keeps its own sequence.
class TPriorities {
  public:
    uint64_t Next();

  private:
    uint64_t State = 0x9E3779B97F4A7C15ull;
};

inline int64_t Length(const TNodePtr& node) {
    return node ? node->Total : 0;
}
inline int64_t Count(const TNodePtr& node) {
    return node ? node->Count : 0;
}

TNodePtr Leaf(TPiece piece, TPriorities& priorities);
// Every byte of a, then every byte of b.
TNodePtr Merge(const TNodePtr& a, const TNodePtr& b);
// The first at bytes, and the rest; a piece that straddles the cut is cut in two.
std::pair<TNodePtr, TNodePtr> Split(const TNodePtr& tree, int64_t at, TPriorities& priorities);
// A tree of the pieces in order, built in one pass (O(pieces)): how a change of many places at once makes
// its result without an edit per place.
TNodePtr Build(const std::vector<TPiece>& pieces, TPriorities& priorities);
// The last piece and the tree without it (both empty for an empty tree).
std::pair<TNodePtr, TPiece> PopLast(const TNodePtr& tree);

// Calls visit for each piece that overlaps from .. from + count - 1, in order, with the part of it inside
// that range (offset into the piece, length); visit returns false to stop. False when stopped.
using TPartVisitor = std::function<bool(const TPiece& piece, int64_t start, int64_t length)>;
bool ForEachPart(const TNodePtr& tree, int64_t from, int64_t count, const TPartVisitor& visit);

} // namespace Engine::PieceTree
