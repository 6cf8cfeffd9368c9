// The engine's service interface to game code. Every on-screen class of the game derives from
// ObjectServices (through WidgetBase or the root scene object), and calls these operations on
// itself to reach the five modules of its core: scene objects, settings, resources, pictures,
// sounds, input routing, timed actions and the engine's own overlays.
//
// Every module is looked up by id through the object's core on each call; nothing is cached, and
// a request to a module that is not loaded does nothing (and answers 0 or null).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/core_settings.h"
#include "engine/core/engine_object.h"
#include "engine/core/image_handle.h"
#include "engine/core/object_message.h"
#include "engine/core/timed_action.h"
#include "platform/cursor.h"
#include "platform/win_types.h"

namespace engine {

class CanvasObject;
class EngineModule;
class MessageBoxWidget;
class InputModule;
class MusicModule;
class ObjectModule;
class PaintModule;
class ResourceModule;
class SpriteObject;
struct InputSnapshot;

using platform::HCURSOR;

// The function a QueueCall action runs, with the address of its copied data.
using ActionCallFn = void (*)(void* data);

// Plays a sound on the core's music module; nothing when none is loaded (no sound library).
uint32_t PlaySoundOnCore(GameCore* core, const char* name, uint32_t count, const ObjectMessage* notify);

class ObjectServices : public EngineObject {
 public:
  static constexpr uint32_t kMinActionInterval = 30;
  // Bytes of data a QueueCall action carries at most.
  static constexpr uint32_t kMaxCallData = 60;
  // Longest sound name QueuePlaySound takes, terminator excluded.
  static constexpr size_t kMaxSoundName = 31;
  // Where the message box stands among the scene's depths.
  static constexpr double kMessageBoxDepth = 100000.0;

  ObjectServices() = default;
  ~ObjectServices() override = default;

  // Modules of the object's core (null when not loaded, or when the object has no core).
  virtual ObjectModule* GetObjectModule();      // 73
  virtual PaintModule* GetPaintModule();        // 74
  virtual ResourceModule* GetResourceModule();  // 75
  virtual MusicModule* GetMusicModule();        // 76
  virtual InputModule* GetInputModule();        // 77

  // The engine's overlays (system_overlays.cpp).
  // The message box: the text in the box's skin, its buttons and countdown, fading in over the
  // middle of the screen at kMessageBoxDepth.
  virtual void ShowMessageBox(const char* text, const ObjectMessage* ok, const ObjectMessage* cancel,
                              int32_t countdown_seconds);           // 78
  virtual void ShowSystemDetails();                                 // 79
  virtual void ShowSystemNote(bool show);                           // 80
  virtual void ShowSystemBoard(const char* text, int32_t seconds);  // 81
  virtual void SendSettingsMessage(uintptr_t p1, uintptr_t p2);     // 82
  virtual void HideSystemBoard();                                   // 83
  virtual CanvasObject* GetSystemBoard();                           // 84

  virtual int32_t GetScreenWidth();                         // 85
  virtual int32_t GetScreenHeight();                        // 86
  virtual RECT* GetViewRect(RECT* out);                     // 87
  virtual uint32_t GetElapsedMs();                          // 88
  virtual void SetIntSetting(uint32_t key, int32_t value);  // 89
  // -1 for a key never set; -2 without a core.
  virtual int32_t GetIntSetting(uint32_t key);                    // 90
  virtual void SetStringSetting(uint32_t key, const char* text);  // 91
  virtual const char* GetStringSetting(uint32_t key);             // 92

  // Resources and pictures.
  virtual uint32_t RegisterResourceFile(const char* path, const char* name);  // 93
  virtual bool RegisterResourceFolder(const char* folder);                    // 94
  virtual bool OpenResourcePackage(const char* path);                         // 95
  // size bounds every read of the image; 0 when the caller does not know it (the image's own
  // table is then trusted, so pass it whenever the image did not come from this program).
  virtual bool OpenResourcePackageImage(const void* image, size_t size = 0);  // 96
  virtual PictureInfo GetPictureInfo(const char* name, int32_t frame);        // 97
  virtual void ReleasePicture(const char* name, bool release_resource);       // 98
  // Writes the picture as a .pps file; false when the picture is missing or the write failed.
  virtual bool SavePicture(const char* name, const char* path);  // 99
  virtual const uint8_t* GetResourceData(const char* name);      // 100
  virtual void DrawPictureAt(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height,
                             double angle);  // 101
  virtual void FillScreen(COLORREF colour);  // 102
  virtual void RedrawAll();                  // 103

  // Input routing.
  virtual void SubscribeListener(uint32_t event, const ObjectMessage* message);  // 104
  virtual void UnsubscribeListener(uint32_t event);                              // 105
  virtual void SetListener(uint32_t key);                                        // 106
  virtual void SetModalObject(uint32_t key);                                     // 107
  virtual void RefreshHover();                                                   // 108

  // Scene objects, made with this object as their owner.
  virtual EngineObject* CreateObject();                                             // 109
  virtual SpriteObject* CreateSprite(const PictureInfo* info);                      // 110
  virtual CanvasObject* CreateCanvas(int32_t width, int32_t height, COLORREF key);  // 111
  // A soft drop shadow of the sprite, as a canvas linked to it; null when it cannot be made.
  virtual CanvasObject* MakeShadow(SpriteObject* sprite);    // 112
  virtual EngineObject* FindObjectByName(const char* name);  // 113
  virtual EngineObject* FindObjectByKey(uint32_t key);       // 114
  // Deferred: hidden now, removed by a queued action in the order of the action list.
  virtual void DeleteObject(EngineObject* object, bool deferred);  // 115

  // Sounds.
  virtual uint32_t PlaySound(const char* name, uint32_t count, const ObjectMessage* notify);  // 116
  virtual uint32_t StopSound(uint32_t channel);                                               // 117
  virtual uint32_t ResumeSound(uint32_t channel, uint32_t restart);                           // 118
  virtual uint32_t PauseSound(uint32_t channel);                                              // 119
  virtual void UnloadSound(const char* name);                                                 // 120
  virtual void StopAllSounds();                                                               // 121
  virtual void SetSoundOff(bool off);                                                         // 122

  // Action groups and cancellation (taken by the object module in its next turn).
  virtual ActionGroup* BeginGroup();               // 123
  virtual ActionGroup* NextGroup();                // 124
  virtual void EndGroup();                         // 125
  virtual void CancelGroup(ActionGroup* group);    // 126
  virtual void CancelObjectActions(uint32_t key);  // 127
  virtual void CancelAction(uint64_t id);          // 128

  // Cursor and input state.
  virtual void SetCursorHandle(HCURSOR cursor);                                       // 129
  virtual void SetCursorFile(const char* path);                                       // 130
  virtual void SetCursorVisible(bool visible);                                        // 131
  virtual void SubscribeInputListener(uint32_t event, const ObjectMessage* message);  // 132
  virtual void UnsubscribeInputListener(uint32_t event);                              // 133
  virtual void SetFocusObject(uint32_t key);                                          // 134
  virtual void SetInputListener(uint32_t key);                                        // 135
  virtual InputSnapshot* GetInputSnapshot(InputSnapshot* out);                        // 136
  virtual uint32_t GetMinActionInterval() { return kMinActionInterval; }              // 137

  // Timed-action builders (action_builders.cpp). Each queues one action for the object module's
  // next turn and returns its id, or 0 when it refused (nothing is queued then). `done` is the
  // message delivered when the action completes by itself; null for none.
  virtual uint64_t PulseAlpha(EngineObject* object, double step, uint32_t count, uint32_t interval, double upper,
                              double lower, const ObjectMessage* done);  // 138
  virtual uint64_t RotateTo(EngineObject* object, double step, double target, uint32_t interval,
                            const ObjectMessage* done);  // 139
  virtual uint64_t FadeTo(EngineObject* object, double step, double target, uint32_t interval,
                          const ObjectMessage* done);                                      // 140
  virtual uint64_t QueueShow(EngineObject* object, bool show, const ObjectMessage* done);  // 141
  virtual uint64_t GlideTo(EngineObject* object, int32_t x, int32_t y, double speed, double acceleration,
                           double maximum, const ObjectMessage* done);                           // 142
  virtual uint64_t Delay(uint32_t ms, const ObjectMessage* done);                                // 143
  virtual uint64_t DelayByClock(uint32_t ms, const ObjectMessage* done);                         // 144
  virtual uint64_t RepeatMessage(uint32_t period, int32_t count, const ObjectMessage* message);  // 145
  virtual uint64_t AnimateSprite(SpriteObject* sprite, uint32_t mode, uint32_t value, uint32_t start_frame,
                                 uint32_t interval, const ObjectMessage* done);                    // 146
  virtual uint64_t QueuePlaySound(const char* name, uint32_t count, const ObjectMessage* notify);  // 147
  virtual uint64_t QueueDelete(EngineObject* object, const ObjectMessage* done);                   // 148
  virtual uint64_t ResizeTo(EngineObject* object, int32_t width, int32_t height, int32_t target_width,
                            int32_t target_height, uint32_t width_step, uint32_t height_step,
                            const ObjectMessage* done);  // 149
  virtual uint64_t FlipSprite(SpriteObject* sprite, int32_t step, int32_t end_angle, const PictureInfo* other,
                              uint32_t interval, const ObjectMessage* done);           // 150
  virtual uint64_t QueueCall(ActionCallFn function, const void* data, uint32_t size);  // 151

  // The message box of ShowMessageBox, built in this object's scene (its text drawn, its buttons
  // and countdown placed) but neither placed, raised nor shown; null when it cannot be made.
  MessageBoxWidget* BuildTextBox(const char* text, const ObjectMessage* ok, const ObjectMessage* cancel,
                                 int32_t countdown_seconds);

 protected:
  EngineModule* FindModule(uint32_t id) const;
  // Lets the resource module drop the bytes of one resource (nothing without the module).
  void ReleaseResource(const NameKey& key);
  // Fills a fresh action record and posts it to the object module; the action's id, or 0 when
  // no record could be had. params_size bytes of params are copied into the record.
  uint64_t PostAction(EngineObject* object, uint32_t interval, ActionStepFn step, const void* params,
                      size_t params_size, const ObjectMessage* done);
  // A Delay whose record names object, so that cancelling the object's actions (or removing the
  // object) stops it as well.
  uint64_t DelayFor(EngineObject* object, uint32_t ms, const ObjectMessage* done);
  uint32_t RaisedInterval(uint32_t interval) {
    return interval < GetMinActionInterval() ? GetMinActionInterval() : interval;
  }
};

}  // namespace engine
