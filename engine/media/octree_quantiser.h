// Chooses at most (maximum - 1) representative colours for a true-colour picture, so that a
// palette of the maximum size still has room for the picture's colour key.
//
// Every distinct colour gets a leaf at depth 8 (one bit of each component per level); Reduce
// then folds the smallest nodes whose children are all leaves into their parent until fewer
// leaves than the maximum remain; BuildPalette averages each leaf, in tree order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace engine {

class OctreeQuantiser {
 public:
  OctreeQuantiser();

  // Stores the maximum colour count; above 256 it stays 256.
  void SetMaxColours(uint32_t maximum) { max_colours_ = maximum > 256 ? 256 : maximum; }
  // Counts every 4-byte pixel (blue, green, red, alpha) of byte_count bytes into the tree.
  // Width and height are not used: the pixels are a plain run.
  void AddPixels(const uint8_t* pixels, int width, int height, size_t byte_count);
  // Folds the tree down below the maximum.
  void Reduce();
  // Fills the colour table (leaf count x red, green, blue) in tree order.
  void BuildPalette();

  uint32_t leaf_count() const { return leaf_count_; }
  const std::vector<uint8_t>& colours() const { return colours_; }
  // The palette index of the leaf a colour falls into (after BuildPalette); -1 when none.
  int IndexOf(uint8_t red, uint8_t green, uint8_t blue) const;

 private:
  struct Node {
    uint32_t parent = 0;
    uint32_t children[8] = {};  // 0: none (the root is never a child)
    int64_t pixel_count = 0;    // 64-bit sums: large pictures of one colour do not overflow
    int64_t red = 0;
    int64_t green = 0;
    int64_t blue = 0;
    int32_t palette_index = -1;
  };
  bool IsLeaf(uint32_t node) const;
  bool ChildrenAllLeaves(uint32_t node) const;
  void GatherChildren(uint32_t node);
  void CollectReducible(uint32_t node, std::vector<uint32_t>* list);
  void Visit(uint32_t node);

  std::deque<Node> nodes_;  // index 0 is the root; detached nodes simply stay unused
  std::vector<uint8_t> colours_;
  uint32_t leaf_count_ = 0;
  uint32_t max_colours_ = 256;
  uint32_t build_index_ = 0;
};

}  // namespace engine
