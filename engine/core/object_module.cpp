#include "engine/core/object_module.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/core/engine_object.h"
#include "engine/core/game_core.h"
#include "engine/core/input_module.h"
#include "engine/core/memory_pool.h"
#include "engine/core/rotated_rect.h"
#include "engine/ui/font_renderer.h"
#include "engine/media/paint_module.h"

namespace engine {
namespace {

// Depth as a sort key: a NaN depth sorts above every number instead of breaking the order.
double DepthKey(double depth) { return std::isnan(depth) ? HUGE_VAL : depth; }

}  // namespace

bool ObjectModule::DrawOrderLess::operator()(const SceneNode* a, const SceneNode* b) const {
  if (a->snapshot.layer != b->snapshot.layer) return a->snapshot.layer < b->snapshot.layer;
  const double da = DepthKey(a->snapshot.depth);
  const double db = DepthKey(b->snapshot.depth);
  if (da != db) return da < db;
  return a->key < b->key;
}

unsigned __int128 ObjectModule::DrawOrderKey(const SceneNode* node) {
  // The depth's bits turned so that they sort as the numbers do; -0 is 0, as DrawOrderLess sees it.
  const double depth = DepthKey(node->snapshot.depth) + 0.0;
  uint64_t bits = std::bit_cast<uint64_t>(depth);
  bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
  return (static_cast<unsigned __int128>(node->snapshot.layer) << 96) | (static_cast<unsigned __int128>(bits) << 32) |
         node->key;
}

ObjectModule::BusyScope::BusyScope(ObjectModule* module) : module_(module) { ++module_->busy_; }

ObjectModule::BusyScope::~BusyScope() {
  if (--module_->busy_ == 0) module_->FlushGraveyard();
}

ObjectModule::ObjectModule() : own_renderer_(std::make_unique<FontRenderer>()), font_renderer_(own_renderer_.get()) {}

void ObjectModule::SetFontRenderer(FontRenderer* renderer) {
  font_renderer_ = renderer != nullptr ? renderer : own_renderer_.get();
}

ObjectModule::~ObjectModule() {
  // Normally Exit has run; a module that was never loaded still owns its objects.
  if (!registry_.empty() || message_pool_) Exit();
}

int ObjectModule::Init() {
  message_pool_ = std::make_unique<MemoryPool>(sizeof(ObjectMessage), kCellsPerBlock);
  item_pool_ = std::make_unique<MemoryPool>(sizeof(DrawItem), kCellsPerBlock);
  group_pool_ = std::make_unique<MemoryPool>(sizeof(ActionGroup), kCellsPerBlock);
  action_pool_ = std::make_unique<MemoryPool>(sizeof(ActionRecord), kCellsPerBlock);
  return 1;
}

void ObjectModule::Exit() {
  // Objects go first: their destructors may still post messages or queue actions, which need the
  // pools. Children are unlinked so that no removal walks into an object already gone.
  {
    BusyScope busy(this);
    for (SceneNode* node : scene_list_) node->object->RemoveAllChildren();
    while (!scene_list_.empty()) RemoveObject(scene_list_.front()->key);
  }
  DropPendingEvents();
  DropAllActions();
  dirty_.clear();
  place_notes_.clear();
  for (auto* pool : {&message_pool_, &item_pool_, &group_pool_, &action_pool_}) {
    if (*pool) (*pool)->Reset();
    pool->reset();
  }
}

// Events still waiting for this module refer to records of its pools (or of the input module):
// hand back what belongs to others and forget the rest.
void ObjectModule::DropPendingEvents() {
  std::vector<RingEntry> pending;
  RingEntry entry;
  while (MutableRing().Pop(&entry)) pending.push_back(entry);
  if (GameCore* core = GetCore()) {
    for (const CoreEvent& e : core->TakeEvents(module_id::kObject))
      pending.push_back(RingEntry{e.target, e.code, e.p1, e.p2});
  }
  for (const RingEntry& e : pending) {
    if (e.code == object_event::kHeapMessage && e.p1 != 0) {
      auto* message = reinterpret_cast<ObjectMessage*>(e.p1);
      if (e.p2 != 0) {
        reinterpret_cast<MessageReleaseFn>(e.p2)(0, message, 0);
      } else {
        delete message;
      }
    } else if (e.code == object_event::kInputMessage) {
      PostEvent(module_id::kInput, input_code::kFreeMessage, e.p1, 0);
    }
  }
}

void ObjectModule::Tick() {
  BusyScope busy(this);
  DrainQueue();
  RunActions();
  FramePass();
}

int32_t ObjectModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) {
  switch (code) {
    case object_event::kRemoveObject: {
      auto live = live_objects_.find(reinterpret_cast<const EngineObject*>(p1));
      if (live != live_objects_.end()) {
        RemoveObject(live->second->key);
      } else if (p1 <= UINT32_MAX) {
        RemoveObject(static_cast<uint32_t>(p1));
      }
      return 0;
    }
    case object_event::kPooledMessage: {
      auto* message = reinterpret_cast<ObjectMessage*>(p1);
      if (message == nullptr) return 1;
      DeliverMessage(message);
      if (message_pool_) message_pool_->Free(message);
      return 1;
    }
    case object_event::kSendMessage:
      return DeliverMessage(reinterpret_cast<const ObjectMessage*>(p1));
    case object_event::kPostMessage:
      PostMessage(reinterpret_cast<const ObjectMessage*>(p1));
      return 1;
    case object_event::kHeapMessage: {
      auto* message = reinterpret_cast<ObjectMessage*>(p1);
      if (message == nullptr) return 0;
      DeliverMessage(message);
      if (p2 == 0) {
        delete message;
      } else {
        reinterpret_cast<MessageReleaseFn>(p2)(0, message, 0);
      }
      return 0;
    }
    case object_event::kInputMessage:
      DeliverMessage(reinterpret_cast<const ObjectMessage*>(p1));
      PostEvent(module_id::kInput, input_code::kFreeMessage, p1, 0);
      return 0;
    case object_event::kObjectChanged:
      ObjectChanged(reinterpret_cast<EngineObject*>(p1));
      return 0;
    case object_event::kQueueAction:
      QueueAction(reinterpret_cast<ActionRecord*>(p1));
      return 0;
    case object_event::kBeginGroup:
      BeginGroup(reinterpret_cast<ActionGroup*>(p1));
      return 0;
    case object_event::kNextGroup:
      NextGroup(reinterpret_cast<ActionGroup*>(p1));
      return 0;
    case object_event::kEndGroup:
      EndGroup();
      return 0;
    case object_event::kCancelAction:
      CancelAction(static_cast<uint64_t>(p1));
      return 0;
    case object_event::kCancelGroup:
      CancelGroup(static_cast<uint64_t>(p1));
      return 0;
    case object_event::kCancelObject:
      CancelObjectActions(static_cast<uint32_t>(p1));
      return 0;
    case object_event::kRedrawAll:
      RedrawAll();
      return 0;
    default:
      return 0;
  }
}

uint32_t ObjectModule::NextFreeKey() {
  // Keys are never 0 and never one still in use, even after the counter wraps.
  do {
    ++next_key_;
  } while (next_key_ == 0 || registry_.count(next_key_) != 0);
  return next_key_;
}

bool ObjectModule::IsDrawable(const ObjectGeometry& g, const RECT& bounds) const {
  RECT inside;
  return g.visible != 0 && (g.flags & object_flag::kNotDrawn) == 0 && platform::IntersectRect(&inside, bounds, view_);
}

void ObjectModule::AddObject(EngineObject* object, EngineObject* owner) {
  if (object == nullptr) return;
  if (object->IsRegistered()) {
    WriteGameLog("ObjectModule::AddObject: object %u is already in a scene", object->GetKey());
    return;
  }
  auto node_owner = std::make_unique<SceneNode>();
  SceneNode* node = node_owner.get();
  const uint32_t key = NextFreeKey();
  object->Init(GetCore(), key);
  object->SetDepth(key - 10000.0);
  object->GetGeometry(&node->snapshot);
  node->object = object;
  node->key = key;
  scene_list_.push_back(node);
  node->scene_pos = std::prev(scene_list_.end());
  registry_[key] = std::move(node_owner);
  live_objects_[object] = node;
  const RECT bounds = GetBoundingRect(node->snapshot);
  if (IsDrawable(node->snapshot, bounds)) {
    platform::CriticalSectionLock lock(module_lock_);
    AddDirtyArea(bounds);
    InsertDrawOrder(node);
  }
  if (owner != nullptr && owner->GetParent() != nullptr) object->SetParent(owner->GetParent());
  object->OnAddedToScene();
}

EngineObject* ObjectModule::CreateObject(EngineObject* owner) {
  auto* object = new EngineObject();
  AddObject(object, owner);
  return object;
}

RECT ObjectModule::GetBoundingRect(const ObjectGeometry& geometry) {
  RECT r = ObjectBoundingRect(nullptr, geometry);
  if ((geometry.flags & object_flag::kLimitRect) != 0) {
    RECT clipped;
    platform::IntersectRect(&clipped, r, geometry.limit_rect);
    r = clipped;
  }
  return r;
}

void ObjectModule::ObjectChanged(EngineObject* object) {
  auto live = live_objects_.find(object);
  if (live == live_objects_.end()) return;
  SceneNode* node = live->second;
  platform::CriticalSectionLock lock(module_lock_);
  ObjectGeometry now;
  object->GetGeometry(&now);
  const RECT new_rect = GetBoundingRect(now);
  if (!SameGeometry(node->snapshot, now)) AddDirtyArea(GetBoundingRect(node->snapshot));
  AddDirtyArea(new_rect);
  const bool drawable = IsDrawable(now, new_rect);
  if (node->in_draw_list && drawable && now.layer == node->snapshot.layer &&
      std::memcmp(&now.depth, &node->snapshot.depth, sizeof now.depth) == 0) {
    // Same layer and depth: the node keeps its place in the ordered list.
    node->snapshot = now;
    grid_.Place(node, now);
    return;
  }
  // The node leaves the ordered list before its snapshot (its sort key) changes.
  if (node->in_draw_list) {
    draw_list_.erase(node->draw_pos);
    node->in_draw_list = 0;
  }
  node->snapshot = now;
  if (drawable) {
    InsertDrawOrder(node);
  } else {
    grid_.Remove(node);
  }
}

void ObjectModule::InsertDrawOrder(SceneNode* node) {
  if (node->in_draw_list) RemoveFromDrawList(node);
  node->draw_pos = draw_list_.insert(node).first;
  node->in_draw_list = 1;
  grid_.Place(node, node->snapshot);
}

void ObjectModule::RemoveFromDrawList(SceneNode* node) {
  if (!node->in_draw_list) return;
  draw_list_.erase(node->draw_pos);
  node->in_draw_list = 0;
  grid_.Remove(node);
}

bool ObjectModule::NotePlaceChanged(const EngineObject* object) {
  platform::CriticalSectionLock lock(module_lock_);
  auto live = live_objects_.find(object);
  if (live == live_objects_.end()) return false;
  place_notes_.push_back(live->second);
  return true;
}

void ObjectModule::TakePlaceNotes() {
  ObjectGeometry now;
  for (SceneNode* node : place_notes_) {
    node->object->place_noted_ = false;
    if (!node->in_draw_list) continue;
    node->object->GetGeometry(&now);
    grid_.Place(node, now);
  }
  place_notes_.clear();
}

void ObjectModule::RemoveObject(uint32_t key) {
  CancelObjectActions(key);
  auto it = registry_.find(key);
  if (it == registry_.end()) return;
  std::unique_ptr<SceneNode> node = std::move(it->second);
  registry_.erase(it);
  live_objects_.erase(node->object);
  if (node->object->place_noted_) {
    auto note = std::find(place_notes_.begin(), place_notes_.end(), node.get());
    if (note != place_notes_.end()) place_notes_.erase(note);
  }
  scene_list_.erase(node->scene_pos);
  EngineObject* object = node->object;
  {
    platform::CriticalSectionLock lock(module_lock_);
    ObjectGeometry now;
    object->GetGeometry(&now);
    if (now.visible != 0 && (now.flags & object_flag::kNotDrawn) == 0 && object->IsDrawn()) {
      AddDirtyArea(GetBoundingRect(now));
    }
    RemoveFromDrawList(node.get());
  }
  // Unlinking now removes owned children at once, so every lookup agrees that the object is gone.
  object->ReleaseLinks();
  DestroyLater(object);
}

void ObjectModule::DestroyLater(EngineObject* object) {
  if (busy_ > 0) {
    graveyard_.push_back(object);
  } else {
    delete object;
  }
}

void ObjectModule::FlushGraveyard() {
  // Destructors may remove further objects; keep the module busy until the yard stays empty.
  ++busy_;
  while (!graveyard_.empty()) {
    std::vector<EngineObject*> dead;
    dead.swap(graveyard_);
    for (EngineObject* object : dead) delete object;
  }
  --busy_;
}

POINT ObjectModule::ClientToScene(POINT client) const { return POINT{client.x + view_.left, client.y + view_.top}; }

POINT ObjectModule::SceneToClient(POINT scene) const { return POINT{scene.x - view_.left, scene.y - view_.top}; }

EngineObject* ObjectModule::PickObject(int32_t x, int32_t y) {
  const POINT scene = ClientToScene(POINT{x, y});
  return PickSceneObject(scene.x, scene.y);
}

EngineObject* ObjectModule::PickSceneObject(int32_t x, int32_t y) {
  platform::CriticalSectionLock lock(module_lock_);
  uint32_t best_layer = 0;
  double best_depth = pick_floor_;
  EngineObject* result = nullptr;
  for (SceneNode* node : draw_list_) {
    EngineObject* object = node->object;
    if (!object->TakesInput() || object->IsPickExcluded() || !object->HitTest(x, y)) continue;
    const uint32_t layer = object->GetLayer();
    const double depth = object->GetDepth();
    if (layer > best_layer || (layer == best_layer && depth >= best_depth)) {
      best_layer = layer;
      best_depth = depth;
      result = object;
    }
  }
  return result;
}

uint32_t ObjectModule::FindFocusableKey(uint32_t key) {
  EngineObject* object = FindObjectByKey(key);
  // A link chain is a tree; the step limit only guards against a cycle made by mistake.
  for (size_t steps = 0; object != nullptr && steps <= registry_.size(); ++steps) {
    if (object->IsFocusable()) return object->GetKey();
    object = object->GetLinkOwner();
  }
  return 0;
}

EngineObject* ObjectModule::FindObjectByName(const char* name) {
  if (name == nullptr) return nullptr;
  for (SceneNode* node : scene_list_) {
    const char* own = node->object->GetName();
    if (own != nullptr && std::strcmp(own, name) == 0) return node->object;
  }
  return nullptr;
}

EngineObject* ObjectModule::FindObjectByKey(uint32_t key) {
  auto it = registry_.find(key);
  return it == registry_.end() ? nullptr : it->second->object;
}

void ObjectModule::SetViewSize(uint32_t width, uint32_t height) {
  {
    platform::CriticalSectionLock lock(module_lock_);
    view_.left = view_centre_x_ - static_cast<int32_t>((width + 1) / 2);
    view_.top = view_centre_y_ - static_cast<int32_t>((height + 1) / 2);
    view_.right = view_.left + static_cast<int32_t>(width);
    view_.bottom = view_.top + static_cast<int32_t>(height);
  }
  RebuildDrawList();
}

void ObjectModule::SetViewCentre(int32_t x, int32_t y) {
  {
    platform::CriticalSectionLock lock(module_lock_);
    platform::OffsetRect(&view_, x - view_centre_x_, y - view_centre_y_);
    view_centre_x_ = x;
    view_centre_y_ = y;
  }
  RebuildDrawList();
}

RECT* ObjectModule::GetViewRect(RECT* out) const {
  if (out) *out = view_;
  return out;
}

void ObjectModule::RedrawAll() {
  {
    platform::CriticalSectionLock lock(module_lock_);
    AddDirtyArea(view_);
  }
  FramePass();
}

double ObjectModule::GetTopDepth(uint32_t layer) {
  double top = 0.0;
  for (SceneNode* node : scene_list_) {
    if (node->object->GetLayer() == layer) top = std::max(top, node->object->GetDepth());
  }
  return top;
}

int32_t ObjectModule::GetDrawIndex(uint32_t key) {
  int32_t index = -1;
  for (SceneNode* node : draw_list_) {
    if (node->key == key) return index;
    ++index;
  }
  return index;
}

int ObjectModule::IsDrawOrderValid() {
  uint32_t layer = 0;
  double depth = -9999999.0;
  for (SceneNode* node : draw_list_) {
    const uint32_t l = node->snapshot.layer;
    const double d = node->snapshot.depth;
    if (l < layer || (l == layer && d < depth)) return 0;
    if (l != layer) depth = -9999999.0;
    layer = l;
    depth = d;
  }
  return 1;
}

std::vector<uint32_t> ObjectModule::DrawOrderKeys() const {
  std::vector<uint32_t> keys;
  keys.reserve(draw_list_.size());
  for (SceneNode* node : draw_list_) keys.push_back(node->key);
  return keys;
}

int ObjectModule::DeliverMessage(const ObjectMessage* message) {
  if (message == nullptr) return 0;
  EngineObject* object = FindObjectByKey(message->target);
  if (object == nullptr) return 0;
  BusyScope busy(this);
  return object->OnMessage(message);
}

int ObjectModule::PostMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  if (!message_pool_) {
    WriteGameLog("ObjectModule::PostMessage: module not initialised, message %u dropped", message->id);
    return 1;
  }
  auto* copy = static_cast<ObjectMessage*>(message_pool_->Alloc(sizeof(ObjectMessage)));
  if (copy == nullptr) {
    WriteGameLog("ObjectModule::PostMessage: out of memory, message %u dropped", message->id);
    return 1;
  }
  *copy = *message;
  PostEvent(module_id::kObject, object_event::kPooledMessage, reinterpret_cast<uintptr_t>(copy), 0);
  return 1;
}

void ObjectModule::AddDirtyArea(const RECT& r) {
  RECT c;
  // Only the part inside the view is ever painted; keep the clipped area throughout.
  if (!platform::IntersectRect(&c, r, view_)) return;
  for (RECT& e : dirty_) {
    RECT u;
    if (!platform::UnionRect(&u, c, e)) continue;
    if (u == c) {
      e = c;
      return;
    }
    if (u == e) return;
    if ((c.left == e.left && c.right == e.right) || (c.top == e.top && c.bottom == e.bottom)) {
      e = u;
      return;
    }
  }
  if (dirty_.size() >= kMaxDirtyAreas) {
    // Many scattered areas (say, hours of animation while minimised): one repaint of the view
    // shows the same and keeps the list and its merging cheap.
    dirty_.assign(1, view_);
    return;
  }
  dirty_.push_back(c);
}

bool ObjectModule::FindDrawnByGrid() {
  drawn_.clear();
  // When the areas cover much of the view, one walk of the list costs less than the look-ups.
  size_t touched = 0;
  for (const RECT& area : dirty_) touched += grid_.CellsTouched(area);
  if (touched * 2 > grid_.CellCount()) return false;
  grid_.BeginLookup();
  grid_found_.clear();
  for (const RECT& area : dirty_) {
    if (!grid_.Collect(area, &grid_found_)) return false;
  }
  // The objects lie scattered over the heap: ask for all of them before reading the first.
  for (GridEntry* entry : grid_found_) {
    const char* object = reinterpret_cast<const char*>(static_cast<SceneNode*>(entry)->object);
    __builtin_prefetch(object);
    __builtin_prefetch(object + 64);
    __builtin_prefetch(object + 128);
  }
  ObjectGeometry g;
  for (GridEntry* entry : grid_found_) {
    auto* node = static_cast<SceneNode*>(entry);
    EngineObject* object = node->object;
    ImageHandle* image = object->GetDrawImage();
    if (image == nullptr) continue;
    // An unturned object came back only because its box meets an area; others are tested.
    if (entry->kind != Reach::kBox) {
      object->GetGeometry(&g);
      if (std::none_of(dirty_.begin(), dirty_.end(), [&](const RECT& area) { return GeometryIntersectsRect(area, g); }))
        continue;
    }
    drawn_.push_back(Drawn{DrawOrderKey(node), image, object});
  }
  std::sort(drawn_.begin(), drawn_.end(), [](const Drawn& a, const Drawn& b) { return a.order < b.order; });
  return true;
}

void ObjectModule::FramePass() {
  if (dirty_.empty()) return;
  GameCore* core = GetCore();
  if (core != nullptr && core->IsMainWindowIconic()) return;
  if (!item_pool_ || core == nullptr || core->FindModule(module_id::kPaint) == nullptr) {
    // Nobody would take the batch (and free it): nothing to paint into.
    dirty_.clear();
    return;
  }
  PaintBatch* batch = nullptr;
  {
    platform::CriticalSectionLock lock(module_lock_);
    TakePlaceNotes();  // notes wait while nothing is painted: each object is noted once
    batch = new PaintBatch;
    batch->view_centre_x = static_cast<uint32_t>(view_centre_x_);
    batch->view_centre_y = static_cast<uint32_t>(view_centre_y_);
    batch->item_pool = item_pool_.get();
    const int32_t width = view_.right - view_.left;
    const int32_t height = view_.bottom - view_.top;
    if (full_redraw_ == 0) {
      batch->rect_count = static_cast<uint32_t>(dirty_.size());
      batch->rects = new RECT[dirty_.size()];
      for (size_t i = 0; i < dirty_.size(); ++i) {
        RECT r = dirty_[i];
        platform::OffsetRect(&r, -view_.left, -view_.top);
        batch->rects[i] = r;
      }
    } else {
      batch->rect_count = 1;
      batch->rects = new RECT[1]{RECT{0, 0, width, height}};
    }
    DrawItem* last = nullptr;
    // Appends one item; false when the pool is out of memory (what fits is painted).
    auto append = [&](ImageHandle* image, const ObjectGeometry& g) {
      auto* item = static_cast<DrawItem*>(item_pool_->Alloc(sizeof(DrawItem)));
      if (item == nullptr) return false;
      new (item) DrawItem{g, image, nullptr};
      item->geometry.x -= view_.left;
      item->geometry.y -= view_.top;
      if (last == nullptr) {
        batch->first_item = item;
      } else {
        last->next = item;
      }
      last = item;
      return true;
    };
    if (full_redraw_ == 0 && FindDrawnByGrid()) {
      ObjectGeometry g;
      for (const Drawn& d : drawn_) {
        d.object->GetGeometry(&g);
        if (!append(d.image, g)) break;
      }
    } else {
      ObjectGeometry g;
      for (SceneNode* node : draw_list_) {
        EngineObject* object = node->object;
        ImageHandle* image = object->GetDrawImage();
        if (image == nullptr) continue;
        object->GetGeometry(&g);
        if (full_redraw_ == 0) {
          const bool meets = std::any_of(dirty_.begin(), dirty_.end(),
                                         [&](const RECT& area) { return GeometryIntersectsRect(area, g); });
          if (!meets) continue;
        }
        if (!append(image, g)) break;
      }
    }
    drawn_.clear();
    dirty_.clear();
  }
  core->SendEvent(module_id::kPaint, paint_event::kRenderBatch, reinterpret_cast<uintptr_t>(batch), 0);
}

void ObjectModule::RebuildDrawList() {
  platform::CriticalSectionLock lock(module_lock_);
  draw_list_.clear();
  grid_.Reset(view_);
  for (auto& [key, node] : registry_) {
    node->in_draw_list = 0;
    node->object->GetGeometry(&node->snapshot);
    const RECT bounds = GetBoundingRect(node->snapshot);
    if (IsDrawable(node->snapshot, bounds)) {
      InsertDrawOrder(node.get());
      AddDirtyArea(bounds);
    }
  }
}

}  // namespace engine
