// The scene manager (module 1002): owns every object added to the scene, gives each a key, finds
// objects by key or name, delivers object messages at once or on its next tick, keeps the drawable
// objects in draw order, turns changes into dirty areas and, once per tick, hands the paint module
// one paint batch. It also runs the timed actions and action groups.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/core/engine_module.h"
#include "engine/core/object_geometry.h"
#include "engine/core/object_message.h"
#include "engine/core/paint_batch.h"
#include "engine/core/scene_grid.h"
#include "engine/core/timed_action.h"
#include "platform/critical_section.h"
#include "platform/win_types.h"

namespace engine {

class EngineObject;
class FontRenderer;
class ImageHandle;
class MemoryPool;
struct PictureInfo;

// The module's event codes.
namespace object_event {
// p1: the object itself or its key. A pointer to an object no longer in the scene is ignored, so
// a second removal request for the same object is harmless.
inline constexpr uint32_t kRemoveObject = 1015;
inline constexpr uint32_t kPooledMessage = 1016;  // p1: ObjectMessage in the module's message pool
inline constexpr uint32_t kSendMessage = 1017;    // p1: ObjectMessage, delivered at once
inline constexpr uint32_t kPostMessage = 1018;    // p1: ObjectMessage, copied and delivered next tick
inline constexpr uint32_t kHeapMessage = 1019;    // p1: new-allocated ObjectMessage; p2: release function or 0
inline constexpr uint32_t kInputMessage = 1020;   // p1: ObjectMessage owned by the input module
inline constexpr uint32_t kObjectChanged = 1021;  // p1: EngineObject* (ignored unless in the scene)
inline constexpr uint32_t kNothing = 1022;
inline constexpr uint32_t kQueueAction = 1023;  // p1: ActionRecord*
inline constexpr uint32_t kBeginGroup = 1024;   // p1: fresh ActionGroup*
inline constexpr uint32_t kNextGroup = 1025;    // p1: fresh ActionGroup*
inline constexpr uint32_t kEndGroup = 1026;
inline constexpr uint32_t kCancelAction = 1027;  // p1: action id
inline constexpr uint32_t kCancelGroup = 1028;   // p1: group id (ActionGroup::id), or the live record
inline constexpr uint32_t kCancelObject = 1029;  // p1: object key
inline constexpr uint32_t kRedrawAll = 1030;
}  // namespace object_event

// Release function of object_event::kHeapMessage: called with (0, message, 0).
using MessageReleaseFn = void (*)(uintptr_t, ObjectMessage*, uintptr_t);

class ObjectModule : public EngineModule {
 public:
  static constexpr uint32_t kCellsPerBlock = 64;
  // Above this many separate dirty areas the whole view is repainted instead.
  static constexpr size_t kMaxDirtyAreas = 64;
  static constexpr double kInitialPickFloor = -9999999.99999;

  ObjectModule();
  ~ObjectModule() override;

  int Init() override;
  void Exit() override;
  void Tick() override;
  uint32_t GetId() const override { return module_id::kObject; }
  const char* GetName() const override { return "ObjectModule"; }
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;
  uint32_t QueueLimit() const override { return 0x100000; }

  virtual void AddObject(EngineObject* object, EngineObject* owner);                 // 9
  virtual EngineObject* CreateObject(EngineObject* owner);                           // 10
  virtual EngineObject* CreateSprite(const PictureInfo* info, EngineObject* owner);  // 11
  virtual EngineObject* CreateCanvas(int32_t width, int32_t height, COLORREF key,
                                     EngineObject* owner);  // 12
  virtual void RemoveObject(uint32_t key);                  // 13
  // x, y in client (view) coordinates.
  virtual EngineObject* PickObject(int32_t x, int32_t y);             // 14
  virtual uint32_t FindFocusableKey(uint32_t key);                    // 15
  virtual EngineObject* FindObjectByName(const char* name);           // 16
  virtual EngineObject* FindObjectByKey(uint32_t key);                // 17
  virtual void SetViewSize(uint32_t width, uint32_t height);          // 18
  virtual void SetViewCentre(int32_t x, int32_t y);                   // 19
  virtual void RedrawAll();                                           // 20
  virtual double GetTopDepth(uint32_t layer);                         // 21
  virtual int32_t GetDrawIndex(uint32_t key);                         // 22
  virtual int IsDrawOrderValid();                                     // 23
  virtual void SetPickFloor(double floor) { pick_floor_ = floor; }    // 24
  virtual void SetFullRedraw(uint32_t full) { full_redraw_ = full; }  // 25
  virtual ActionRecord* NewActionRecord();                            // 26
  virtual ActionGroup* NewGroupRecord();                              // 27
  virtual void ObjectChanged(EngineObject* object);                   // 28
  virtual int DeliverMessage(const ObjectMessage* message);           // 29
  virtual int PostMessage(const ObjectMessage* message);              // 30

  uint32_t GetObjectCount() const { return static_cast<uint32_t>(registry_.size()); }
  uint32_t CountActions() const;
  RECT* GetViewRect(RECT* out) const;
  POINT GetViewCentre() const { return POINT{view_centre_x_, view_centre_y_}; }
  // Client (view) coordinates and scene coordinates are one translation apart (the view's left and
  // top); these two are exact inverses, so the object drawn at a client pixel is the object picked
  // there. Input code turns a client point into its scene point with ClientToScene and picks with
  // PickObject(client point) or PickSceneObject(scene point).
  POINT ClientToScene(POINT client) const;
  POINT SceneToClient(POINT scene) const;
  // Topmost input-taking object at a scene point.
  EngineObject* PickSceneObject(int32_t x, int32_t y);

  // The bounding rectangle of a geometry, clipped to its limit rectangle when that is in force.
  static RECT GetBoundingRect(const ObjectGeometry& geometry);
  void AddDirtyArea(const RECT& r);
  const std::vector<RECT>& DirtyAreas() const { return dirty_; }
  // Told by an object whose place, size or angle changed, whether or not it invalidates: the
  // frame finds the objects that meet its dirty areas where they are now. False when the object
  // is not in this scene (nothing was noted).
  bool NotePlaceChanged(const EngineObject* object);
  // Builds and sends one paint batch of the dirty areas (the drawing step of every tick).
  void FramePass();
  void RebuildDrawList();
  size_t DrawListSize() const { return draw_list_.size(); }
  // Keys of the draw list, bottom first.
  std::vector<uint32_t> DrawOrderKeys() const;

  // The text renderer handed to every canvas made here: the module's own, made with it, so that
  // a module built anywhere draws and measures text. A test may hand in another one (null goes
  // back to the module's own); it must outlive the canvases made while it is set.
  void SetFontRenderer(FontRenderer* renderer);
  FontRenderer* GetFontRenderer() const { return font_renderer_; }

  // Timed actions.
  void QueueAction(ActionRecord* action);
  void BeginGroup(ActionGroup* group);
  void NextGroup(ActionGroup* group);
  void EndGroup();
  void CancelAction(uint64_t id);
  void CancelGroup(uint64_t id);
  void CancelObjectActions(uint32_t key);
  void RunActions();
  ActionGroup* CurrentGroup() const { return current_group_; }
  size_t LiveGroupCount() const { return live_groups_.size(); }

 private:
  struct SceneNode;
  struct DrawOrderLess {
    bool operator()(const SceneNode* a, const SceneNode* b) const;
  };
  using DrawList = std::set<SceneNode*, DrawOrderLess>;
  // A node is filed in the scene grid while it is in the draw list.
  struct SceneNode : GridEntry {
    EngineObject* object = nullptr;  // owned
    uint32_t key = 0;
    ObjectGeometry snapshot;
    uint32_t in_draw_list = 0;
    DrawList::iterator draw_pos;
    std::list<SceneNode*>::iterator scene_pos;
  };

  // Raised while the module delivers messages or ticks: objects removed meanwhile are destroyed
  // only when the outermost of these ends, never under their own running code.
  class BusyScope {
   public:
    explicit BusyScope(ObjectModule* module);
    ~BusyScope();

   private:
    ObjectModule* module_;
  };

  bool IsDrawable(const ObjectGeometry& g, const RECT& bounds) const;
  void InsertDrawOrder(SceneNode* node);
  void RemoveFromDrawList(SceneNode* node);
  // Files again, where they are now, the objects that noted a change of place since the last frame.
  void TakePlaceNotes();
  struct Drawn {
    unsigned __int128 order;  // DrawOrderKey of the node
    ImageHandle* image;
    EngineObject* object;  // its geometry is read once, into the batch's item
  };
  // The node's place in draw order (layer, then depth, then key) as one number.
  static unsigned __int128 DrawOrderKey(const SceneNode* node);
  // The drawable objects that meet a dirty area, in draw order, found through the scene grid,
  // into drawn_; false when the grid cannot answer for the areas (or walking
  // the list is cheaper).
  bool FindDrawnByGrid();
  uint32_t NextFreeKey();
  void DestroyLater(EngineObject* object);
  void FlushGraveyard();
  void DropPendingEvents();

  // Timed-action internals.
  bool IsReady(const ActionGroup* group) const;
  void FinishAction(ActionRecord* action, bool notify);
  void FinishGroup(ActionGroup* group);
  void ReleaseStep(ActionGroup* group);
  void CancelGroupRecord(ActionGroup* group);
  void FreeGroup(ActionGroup* group);
  void UnlinkChild(ActionGroup* parent, ActionGroup* child);
  void ReplaceChild(ActionGroup* parent, ActionGroup* old_child, ActionGroup* new_child);
  void ReportGroupError(const char* text);
  void DropAllActions();

  // First, so that it goes last: every canvas holds a pointer to it.
  std::unique_ptr<FontRenderer> own_renderer_;
  std::list<SceneNode*> scene_list_;
  uint32_t next_key_ = 0;
  std::map<uint32_t, std::unique_ptr<SceneNode>> registry_;
  // The registered objects by address: requests that name an object by pointer are checked here
  // before the pointer is followed.
  std::unordered_map<const EngineObject*, SceneNode*> live_objects_;
  DrawList draw_list_;
  SceneGrid grid_;
  std::vector<SceneNode*> place_notes_;  // objects that moved since the last frame
  std::vector<GridEntry*> grid_found_;
  std::vector<Drawn> drawn_;
  platform::CriticalSection module_lock_;
  std::unique_ptr<MemoryPool> message_pool_;
  std::unique_ptr<MemoryPool> item_pool_;
  std::unique_ptr<MemoryPool> group_pool_;
  std::unique_ptr<MemoryPool> action_pool_;
  int32_t view_centre_x_ = 0;
  int32_t view_centre_y_ = 0;
  RECT view_{};
  std::vector<RECT> dirty_;
  FontRenderer* font_renderer_ = nullptr;
  uint32_t full_redraw_ = 0;
  uint64_t action_counter_ = 0;
  ActionGroup* current_group_ = nullptr;
  ActionRecord* first_action_ = nullptr;
  ActionRecord* last_action_ = nullptr;
  // Group records by id; an id whose step finished names the step that followed it, so a sequence
  // can be cancelled by the id its first step was given.
  std::unordered_map<uint64_t, ActionGroup*> live_groups_;
  double pick_floor_ = kInitialPickFloor;
  int busy_ = 0;
  std::vector<EngineObject*> graveyard_;
};

}  // namespace engine
