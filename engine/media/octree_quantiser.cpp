#include "engine/media/octree_quantiser.h"

#include <algorithm>

namespace engine {

namespace {

inline int ChildIndex(uint8_t r, uint8_t g, uint8_t b, int level) {
  const int bit = 7 - level;
  return (((r >> bit) & 1) << 2) | (((g >> bit) & 1) << 1) | ((b >> bit) & 1);
}

}  // namespace

OctreeQuantiser::OctreeQuantiser() { nodes_.emplace_back(); }

bool OctreeQuantiser::IsLeaf(uint32_t node) const {
  for (uint32_t c : nodes_[node].children) {
    if (c) return false;
  }
  return true;
}

bool OctreeQuantiser::ChildrenAllLeaves(uint32_t node) const {
  bool any = false;
  for (uint32_t c : nodes_[node].children) {
    if (!c) continue;
    if (!IsLeaf(c)) return false;
    any = true;
  }
  return any;
}

void OctreeQuantiser::GatherChildren(uint32_t node) {
  Node& n = nodes_[node];
  for (uint32_t c : n.children) {
    if (!c) continue;
    n.pixel_count += nodes_[c].pixel_count;
    n.red += nodes_[c].red;
    n.green += nodes_[c].green;
    n.blue += nodes_[c].blue;
  }
}

void OctreeQuantiser::AddPixels(const uint8_t* pixels, int, int, size_t byte_count) {
  const size_t count = byte_count / 4;
  for (size_t i = 0; i < count; ++i, pixels += 4) {
    const uint8_t b = pixels[0], g = pixels[1], r = pixels[2];
    uint32_t node = 0;
    for (int level = 0; level < 8; ++level) {
      const int child = ChildIndex(r, g, b, level);
      uint32_t next = nodes_[node].children[child];
      if (!next) {
        next = static_cast<uint32_t>(nodes_.size());
        nodes_.emplace_back();
        nodes_.back().parent = node;
        nodes_[node].children[child] = next;
      }
      node = next;
    }
    Node& leaf = nodes_[node];
    if (leaf.pixel_count == 0) ++leaf_count_;
    ++leaf.pixel_count;
    leaf.red += r;
    leaf.green += g;
    leaf.blue += b;
  }
}

void OctreeQuantiser::CollectReducible(uint32_t node, std::vector<uint32_t>* list) {
  if (ChildrenAllLeaves(node)) {
    GatherChildren(node);
    list->push_back(node);
    return;
  }
  for (uint32_t c : nodes_[node].children) {
    if (c) CollectReducible(c, list);
  }
}

void OctreeQuantiser::Reduce() {
  if (leaf_count_ < max_colours_) return;
  std::vector<uint32_t> list;
  CollectReducible(0, &list);
  // Largest first; equal counts keep their walk order.
  std::stable_sort(list.begin(), list.end(),
                   [&](uint32_t a, uint32_t b) { return nodes_[a].pixel_count > nodes_[b].pixel_count; });
  while (!list.empty()) {
    const uint32_t node = list.back();
    for (uint32_t& c : nodes_[node].children) {
      if (!c) continue;
      // Children of a reducible node are leaves, so no deeper subtree is left behind.
      c = 0;
      --leaf_count_;
    }
    ++leaf_count_;
    if (leaf_count_ < max_colours_) break;
    list.pop_back();
    if (node == 0) continue;
    const uint32_t parent = nodes_[node].parent;
    if (ChildrenAllLeaves(parent)) {
      GatherChildren(parent);
      // After the last node whose count is at least the parent's, or at the front.
      // The list is in descending count order, so a binary search finds that place.
      const int64_t count = nodes_[parent].pixel_count;
      auto it = std::upper_bound(list.begin(), list.end(), count,
                                 [&](int64_t value, uint32_t n) { return value > nodes_[n].pixel_count; });
      list.insert(it, parent);
    }
  }
}

void OctreeQuantiser::Visit(uint32_t node) {
  Node& n = nodes_[node];
  if (IsLeaf(node)) {
    if (build_index_ >= leaf_count_) return;
    if (n.pixel_count != 0) {
      n.red /= n.pixel_count;
      n.green /= n.pixel_count;
      n.blue /= n.pixel_count;
    }
    uint8_t* out = &colours_[size_t{build_index_} * 3];
    out[0] = static_cast<uint8_t>(n.red);
    out[1] = static_cast<uint8_t>(n.green);
    out[2] = static_cast<uint8_t>(n.blue);
    n.palette_index = static_cast<int32_t>(build_index_++);
    return;
  }
  for (uint32_t c : n.children) {
    if (c) Visit(c);
  }
}

void OctreeQuantiser::BuildPalette() {
  colours_.assign(size_t{leaf_count_} * 3, 0);
  build_index_ = 0;
  if (leaf_count_ == 0) return;
  Visit(0);
}

int OctreeQuantiser::IndexOf(uint8_t red, uint8_t green, uint8_t blue) const {
  uint32_t node = 0;
  for (int level = 0; level < 8 && !IsLeaf(node); ++level) {
    node = nodes_[node].children[ChildIndex(red, green, blue, level)];
    if (!node) return -1;
  }
  return nodes_[node].palette_index;
}

}  // namespace engine
