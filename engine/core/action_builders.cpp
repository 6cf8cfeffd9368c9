// The timed-action builders: each fills one action record with its object, interval, parameters
// and step function, and posts it to the object module. The step functions below run in the object
// module's action pass with the ms elapsed since the action's first run; they answer 1 when done.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"

namespace engine {
namespace {

template <class P>
P& Params(void* block) {
  static_assert(sizeof(P) <= kActionParamBytes && std::is_trivially_copyable_v<P>);
  return *static_cast<P*>(block);
}

// Truncation toward zero, as an integer, for the "within one step" tests.
int64_t TruncToInt(double v) { return static_cast<int64_t>(std::trunc(v)); }

struct PulseParams {
  double step;
  double upper;
  double lower;
  uint32_t count;  // bounces off the upper bound still to go; 0 at the start: endless
};

int PulseStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  auto& p = Params<PulseParams>(block);
  double v = object->GetAlpha() + p.step;
  bool done = false;
  if (v <= p.lower) {
    v = p.lower;
    if (p.step < 0) p.step = -p.step;
  } else if (v > p.upper) {
    v = p.upper;
    if (p.step > 0) {
      p.step = -p.step;
      --p.count;  // from 0 it wraps: a pulse asked for with count 0 runs until cancelled
      done = p.count == 0;
    }
  }
  object->SetAlpha(v);
  object->Invalidate();
  return done ? 1 : 0;
}

struct RotateParams {
  double step;
  double target;
};

int RotateStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  const auto& p = Params<RotateParams>(block);
  object->Rotate(p.step);
  int done = 0;
  if (std::llabs(TruncToInt(object->GetAngle() - p.target)) < std::llabs(TruncToInt(p.step))) {
    object->SetAngle(p.target);
    done = 1;
  }
  object->Invalidate();
  return done;
}

struct FadeParams {
  double step;
  double target;
};

int FadeStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  const auto& p = Params<FadeParams>(block);
  const double a = object->GetAlpha();
  if ((p.step < 0 && a <= p.target) || (p.step > 0 && a >= p.target)) {
    object->SetAlpha(p.target);
    object->Invalidate();
    return 1;
  }
  double v = a + p.step;
  if (v < 0.0) v = 0.0;
  if (v > 1.0) v = 1.0;
  object->SetAlpha(v);
  object->Invalidate();
  return 0;
}

struct ShowParams {
  uint8_t show;
};

int ShowStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  if (Params<ShowParams>(block).show) {
    object->Show();
  } else {
    object->Hide();
  }
  object->Invalidate();
  return 1;
}

struct GlideParams {
  double speed;
  double acceleration;
  double maximum;
  double target_x;
  double target_y;
};

int GlideStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  auto& p = Params<GlideParams>(block);
  p.speed += p.acceleration;
  if (p.acceleration > 0 && p.speed > p.maximum) {
    p.speed = p.maximum;
  } else if (p.acceleration < 0 && p.speed < p.maximum) {
    p.speed = p.maximum;
  }
  const double x = object->GetX();
  const double y = object->GetY();
  const double tx = p.target_x;
  const double ty = p.target_y;
  const double v = p.speed;
  double nx = x;
  double ny = y;
  if (x == tx && y == ty) {
    // already there
  } else if (x == tx) {
    if (static_cast<double>(std::llabs(TruncToInt(y - ty))) <= v) {
      ny = ty;
    } else {
      ny = y <= ty ? y + v : y - v;
    }
  } else if (y == ty) {
    if (static_cast<double>(std::llabs(TruncToInt(x - tx))) <= v) {
      nx = tx;
    } else {
      nx = x <= tx ? x + v : x - v;
    }
  } else {
    const double d = static_cast<double>(TruncToInt(std::sqrt((x - tx) * (x - tx) + (y - ty) * (y - ty))));
    if (d > v) {
      nx = x + v * (tx - x) / d;
      ny = y + v * (ty - y) / d;
    } else {
      nx = tx;
      ny = ty;
    }
  }
  object->MoveTo(nx, ny);
  object->Invalidate();
  return nx == tx && ny == ty ? 1 : 0;
}

struct DelayParams {
  uint32_t ms;
};

int DelayStep(EngineObject*, void* block, GameCore*, uint32_t elapsed) {
  return elapsed >= Params<DelayParams>(block).ms ? 1 : 0;
}

struct ClockDelayParams {
  uint32_t start;
  uint32_t ms;
};

int ClockDelayStep(EngineObject*, void* block, GameCore* core, uint32_t) {
  const auto& p = Params<ClockDelayParams>(block);
  return core != nullptr && core->GetElapsedMs() - p.start > p.ms ? 1 : 0;
}

struct RepeatParams {
  uint32_t period;
  int32_t count;  // 0 or less: until cancelled
  uint32_t sent;
  ObjectMessage message;
};

int RepeatStep(EngineObject* object, void* block, GameCore*, uint32_t elapsed) {
  auto& p = Params<RepeatParams>(block);
  if (object == nullptr) return 0;
  // A late run makes up every delivery it missed.
  while (elapsed / p.period > p.sent && (static_cast<int64_t>(p.sent) < p.count || p.count <= 0)) {
    const ObjectMessage copy = p.message;
    object->OnMessage(&copy);
    ++p.sent;
  }
  return p.count > 0 && static_cast<int64_t>(p.sent) >= p.count ? 1 : 0;
}

struct SoundParams {
  char name[ObjectServices::kMaxSoundName + 1];
  uint32_t count;
  ObjectMessage notify;
};

int SoundStep(EngineObject*, void* block, GameCore* core, uint32_t) {
  auto& p = Params<SoundParams>(block);
  PlaySoundOnCore(core, p.name, p.count, &p.notify);
  return 1;
}

struct DeleteParams {
  uint32_t key;
};

int DeleteStep(EngineObject*, void* block, GameCore* core, uint32_t) {
  // The key, not the object, travels: two removals of one object (two deferred deletes, or a
  // deferred one and an immediate one) then find nothing the second time instead of a freed object.
  if (core != nullptr)
    core->PostEvent(module_id::kObject, object_event::kRemoveObject, Params<DeleteParams>(block).key, 0);
  return 1;
}

struct ResizeParams {
  int32_t width;
  int32_t height;
  int32_t target_width;
  int32_t target_height;
  uint32_t width_step;
  uint32_t height_step;
};

// One step of a side toward its target, never past it.
int32_t StepToward(int32_t value, int32_t target, uint32_t step) {
  const int64_t v = value;
  const int64_t t = target;
  if (v > t) return v - step > t ? static_cast<int32_t>(v - step) : target;
  return v + step < t ? static_cast<int32_t>(v + step) : target;
}

int ResizeStep(EngineObject* object, void* block, GameCore*, uint32_t) {
  auto& p = Params<ResizeParams>(block);
  if (object->GetWidth() != p.width || object->GetHeight() != p.height) {
    // First run: the object is snapped to the starting size.
    object->Resize(p.width, p.height);
  } else {
    p.width = StepToward(p.width, p.target_width, p.width_step);
    p.height = StepToward(p.height, p.target_height, p.height_step);
    object->Resize(p.width, p.height);
  }
  object->Invalidate();
  return p.width == p.target_width && p.height == p.target_height ? 1 : 0;
}

struct CallParams {
  ActionCallFn function;
  unsigned char data[ObjectServices::kMaxCallData];
};

int CallStep(EngineObject*, void* block, GameCore*, uint32_t) {
  auto& p = Params<CallParams>(block);
  p.function(p.data);
  return 1;
}

// Builders refuse a null object with a log line: their step functions work on it unchecked.
bool HasObject(const EngineObject* object, const char* builder) {
  if (object != nullptr) return true;
  WriteGameLog("%s: no object given", builder);
  return false;
}

}  // namespace

uint64_t ObjectServices::PulseAlpha(EngineObject* object, double step, uint32_t count, uint32_t interval, double upper,
                                    double lower, const ObjectMessage* done) {
  if (!HasObject(object, "PulseAlpha")) return 0;
  const PulseParams p{step, upper, lower, count};
  return PostAction(object, RaisedInterval(interval), &PulseStep, &p, sizeof p, done);
}

uint64_t ObjectServices::RotateTo(EngineObject* object, double step, double target, uint32_t interval,
                                  const ObjectMessage* done) {
  if (!HasObject(object, "RotateTo")) return 0;
  const RotateParams p{step, target};
  return PostAction(object, RaisedInterval(interval), &RotateStep, &p, sizeof p, done);
}

uint64_t ObjectServices::FadeTo(EngineObject* object, double step, double target, uint32_t interval,
                                const ObjectMessage* done) {
  if (!HasObject(object, "FadeTo")) return 0;
  const double a = object->GetAlpha();
  // A step away from the target, or no step at all, would never arrive.
  if ((a < target && step < 0) || (a > target && step > 0) || step == 0) return 0;
  const FadeParams p{step, target};
  return PostAction(object, RaisedInterval(interval), &FadeStep, &p, sizeof p, done);
}

uint64_t ObjectServices::QueueShow(EngineObject* object, bool show, const ObjectMessage* done) {
  if (!HasObject(object, "QueueShow")) return 0;
  const ShowParams p{static_cast<uint8_t>(show ? 1 : 0)};
  return PostAction(object, kMinActionInterval, &ShowStep, &p, sizeof p, done);
}

uint64_t ObjectServices::GlideTo(EngineObject* object, int32_t x, int32_t y, double speed, double acceleration,
                                 double maximum, const ObjectMessage* done) {
  if (!HasObject(object, "GlideTo")) return 0;
  auto whole = [](double v) { return std::fabs(std::trunc(v)); };
  GlideParams p{whole(speed), whole(acceleration), whole(maximum), static_cast<double>(x), static_cast<double>(y)};
  if (p.maximum == 0.0) p.maximum = 99999999.0;
  return PostAction(object, kMinActionInterval, &GlideStep, &p, sizeof p, done);
}

uint64_t ObjectServices::Delay(uint32_t ms, const ObjectMessage* done) {
  const DelayParams p{ms};
  return PostAction(nullptr, ms, &DelayStep, &p, sizeof p, done);
}

uint64_t ObjectServices::DelayFor(EngineObject* object, uint32_t ms, const ObjectMessage* done) {
  const DelayParams p{ms};
  return PostAction(object, ms, &DelayStep, &p, sizeof p, done);
}

uint64_t ObjectServices::DelayByClock(uint32_t ms, const ObjectMessage* done) {
  const ClockDelayParams p{GetElapsedMs(), ms};
  return PostAction(nullptr, 0, &ClockDelayStep, &p, sizeof p, done);
}

uint64_t ObjectServices::RepeatMessage(uint32_t period, int32_t count, const ObjectMessage* message) {
  if (message == nullptr || period == 0) return 0;
  EngineObject* target = FindObjectByKey(message->target);
  if (target == nullptr) return 0;
  const RepeatParams p{period, count, 0, *message};
  return PostAction(target, period, &RepeatStep, &p, sizeof p, nullptr);
}

uint64_t ObjectServices::QueuePlaySound(const char* name, uint32_t count, const ObjectMessage* notify) {
  if (name == nullptr) return 0;
  const size_t length = std::strlen(name);
  if (length > kMaxSoundName) {
    WriteGameLog("QueuePlaySound: sound name of %zu bytes is too long", length);
    return 0;
  }
  SoundParams p{};
  std::memcpy(p.name, name, length);
  p.count = count;
  if (notify != nullptr) p.notify = *notify;
  return PostAction(nullptr, 0, &SoundStep, &p, sizeof p, nullptr);
}

uint64_t ObjectServices::QueueDelete(EngineObject* object, const ObjectMessage* done) {
  if (!HasObject(object, "QueueDelete")) return 0;
  const DeleteParams p{object->GetKey()};
  return PostAction(object, kMinActionInterval, &DeleteStep, &p, sizeof p, done);
}

uint64_t ObjectServices::ResizeTo(EngineObject* object, int32_t width, int32_t height, int32_t target_width,
                                  int32_t target_height, uint32_t width_step, uint32_t height_step,
                                  const ObjectMessage* done) {
  if (!HasObject(object, "ResizeTo")) return 0;
  // Objects are never smaller than 0 x 0, so a negative size could never be reached.
  auto size = [](int32_t v) { return v < 0 ? 0 : v; };
  const ResizeParams p{size(width), size(height), size(target_width), size(target_height), width_step, height_step};
  return PostAction(object, kMinActionInterval, &ResizeStep, &p, sizeof p, done);
}

uint64_t ObjectServices::QueueCall(ActionCallFn function, const void* data, uint32_t size) {
  if (function == nullptr) return 0;
  if (size > kMaxCallData || (size > 0 && data == nullptr)) {
    WriteGameLog("QueueCall: %u data bytes refused (at most %u)", size, kMaxCallData);
    return 0;
  }
  CallParams p{};
  p.function = function;
  if (size > 0) std::memcpy(p.data, data, size);
  return PostAction(nullptr, kMinActionInterval, &CallStep, &p, sizeof p, nullptr);
}

}  // namespace engine
