// The object module's timed actions and action groups.
#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/core/engine_object.h"
#include "engine/core/memory_pool.h"
#include "engine/core/object_module.h"

namespace engine {

ActionRecord* ObjectModule::NewActionRecord() {
  if (!action_pool_) return nullptr;
  auto* action = static_cast<ActionRecord*>(action_pool_->Alloc(sizeof(ActionRecord)));
  if (action == nullptr) return nullptr;
  std::memset(static_cast<void*>(action), 0, sizeof(ActionRecord));
  action->id = ++action_counter_;
  return action;
}

ActionGroup* ObjectModule::NewGroupRecord() {
  if (!group_pool_) return nullptr;
  auto* group = static_cast<ActionGroup*>(group_pool_->Alloc(sizeof(ActionGroup)));
  if (group == nullptr) return nullptr;
  std::memset(static_cast<void*>(group), 0, sizeof(ActionGroup));
  group->id = ++action_counter_;
  live_groups_[group->id] = group;
  return group;
}

uint32_t ObjectModule::CountActions() const {
  uint32_t count = 0;
  for (const ActionRecord* a = first_action_; a != nullptr; a = a->next) {
    if (!a->cancelled) ++count;
  }
  return count;
}

bool ObjectModule::IsReady(const ActionGroup* group) const {
  for (; group != nullptr; group = group->parent) {
    if (group->previous != nullptr) return false;
  }
  return true;
}

void ObjectModule::QueueAction(ActionRecord* action) {
  if (action == nullptr) return;
  // An action posted for an object that left the scene before the action was taken in would run
  // on a freed object: it is taken in cancelled, and ends (with its group) without running.
  if (action->object != nullptr && live_objects_.count(action->object) == 0) action->cancelled = 1;
  action->next = nullptr;
  if (last_action_ == nullptr) {
    first_action_ = action;
  } else {
    last_action_->next = action;
  }
  last_action_ = action;
  action->group = current_group_;
  if (current_group_ != nullptr) {
    ++current_group_->pending;
    if (!IsReady(current_group_)) action->waiting = 1;
  }
}

void ObjectModule::BeginGroup(ActionGroup* group) {
  if (group == nullptr) return;
  group->previous = nullptr;
  group->next = nullptr;
  group->pending = 0;
  group->parent = current_group_;
  if (current_group_ != nullptr) {
    ++current_group_->pending;
    group->next_sibling = nullptr;
    ActionGroup** link = &current_group_->first_child;
    while (*link != nullptr) link = &(*link)->next_sibling;
    *link = group;
  }
  current_group_ = group;
}

void ObjectModule::ReplaceChild(ActionGroup* parent, ActionGroup* old_child, ActionGroup* new_child) {
  if (parent == nullptr) return;
  for (ActionGroup** link = &parent->first_child; *link != nullptr; link = &(*link)->next_sibling) {
    if (*link == old_child) {
      new_child->next_sibling = old_child->next_sibling;
      *link = new_child;
      return;
    }
  }
}

void ObjectModule::UnlinkChild(ActionGroup* parent, ActionGroup* child) {
  if (parent == nullptr) return;
  for (ActionGroup** link = &parent->first_child; *link != nullptr; link = &(*link)->next_sibling) {
    if (*link == child) {
      *link = child->next_sibling;
      child->next_sibling = nullptr;
      return;
    }
  }
}

void ObjectModule::ReportGroupError(const char* text) {
  PostEvent(module_id::kMonitor, core_event::kFault, reinterpret_cast<uintptr_t>(text), 0);
}

void ObjectModule::NextGroup(ActionGroup* group) {
  if (current_group_ == nullptr) {
    ReportGroupError("can't NextGroup without BeginGroup!");
    return;
  }
  if (group == nullptr) return;
  ActionGroup* current = current_group_;
  if (current->pending == 0) {
    // The current step is still empty: the new record takes its place, id included, so the id the
    // caller was given for the step keeps naming it.
    const uint64_t fresh_id = group->id;
    *group = *current;
    if (group->previous != nullptr) group->previous->next = group;
    if (group->previous == nullptr) ReplaceChild(group->parent, current, group);
    for (auto& [id, record] : live_groups_) {
      if (record == current) record = group;
    }
    live_groups_.erase(fresh_id);
    group_pool_->Free(current);
    group->pending = 0;
    current_group_ = group;
    return;
  }
  current->next = group;
  group->previous = current;
  group->parent = current->parent;
  group->next = nullptr;
  group->first_child = nullptr;
  group->next_sibling = nullptr;
  group->pending = 0;
  current_group_ = group;
}

void ObjectModule::EndGroup() {
  ActionGroup* current = current_group_;
  if (current == nullptr) {
    ReportGroupError("can't EndGroup without BeginGroup!");
    return;
  }
  ActionGroup* parent = current->parent;
  current_group_ = parent;
  if (current->pending == 0 && current->first_child == nullptr) {
    if (current->previous == nullptr) {
      // An empty first step (or a step whose predecessors have all finished): the sequence ends here.
      if (parent != nullptr) {
        UnlinkChild(parent, current);
        --parent->pending;
      }
    } else {
      current->previous->next = nullptr;
    }
    FreeGroup(current);
  }
}

void ObjectModule::FreeGroup(ActionGroup* group) {
  for (auto it = live_groups_.begin(); it != live_groups_.end();) {
    if (it->second == group) {
      it = live_groups_.erase(it);
    } else {
      ++it;
    }
  }
  group_pool_->Free(group);
}

void ObjectModule::FinishAction(ActionRecord* action, bool notify) {
  if (notify && action->completion.id != 0) {
    const ObjectMessage completion = action->completion;
    DeliverMessage(&completion);
  }
  ActionGroup* group = action->group;
  action_pool_->Free(action);
  if (group != nullptr && group->pending > 0) {
    --group->pending;
    // A step still being built (the current one) finishes only once the builder has left it.
    if (group->pending == 0 && group != current_group_) FinishGroup(group);
  }
}

void ObjectModule::FinishGroup(ActionGroup* group) {
  ActionGroup* next = group->next;
  ActionGroup* parent = group->parent;
  if (next != nullptr) {
    // The next step takes this one's place in its sequence, and so the ids that named this one.
    next->previous = nullptr;
    if (parent != nullptr) ReplaceChild(parent, group, next);
    for (auto& [id, record] : live_groups_) {
      if (record == group) record = next;
    }
    ReleaseStep(next);
  } else if (parent != nullptr) {
    UnlinkChild(parent, group);
  }
  FreeGroup(group);
  if (next == nullptr && parent != nullptr && parent->pending > 0) {
    --parent->pending;
    if (parent->pending == 0 && parent != current_group_) FinishGroup(parent);
  }
  // A released step with nothing in it (all its members already gone) is finished as well.
  if (next != nullptr && next->pending == 0 && next->first_child == nullptr && next != current_group_) {
    FinishGroup(next);
  }
}

void ObjectModule::ReleaseStep(ActionGroup* group) {
  if (!IsReady(group)) return;
  for (ActionGroup* child = group->first_child; child != nullptr; child = child->next_sibling) ReleaseStep(child);
  for (ActionRecord* a = first_action_; a != nullptr; a = a->next) {
    if (a->group == group) a->waiting = 0;
  }
}

void ObjectModule::CancelAction(uint64_t id) {
  for (ActionRecord* a = first_action_; a != nullptr; a = a->next) {
    if (a->id == id) {
      a->cancelled = 1;
      return;
    }
  }
}

void ObjectModule::CancelGroup(uint64_t id) {
  auto it = live_groups_.find(id);
  if (it != live_groups_.end()) {
    CancelGroupRecord(it->second);
    return;
  }
  // Callers that still hold the record itself: accepted while that record is a live group. (A
  // record's address may be reused once it is freed; the id never is.)
  for (const auto& [group_id, record] : live_groups_) {
    if (reinterpret_cast<uintptr_t>(record) == id) {
      CancelGroupRecord(record);
      return;
    }
  }
}

void ObjectModule::CancelGroupRecord(ActionGroup* group) {
  for (ActionGroup* child = group->first_child; child != nullptr; child = child->next_sibling) CancelGroupRecord(child);
  if (group->next != nullptr) CancelGroupRecord(group->next);
  for (ActionRecord* a = first_action_; a != nullptr; a = a->next) {
    if (a->group == group) {
      a->cancelled = 1;
    }
  }
}

void ObjectModule::CancelObjectActions(uint32_t key) {
  if (key == 0) return;
  for (ActionRecord* a = first_action_; a != nullptr; a = a->next) {
    if (!a->cancelled && a->object != nullptr && a->object->GetKey() == key) a->cancelled = 1;
  }
}

void ObjectModule::RunActions() {
  if (first_action_ == nullptr) return;
  BusyScope busy(this);
  const uint32_t now = GetLastTick();
  // Actions queued while this pass runs wait for the next one.
  ActionRecord* const pass_end = last_action_;
  ActionRecord* previous = nullptr;
  ActionRecord* action = first_action_;
  while (action != nullptr) {
    const bool last_of_pass = action == pass_end;
    ActionRecord* next = action->next;
    bool done = false;
    bool notify = false;
    if (action->waiting) {
      // skipped
    } else if (action->cancelled) {
      done = true;
    } else {
      bool run = false;
      if (!action->started) {
        action->started = 1;
        action->start_time = now;
        action->last_run = now;
        run = true;
      } else if (now - action->last_run >= action->interval) {
        action->last_run = now;
        run = true;
      }
      if (run && action->step != nullptr) {
        done = action->step(action->object, action->params, GetCore(), action->last_run - action->start_time) != 0;
        notify = done;
      } else if (run) {
        done = notify = true;  // an action without a step is done at its first run
      }
    }
    if (done) {
      // Unlink first; the list may have grown behind this action while its step ran.
      next = action->next;
      if (previous == nullptr) {
        first_action_ = next;
      } else {
        previous->next = next;
      }
      if (last_action_ == action) last_action_ = previous;
      FinishAction(action, notify);
    } else {
      previous = action;
      next = action->next;
    }
    if (last_of_pass) break;
    action = next;
  }
}

void ObjectModule::DropAllActions() {
  first_action_ = nullptr;
  last_action_ = nullptr;
  current_group_ = nullptr;
  live_groups_.clear();
}

}  // namespace engine
