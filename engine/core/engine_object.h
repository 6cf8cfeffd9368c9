// The root of every on-screen object: geometry, behaviour flags, a key in the scene, linked
// children that follow chosen operations of their parent, and subscriptions that turn engine
// events into messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/object_geometry.h"
#include "engine/core/object_message.h"
#include "platform/win_types.h"

namespace engine {

class EngineObject;
class GameCore;
class ImageHandle;
class ObjectModule;

// Link flags: which of the parent's operations a linked child follows.
namespace link_flag {
inline constexpr uint32_t kOwned = 0x1;
inline constexpr uint32_t kRotate = 0x2;
inline constexpr uint32_t kAlpha = 0x8;
inline constexpr uint32_t kTakesInput = 0x10;
inline constexpr uint32_t kInvalidate = 0x20;
inline constexpr uint32_t kScale = 0x40;
inline constexpr uint32_t kSize = 0x80;
inline constexpr uint32_t kHideWithParent = 0x1000;
inline constexpr uint32_t kHiddenByParent = 0x2000;
inline constexpr uint32_t kLimitRect = 0x4000;
inline constexpr uint32_t kDepth = 0x8000;
inline constexpr uint32_t kMove = 0x10000;
inline constexpr uint32_t kForward = 0x20000;
inline constexpr uint32_t kSubscriptions = 0x40000;
inline constexpr uint32_t kAlwaysShow = 0x80000;
inline constexpr uint32_t kAlwaysHide = 0x100000;
// A skin or a part that follows everything its parent does but its subscriptions and input.
inline constexpr uint32_t kFollowAll = kOwned | kRotate | kAlpha | kInvalidate | kScale | kSize | kLimitRect | kDepth |
                                       kMove | kForward | kAlwaysShow | kAlwaysHide;
static_assert(kFollowAll == 0x1BC0EB);
// Everything but size and scale: a skin that keeps its own size while its widget resizes.
inline constexpr uint32_t kFollowAllButSize = kFollowAll & ~(kScale | kSize);
static_assert(kFollowAllButSize == 0x1BC02B);
// A part of a panel or a box: it follows the body's moves, depth, alpha, showing, hiding and
// removal, but keeps its own size, turn and clip when the body changes them.
inline constexpr uint32_t kFollowAsPart = kOwned | kAlpha | kInvalidate | kDepth | kMove | kAlwaysShow | kAlwaysHide;
static_assert(kFollowAsPart == 0x198029);
// The same without the body's alpha.
inline constexpr uint32_t kFollowAsPartButAlpha = kFollowAsPart & ~kAlpha;
static_assert(kFollowAsPartButAlpha == 0x198021);
// Everything but scale: a part that keeps its proportions when its parent is scaled.
inline constexpr uint32_t kFollowAllButScale = kFollowAll & ~kScale;
static_assert(kFollowAllButScale == 0x1BC0AB);
// The parent's place: moves, turns, depth, size, showing and hiding; the child stays in the scene
// when the parent leaves it.
inline constexpr uint32_t kFollowPlace = kRotate | kInvalidate | kSize | kDepth | kMove | kAlwaysShow | kAlwaysHide;
static_assert(kFollowPlace == 0x1980A2);
// Showing and hiding only; the owned set also leaves the scene with the parent.
inline constexpr uint32_t kShowWithParent = kInvalidate | kAlwaysShow | kAlwaysHide;
static_assert(kShowWithParent == 0x180020);
inline constexpr uint32_t kOwnedShowWithParent = kOwned | kShowWithParent;
static_assert(kOwnedShowWithParent == 0x180021);
}  // namespace link_flag

// Kinds answered by GetKind.
namespace object_kind {
inline constexpr int kEngineObject = 1;
inline constexpr int kSprite = 2;
inline constexpr int kCanvas = 3;
inline constexpr int kWidget = 4;
}  // namespace object_kind

inline constexpr double kMaxDepth = 999989.0;
inline constexpr uint32_t kMaxLayer = 1000000;
inline constexpr uint32_t kTopLayer = 1000100;

struct ChildLink {
  EngineObject* child = nullptr;
  uint32_t link_flags = 0;
};

struct SubscriptionNode {
  uint32_t event = 0;
  ObjectMessage message;
};

class EngineObject {
 public:
  EngineObject();
  EngineObject(const EngineObject&) = delete;
  EngineObject& operator=(const EngineObject&) = delete;

  // Slots in table order.
  virtual ~EngineObject();                                                         // 0
  virtual void Init(GameCore* core, uint32_t key);                                 // 1
  virtual void AddToScene(EngineObject* object);                                   // 2
  virtual void OnAddedToScene() {}                                                 // 3
  virtual int GetKind() const { return object_kind::kEngineObject; }               // 4
  virtual void MoveTo(double x, double y);                                         // 5
  virtual void MoveBy(double dx, double dy);                                       // 6
  virtual void SetSize(double w, double h);                                        // 7
  virtual void SetDepth(double z);                                                 // 8
  virtual void MoveDepth(double dz);                                               // 9
  virtual void BringToFront();                                                     // 10
  virtual void Show();                                                             // 11
  virtual void Hide();                                                             // 12
  virtual void SetAlpha(double a);                                                 // 13
  virtual void SetAngle(double a);                                                 // 14
  virtual void Rotate(double da);                                                  // 15
  virtual void RotateAbout(double cx, double cy, double da);                       // 16
  virtual void Scale(double sx, double sy);                                        // 17
  virtual void Resize(double w, double h);                                         // 18
  virtual void SetLimitRect(const RECT& rect);                                     // 19
  virtual void SetDrawn(bool drawn);                                               // 20
  virtual void SetGeometry(const ObjectGeometry* geometry);                        // 21
  virtual void SetParent(EngineObject* parent);                                    // 22
  virtual int AddChild(EngineObject* child, uint32_t link_flags);                  // 23
  virtual uint32_t GetChildLinkFlags(uint32_t key) const;                          // 24
  virtual void SetChildLinkFlags(uint32_t key, uint32_t link_flags);               // 25
  virtual void RemoveChild(uint32_t key);                                          // 26
  virtual int HasChild(uint32_t key) const;                                        // 27
  virtual int ContainsKey(uint32_t key) const;                                     // 28
  virtual void RemoveAllChildren();                                                // 29
  virtual void ClearLinkOwner() { link_owner_ = nullptr; }                         // 30
  virtual void SetLinkOwner(EngineObject* owner);                                  // 31
  virtual void ForwardToLinked(const ObjectMessage* message);                      // 32
  virtual void SetName(const char* name);                                          // 33
  virtual void SetTakesInput(bool takes);                                          // 34
  virtual void SetDraggable(bool draggable);                                       // 35
  virtual void SetFocusable(bool focusable);                                       // 36
  virtual void SetFlags(uint32_t flags) { geometry_.flags = flags; }               // 37
  virtual void AddFlags(uint32_t flags) { geometry_.flags |= flags; }              // 38
  virtual void ClearFlags(uint32_t flags) { geometry_.flags &= ~flags; }           // 39
  virtual void SetLayer(uint32_t layer);                                           // 40
  virtual void MoveToTopLayer();                                                   // 41
  virtual void Invalidate();                                                       // 42
  virtual int OnMessage(const ObjectMessage* message);                             // 43
  virtual EngineObject* GetParent() const { return parent_; }                      // 44
  virtual ObjectGeometry* GetGeometry(ObjectGeometry* out) const;                  // 45
  virtual uint32_t GetKey() const { return key_; }                                 // 46
  virtual EngineObject* GetLinkOwner() const { return link_owner_; }               // 47
  virtual uint32_t QueryReserved(uint32_t) const { return 0; }                     // 48
  virtual int HitTest(int x, int y);                                               // 49
  virtual uint32_t IsVisible() const { return geometry_.visible; }                 // 50
  virtual int IsDrawn() const;                                                     // 51
  virtual int TakesInput() const;                                                  // 52
  virtual int IsPickExcluded() const;                                              // 53
  virtual int HasFocusWithin() const;                                              // 54
  virtual int IsFocusable() const;                                                 // 55
  virtual double GetX() const { return geometry_.x; }                              // 56
  virtual double GetY() const { return geometry_.y; }                              // 57
  virtual double GetDepth() const { return geometry_.depth; }                      // 58
  virtual double GetDrawDepth() const { return geometry_.depth + 1e-7; }           // 59
  virtual double GetWidth() const { return geometry_.width; }                      // 60
  virtual double GetHeight() const { return geometry_.height; }                    // 61
  virtual double GetAlpha() const { return geometry_.alpha; }                      // 62
  virtual double GetAngle() const { return geometry_.angle; }                      // 63
  virtual RECT* GetLimitRect(RECT* out) const;                                     // 64
  virtual uint32_t GetFlags() const { return geometry_.flags; }                    // 65
  virtual uint32_t GetLayer() const { return geometry_.layer; }                    // 66
  virtual double GetLeft() const { return geometry_.x - geometry_.width / 2; }     // 67
  virtual double GetRight() const { return geometry_.x + geometry_.width / 2; }    // 68
  virtual double GetTop() const { return geometry_.y - geometry_.height / 2; }     // 69
  virtual double GetBottom() const { return geometry_.y + geometry_.height / 2; }  // 70
  virtual ImageHandle* GetDrawImage() { return nullptr; }                          // 71
  virtual void OnChildAdopted(EngineObject*) {}                                    // 72

  // 1 when the object is in a scene (it has its module and a key).
  int IsRegistered() const { return module_ != nullptr && key_ != 0; }
  GameCore* GetCore() const { return core_; }
  ObjectModule* GetObjectModule() const { return module_; }
  const char* GetName() const { return name_.empty() ? nullptr : name_.c_str(); }

  // Delivers at once; the receiver's OnMessage result (0 when nothing received it).
  uint32_t SendMessage(const ObjectMessage* message);
  // Delivers in the object module's next tick.
  void PostMessage(const ObjectMessage* message);

  void Subscribe(uint32_t event, const ObjectMessage* message);
  void SubscribeSelf(uint32_t event);
  void SubscribeMessage(uint32_t event, uint32_t target, uint32_t id, uintptr_t p1, uintptr_t p2);
  void Unsubscribe(uint32_t event);
  const ObjectMessage* FindSubscription(uint32_t event) const;
  const ObjectMessage* NextSubscription(uint32_t event, int* cursor) const;
  size_t SubscriptionCount() const { return subscriptions_.size(); }

  // The frame lock of the object's core (code outside the frame that changes the scene).
  void EnterCoreLock();
  void LeaveCoreLock();

  const std::vector<ChildLink>& ChildLinks() const { return children_; }

  // Leaves the link owner's list and lets go of every child (owned children leave the scene).
  // The object module calls it when it takes the object out of the scene; the destructor again.
  void ReleaseLinks();

 protected:
  // Writable geometry for subclasses; the scene is told that the object may have moved.
  ObjectGeometry& geometry() {
    NotePlaceChanged();
    return geometry_;
  }
  const ObjectGeometry& geometry() const { return geometry_; }
  // Tells the scene that the place, size or angle changed (an override of GetGeometry whose answer
  // moves calls it), so that dirty areas find the object where it is now.
  void NotePlaceChanged();

 private:
  // Calls fn on every child whose link has any of the mask's bits, in list order. It walks a copy
  // of the list and skips children that left it meanwhile, since fn may change the list.
  template <class Fn>
  void ForEachLinked(uint32_t mask, Fn&& fn);
  bool IsLinked(const EngineObject* child) const;
  void RemoveChildLink(const EngineObject* child);
  int PixelHitTest(int fx, int fy);

  GameCore* core_ = nullptr;
  ObjectModule* module_ = nullptr;
  ObjectGeometry geometry_;
  uint32_t key_ = 0;
  EngineObject* link_owner_ = nullptr;
  EngineObject* parent_ = nullptr;
  std::vector<ChildLink> children_;
  std::vector<SubscriptionNode> subscriptions_;
  std::string name_;
  RECT saved_clip_{};
  bool clip_held_ = false;    // pressed with the cursor clipped to the limit rect
  bool place_noted_ = false;  // the scene holds a note of a change of place not yet taken

  friend class ObjectModule;  // takes the notes back
};

// Moves the object (MoveBy, so that what follows it comes along) as little as it takes to stand
// wholly inside area; on an axis where it is larger than the area it is centred. True when it
// moved (it is then invalidated).
bool KeepInside(EngineObject* object, const RECT& area);

}  // namespace engine
